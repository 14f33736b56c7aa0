#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "design/boundaries.h"
#include "design/calibration.h"
#include "design/design_settings.h"
#include "design/late_outcomes.h"
#include "design/operating_characteristics.h"

namespace quillmere {

// What the design report is made of: the design and its file's text, the
// results of boundaries, simulate and (when run) calibrate, and the names
// the commands that rebuild them are written with.
struct DesignReportContent {
    const DesignSettings& design;
    std::string designText;
    std::string designFileName;
    std::string resultsDirectory;
    std::string version;
    std::vector<BoundaryRow> boundaries;
    std::vector<ScenarioSummary> summaries;
    std::vector<LateOutcomeSummary> lateOutcomes;
    std::optional<CalibrationResult> calibration;
};

// One self-contained HTML page (inline CSS and SVG, nothing fetched): the
// rule in words, the stopping boundaries, the operating characteristics with
// their intervals, the plots, the late outcomes (duration and overrun), the
// time-unit caution when the window is long
// in its unit, and what reproduces every figure.
void writeDesignReport(std::ostream& out, const DesignReportContent& content);

// The window in units beyond which the hazard floor of 0.001 per unit alone
// gives a pending patient an imputed event probability above about 1.5%.
inline constexpr double longWindowUnits = 15.0;

}  // namespace quillmere
