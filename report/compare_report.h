#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "design/rule_comparison.h"

namespace quillmere {

// Two rules and where their design files came from.
struct ComparedRules {
    DesignSettings a;
    DesignSettings b;
    std::string fileA;
    std::string fileB;
};

// Both rules, then per true rate every operating characteristic under A and
// B with the paired difference B - A and its standard error, then the
// difference in the stopping probability by the number of patients enrolled.
void writeComparisonTables(std::ostream& out, const ComparedRules& rules,
                           const std::vector<ScenarioComparison>& comparisons);

// The late-outcome characteristics under A and B with their paired differences.
void writeLateOutcomeComparisonTable(std::ostream& out,
                                     const std::vector<LateOutcomeComparison>& comparisons);
void writeLateOutcomeComparisonCsv(std::ostream& out,
                                   const std::vector<LateOutcomeComparison>& comparisons);

// One row per scenario and characteristic.
void writeComparisonCsv(std::ostream& out, const std::vector<ScenarioComparison>& comparisons);
// One row per scenario and number of patients enrolled at a look.
void writeStoppingComparisonCsv(std::ostream& out,
                                const std::vector<ScenarioComparison>& comparisons);

}  // namespace quillmere
