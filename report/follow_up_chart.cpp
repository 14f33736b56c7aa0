// The follow-up chart of every patient, in groups that each fit a page.
#include <algorithm>
#include <cmath>

#include "design/text_format.h"
#include "report/report.h"
#include "trial/trial_record.h"

namespace quillmere {
namespace {

constexpr double width = 760;
constexpr double left = 160;  // room for the identifiers
constexpr double right = 720;
constexpr double top = 58;
constexpr double rowPitch = 12;
constexpr std::size_t idShown = 28;  // characters of an identifier shown

const char* const eventColour = "#cc3311";
const char* const pendingColour = "#1f5fbf";
const char* const completeColour = "#888888";
const char* const uninformedFill = "#fde3c8";
constexpr double followUpAxisWindows = 2.0;

// The largest power of ten not above `value` (> 0), found by exact
// multiplications rather than through log10 and pow, whose last bits differ
// between C libraries: the picture is the same everywhere.
double powerOfTenBelow(double value) {
    double power = 1.0;
    if (value >= 1.0) {
        while (power * 10 <= value) {
            power *= 10;
        }
        return power;
    }
    while (1.0 / power > value) {
        power *= 10;
    }
    return 1.0 / power;
}

// A step of 1, 2 or 5 times a power of ten giving about six ticks up to `high`.
double tickStep(double high) {
    const double rough = high / 6;
    if (!(rough > 0) || !std::isfinite(rough)) {
        return 1.0;
    }
    const double power = powerOfTenBelow(rough);
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (factor * power >= rough) {
            return factor * power;
        }
    }
    return 10 * power;
}

struct TimeAxis {
    double high = 1.0;
    double step = 1.0;
    double x(double time) const { return left + time / high * (right - left); }
};

// Up to the longest follow-up, but no further than twice the window: what
// lies beyond it plays no part in the analysis, and the window keeps at least
// half the width.
TimeAxis timeAxis(const AnalysisInput& input) {
    const double window = input.rule.maxEvaluationWindow;
    double longest = window;
    for (const PatientObservation& patient : input.patients) {
        longest = std::max(longest, std::min(patient.followUp, followUpAxisWindows * window));
    }
    const double step = tickStep(longest);
    return {std::ceil(longest / step) * step, step};
}

// A long identifier keeps both ends, where identifiers usually differ.
std::string shownId(const std::string& id) {
    if (id.size() <= idShown) {
        return id;
    }
    const std::size_t head = (idShown - 3) / 2;
    const std::size_t tail = idShown - 3 - head;
    return id.substr(0, head) + "..." + id.substr(id.size() - tail);
}

void writeAxis(std::ostream& out, const TimeAxis& axis, double bottom) {
    for (int i = 0; i * axis.step <= axis.high * (1 + 1e-9); ++i) {
        const double tick = i * axis.step;
        out << formatted(
            "<line x1=\"%.2f\" y1=\"%g\" x2=\"%.2f\" y2=\"%g\" stroke=\"#e4e4e4\"/>"
            "<text x=\"%.2f\" y=\"%g\" text-anchor=\"middle\">%g</text>\n",
            axis.x(tick), top, axis.x(tick), bottom, axis.x(tick), bottom + 16, tick);
    }
    out << formatted(
        "<text x=\"%g\" y=\"%g\" text-anchor=\"middle\">time since enrolment (unit of the data "
        "file)</text>\n",
        (left + right) / 2, bottom + 34);
}

void writePatient(std::ostream& out, const PatientObservation& patient, double window,
                  const TimeAxis& axis, double y) {
    const bool event = patient.eventIndicator == 1;
    const bool pending = !event && observedTimeFor(patient.eventIndicator, patient.eventTime,
                                                   patient.followUp, window) < window;
    const char* colour = event ? eventColour : pending ? pendingColour : completeColour;
    out << formatted("<text x=\"%g\" y=\"%.2f\" text-anchor=\"end\" font-size=\"9\">%s</text>",
                     left - 6, y + 3, markupEscaped(shownId(patient.id)).c_str());
    const bool beyond = patient.followUp > axis.high;
    const double end = axis.x(std::min(patient.followUp, axis.high));
    out << formatted(
        "<line x1=\"%g\" y1=\"%.2f\" x2=\"%.2f\" y2=\"%.2f\" stroke=\"%s\" stroke-width=\"%g\"/>",
        left, y, end, y, colour, pending ? 3.0 : 2.0);
    if (beyond) {  // followed on beyond the axis: an arrowhead at its end
        out << formatted("<path d=\"M%.2f %.2fl-6 -3.5v7z\" fill=\"%s\"/>", end, y, colour);
    }
    if (event) {
        const double x = axis.x(patient.eventTime);
        out << formatted(
            "<path d=\"M%.2f %.2fl8 8m0 -8l-8 8\" stroke=\"%s\" stroke-width=\"1.6\" "
            "fill=\"none\"/>",
            x - 4, y - 4, eventColour);
    }
    out << '\n';
}

void writeLegend(std::ostream& out, double y, bool shaded) {
    out << formatted(
        "<line x1=\"%g\" y1=\"%g\" x2=\"%g\" y2=\"%g\" stroke=\"%s\" stroke-width=\"3\"/>"
        "<text x=\"%g\" y=\"%g\">pending</text>\n",
        left, y, left + 24, y, pendingColour, left + 30, y + 4);
    out << formatted(
        "<line x1=\"%g\" y1=\"%g\" x2=\"%g\" y2=\"%g\" stroke=\"%s\" stroke-width=\"2\"/>"
        "<text x=\"%g\" y=\"%g\">whole window without event</text>\n",
        left + 100, y, left + 124, y, completeColour, left + 130, y + 4);
    out << formatted(
        "<path d=\"M%g %gl8 8m0 -8l-8 8\" stroke=\"%s\" stroke-width=\"1.6\" fill=\"none\"/>"
        "<text x=\"%g\" y=\"%g\">event</text>\n",
        left + 312, y - 4, eventColour, left + 326, y + 4);
    if (shaded) {
        out << formatted(
            "<rect x=\"%g\" y=\"%g\" width=\"24\" height=\"10\" fill=\"%s\"/>"
            "<text x=\"%g\" y=\"%g\">no patient followed</text>\n",
            left + 380, y - 5, uninformedFill, left + 410, y + 4);
    }
}

void writeChart(std::ostream& out, const AnalysisInput& input, const AnalysisResult& fixed,
                std::size_t first, std::size_t last) {
    const TimeAxis axis = timeAxis(input);
    const double window = input.rule.maxEvaluationWindow;
    const double bottom = top + rowPitch * static_cast<double>(last - first) + rowPitch / 2;
    out << svgOpening(width, bottom + 70, SvgUse::Inline)
        << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    out << formatted(
        "<text x=\"%g\" y=\"20\" text-anchor=\"middle\" font-size=\"14\">Follow-up of patients "
        "%zu to %zu of %zu, in the order of the data file</text>\n",
        width / 2, first + 1, last, input.patients.size());
    if (fixed.uninformedFrom) {
        const double from = axis.x(*fixed.uninformedFrom);
        out << formatted("<rect x=\"%.2f\" y=\"%g\" width=\"%.2f\" height=\"%.2f\" fill=\"%s\"/>\n",
                         from, top, axis.x(window) - from, bottom - top, uninformedFill);
    }
    writeAxis(out, axis, bottom);
    out << formatted(
        "<line x1=\"%.2f\" y1=\"%g\" x2=\"%.2f\" y2=\"%.2f\" stroke=\"black\" "
        "stroke-dasharray=\"6,4\"/><text x=\"%.2f\" y=\"%g\" text-anchor=\"middle\">window "
        "%s</text>\n",
        axis.x(window), top - 12, axis.x(window), bottom, axis.x(window), top - 16,
        roundTripText(window).c_str());
    for (std::size_t i = first; i < last; ++i) {
        const double y = top + rowPitch * (static_cast<double>(i - first) + 0.5);
        writePatient(out, input.patients[i], window, axis, y);
    }
    out << formatted(
        "<rect x=\"%g\" y=\"%g\" width=\"%g\" height=\"%.2f\" fill=\"none\" stroke=\"black\"/>\n",
        left, top, right - left, bottom - top);
    writeLegend(out, bottom + 56, fixed.uninformedFrom.has_value());
    out << "</svg>\n";
}

}  // namespace

void writeFollowUpCharts(std::ostream& out, const AnalysisInput& input,
                         const AnalysisResult& fixed) {
    const std::size_t count = input.patients.size();
    for (std::size_t first = 0; first < count; first += followUpChartRows) {
        out << "<figure class=\"chart\">\n";
        writeChart(out, input, fixed, first,
                   std::min(count, first + static_cast<std::size_t>(followUpChartRows)));
        out << "</figure>\n";
    }
}

}  // namespace quillmere
