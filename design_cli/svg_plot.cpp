#include "design_cli/svg_plot.h"

#include "design/text_format.h"

namespace quillmere {
namespace {

constexpr double width = 760;
constexpr double height = 460;
constexpr double left = 80;
constexpr double right = 680;
constexpr double top = 50;
constexpr double bottom = 380;
constexpr int ticks = 5;

std::string escaped(const std::string& text) {
    std::string result;
    for (const char c : text) {
        switch (c) {
            case '<':
                result += "&lt;";
                break;
            case '>':
                result += "&gt;";
                break;
            case '&':
                result += "&amp;";
                break;
            default:
                result += c;
        }
    }
    return result;
}

struct Scale {
    const PlotFrame& frame;
    double x(double value) const {
        return left + (value - frame.xMin) / (frame.xMax - frame.xMin) * (right - left);
    }
    double y(double value, bool rightAxis) const {
        const double top_value = rightAxis ? frame.rightMax : frame.leftMax;
        return bottom - value / top_value * (bottom - top);
    }
};

void writeAxes(std::ostream& out, const PlotFrame& frame, const Scale& scale) {
    out << formatted(
        "<rect x=\"%g\" y=\"%g\" width=\"%g\" height=\"%g\" fill=\"none\" "
        "stroke=\"black\"/>\n",
        left, top, right - left, bottom - top);
    for (int i = 0; i <= ticks; ++i) {
        const double fraction = static_cast<double>(i) / ticks;
        const double y = bottom - fraction * (bottom - top);
        out << formatted("<line x1=\"%g\" y1=\"%.2f\" x2=\"%g\" y2=\"%.2f\" stroke=\"#dddddd\"/>\n",
                         left, y, right, y);
        out << formatted("<text x=\"%g\" y=\"%.2f\" text-anchor=\"end\">%.4g</text>\n", left - 6,
                         y + 4, fraction * frame.leftMax);
        out << formatted("<text x=\"%g\" y=\"%.2f\">%.4g</text>\n", right + 6, y + 4,
                         fraction * frame.rightMax);
    }
    for (int i = 0; i <= frame.xTicks; ++i) {
        const double xValue =
            frame.xMin + static_cast<double>(i) / frame.xTicks * (frame.xMax - frame.xMin);
        out << formatted("<text x=\"%.2f\" y=\"%g\" text-anchor=\"middle\">%.3g</text>\n",
                         scale.x(xValue), bottom + 18, xValue);
    }
    out << formatted("<text x=\"%g\" y=\"%g\" text-anchor=\"middle\">%s</text>\n",
                     (left + right) / 2, bottom + 40, escaped(frame.xLabel).c_str());
    out << formatted(
        "<text transform=\"translate(22,%g) rotate(-90)\" text-anchor=\"middle\">"
        "%s</text>\n",
        (top + bottom) / 2, escaped(frame.leftLabel).c_str());
    out << formatted(
        "<text transform=\"translate(%g,%g) rotate(90)\" text-anchor=\"middle\">"
        "%s</text>\n",
        width - 22, (top + bottom) / 2, escaped(frame.rightLabel).c_str());
}

void writeMarker(std::ostream& out, const PlotFrame& frame, const Scale& scale) {
    if (!frame.markerX || *frame.markerX < frame.xMin || *frame.markerX > frame.xMax) {
        return;
    }
    const double x = scale.x(*frame.markerX);
    out << formatted(
        "<line x1=\"%.2f\" y1=\"%g\" x2=\"%.2f\" y2=\"%g\" stroke=\"gray\" "
        "stroke-dasharray=\"2,4\"/>\n",
        x, top, x, bottom);
    out << formatted("<text x=\"%.2f\" y=\"%g\" fill=\"gray\">%s</text>\n", x + 4, top + 14,
                     escaped(frame.markerLabel).c_str());
}

void writeSeries(std::ostream& out, const PlotSeries& series, const Scale& scale) {
    out << "<polyline fill=\"none\" stroke-width=\"2\" stroke=\"" << series.colour << '"'
        << (series.dashed ? " stroke-dasharray=\"6,4\"" : "") << " points=\"";
    for (const auto& [x, y] : series.points) {
        out << formatted("%.2f,%.2f ", scale.x(x), scale.y(y, series.rightAxis));
    }
    out << "\"/>\n";
    for (const auto& [x, y] : series.points) {
        out << formatted("<circle cx=\"%.2f\" cy=\"%.2f\" r=\"3.5\" fill=\"%s\"/>\n", scale.x(x),
                         scale.y(y, series.rightAxis), series.colour.c_str());
    }
}

void writeLegend(std::ostream& out, const std::vector<PlotSeries>& lines) {
    double x = left;
    for (const PlotSeries& series : lines) {
        if (series.label.empty()) {
            continue;
        }
        out << formatted(
            "<line x1=\"%g\" y1=\"%g\" x2=\"%g\" y2=\"%g\" stroke-width=\"2\" "
            "stroke=\"%s\"%s/>\n",
            x, height - 22, x + 24, height - 22, series.colour.c_str(),
            series.dashed ? " stroke-dasharray=\"6,4\"" : "");
        out << formatted("<text x=\"%g\" y=\"%g\">%s</text>\n", x + 30, height - 18,
                         escaped(series.label).c_str());
        x += 40 + 7.0 * static_cast<double>(series.label.size());
    }
}

}  // namespace

void writeLinePlot(std::ostream& out, const PlotFrame& frame,
                   const std::vector<PlotSeries>& lines) {
    const Scale scale{frame};
    out << formatted(
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%g\" height=\"%g\" "
        "viewBox=\"0 0 %g %g\" font-family=\"sans-serif\" font-size=\"12\">\n",
        width, height, width, height);
    out << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    out << formatted("<text x=\"%g\" y=\"28\" text-anchor=\"middle\" font-size=\"15\">%s</text>\n",
                     width / 2, escaped(frame.title).c_str());
    writeAxes(out, frame, scale);
    writeMarker(out, frame, scale);
    for (const PlotSeries& series : lines) {
        writeSeries(out, series, scale);
    }
    writeLegend(out, lines);
    out << "</svg>\n";
}

}  // namespace quillmere
