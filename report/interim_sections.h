#pragma once

// The sections of the interim analysis page, each written on its own.
#include <ostream>
#include <string>

#include "report/report.h"

namespace quillmere {

// "Pr(toxicity rate > 0.3)", "Pr(efficacy rate < 0.3)" or
// "Pr(progression-free rate < 0.3)": what the rule compares with the cut-off.
std::string interimProbabilityText(const MonitoringRule& rule);
// quillmere's decision box line: "TERMINATE the trial due to safety", ...
std::string adviceText(EventType eventType, bool terminate);
// A number in a table cell, shown as formatted and carrying its exact value.
std::string exactCell(const std::string& shown, double value);

void writeRuleSection(std::ostream& out, const InterimReport& report);
void writeFollowUpSection(std::ostream& out, const InterimReport& report);
void writeDecisionSection(std::ostream& out, const InterimReport& report);
void writeFirmnessSection(std::ostream& out, const InterimReport& report);
void writeSensitivitySection(std::ostream& out, const InterimReport& report);
void writeReproducibilitySection(std::ostream& out, const InterimReport& report,
                                 const InterimPageSource& source);

}  // namespace quillmere
