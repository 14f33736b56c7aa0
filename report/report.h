#pragma once

// Pages, pictures and tables a front end writes from the design library's
// results: the interim analysis report (one self-contained HTML page), the
// design report page, the tables and plots of a simulation, a comparison and
// a calibration, and the SVG pictures they share. The design companion and
// the R package write them alike. Writes only to the streams it is given.
#include <ostream>
#include <string>

#include "design/interim_report.h"
#include "design/stability.h"

namespace quillmere {

// Text with <, >, & and " written as entities, for SVG and HTML alike.
std::string markupEscaped(const std::string& text);

// How an SVG picture is written: as a file of its own (with its namespace),
// or inline in an HTML page (without, so that the page names nothing
// outside itself).
enum class SvgUse { File, Inline };

// The opening tag of an SVG picture of the given size.
std::string svgOpening(double width, double height, SvgUse use);

// A histogram of the stability runs' probabilities with the cut-off and
// quillmere's own probability marked.
void writeStabilityHistogram(std::ostream& out, const MonitoringRule& rule,
                             const StabilityPlan& plan, const StabilityStudy& study, SvgUse use);

// The follow-up of every patient, one line each from enrolment (time 0) to
// the follow-up time, events marked, the window marked and, when the data say
// nothing from some time on, that time shaded. One picture per group of
// followUpChartRows patients, each fit for a printed page.
inline constexpr int followUpChartRows = 50;
void writeFollowUpCharts(std::ostream& out, const AnalysisInput& input,
                         const AnalysisResult& fixed);

// Where the page says it came from: the program version and the file name
// the page was written to, for the commands that rebuild it.
struct InterimPageSource {
    std::string version;
    std::string outputName;
};

// The interim analysis report: one HTML page with inline CSS and SVG,
// nothing fetched, printable on A4.
void writeInterimPage(std::ostream& out, const InterimReport& report,
                      const InterimPageSource& source);

}  // namespace quillmere

#include "report/calibration_report.h"
#include "report/compare_report.h"
#include "report/design_report.h"
#include "report/report_svg.h"
#include "report/report_text.h"
#include "report/svg_plot.h"
