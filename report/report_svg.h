#pragma once

#include <ostream>
#include <vector>

#include "design/design_settings.h"
#include "design/late_outcomes.h"
#include "design/operating_characteristics.h"

namespace quillmere {

// The true-rate axis of the plots: the scenario rates and the bound with a
// margin, on whole tenths within [0, 1], at least 0.2 wide.
struct RateAxis {
    double first = 0.0;
    double last = 1.0;
};
RateAxis rateAxis(const DesignSettings& design);

// The probability of early termination (left axis) and the expected number
// of patients (right axis) against the true rate.
void writeOperatingPlot(std::ostream& out, const DesignSettings& design,
                        const std::vector<ScenarioSummary>& summaries);

// The probability of stopping at each look, one curve per true rate.
void writeStopByLookPlot(std::ostream& out, const DesignSettings& design,
                         const std::vector<ScenarioSummary>& summaries);

// The expected duration (left axis) and the expected overrun, the patients
// enrolled after the data justified stopping (right axis), against the true rate.
void writeLateOutcomePlot(std::ostream& out, const DesignSettings& design,
                          const std::vector<LateOutcomeSummary>& summaries);

// The same curves for the design expressed in several time units.
struct UnitCurves {
    std::string unitName;
    std::vector<ScenarioSummary> summaries;
};
void writeUnitsPlot(std::ostream& out, const DesignSettings& design,
                    const std::vector<UnitCurves>& units);

}  // namespace quillmere
