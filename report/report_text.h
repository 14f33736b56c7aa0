#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "design/boundaries.h"
#include "design/design_settings.h"
#include "design/late_outcomes.h"
#include "design/operating_characteristics.h"

namespace quillmere {

// "Pr(toxicity rate > 0.3)", "Pr(efficacy rate < 0.3)" or
// "Pr(progression-free rate < 0.3)": what the rule compares with the cut-off.
std::string ruleProbabilityText(const DesignSettings& design);

// The design in a few lines: rule, window, enrolment, looks, scenarios, and
// the hazard model when it is not quillmere's own.
void writeDesignHeader(std::ostream& out, const DesignSettings& design);

// The same facts in one sentence, for the caption of a plot.
std::string designFacts(const DesignSettings& design);

// The lines saying that the design's hazard model or method is not
// quillmere's, when it is not (nothing otherwise).
void writeNotQuillmereNote(std::ostream& out, const DesignSettings& design);

// "Method: ..." in one line: what enters each look's posterior.
std::string methodText(const DesignSettings& design);

// "Hazard model: ..." in one line: the prior of the hazards and their range.
std::string hazardModelText(const DesignSettings& design);

void writeOperatingTable(std::ostream& out, const std::vector<ScenarioSummary>& summaries);
void writeStopByLookTable(std::ostream& out, const DesignSettings& design,
                          const std::vector<ScenarioSummary>& summaries);
// The expected duration and the patients enrolled after the data justified
// stopping, by true rate.
void writeLateOutcomeTable(std::ostream& out, const DesignSettings& design,
                           const std::vector<LateOutcomeSummary>& summaries);
void writeBoundaryTable(std::ostream& out, const DesignSettings& design,
                        const std::vector<BoundaryRow>& rows);

}  // namespace quillmere
