#include "report/svg_plot.h"

#include <cctype>
#include <cmath>
#include <sstream>

#include "design/text_format.h"

namespace quillmere {
namespace {

constexpr double width = 760;
constexpr double left = 80;
constexpr double right = 680;
constexpr double top = 64;
constexpr double bottom = 364;
constexpr int yTicks = 5;
constexpr double legendTop = bottom + 66;
constexpr double rowHeight = 20;
constexpr double captionLineHeight = 15;
constexpr std::size_t captionLineLength = 112;  // characters at the caption's size

struct Scale {
    const PlotFrame& frame;
    double x(double value) const {
        return left + (value - frame.xMin) / (frame.xMax - frame.xMin) * (right - left);
    }
    double y(double value, bool rightAxis) const {
        const double topValue = rightAxis ? frame.rightMax : frame.leftMax;
        return bottom - value / topValue * (bottom - top);
    }
};

std::string strokeOf(const LineStyle& style) {
    return formatted(
        "stroke=\"%s\" stroke-width=\"%g\"%s%s", style.colour.c_str(), style.width,
        style.dashed ? " stroke-dasharray=\"7,4\"" : "",
        style.opacity < 1 ? formatted(" stroke-opacity=\"%g\"", style.opacity).c_str() : "");
}

void writeAxes(std::ostream& out, const PlotFrame& frame, const Scale& scale) {
    for (int i = 0; i <= yTicks; ++i) {
        const double fraction = static_cast<double>(i) / yTicks;
        const double y = bottom - fraction * (bottom - top);
        out << formatted("<line x1=\"%g\" y1=\"%.2f\" x2=\"%g\" y2=\"%.2f\" stroke=\"#e4e4e4\"/>\n",
                         left, y, right, y);
        out << formatted("<text x=\"%g\" y=\"%.2f\" text-anchor=\"end\">%.4g</text>\n", left - 6,
                         y + 4, fraction * frame.leftMax);
        if (!frame.rightLabel.empty()) {
            out << formatted("<text x=\"%g\" y=\"%.2f\">%.4g</text>\n", right + 6, y + 4,
                             fraction * frame.rightMax);
        }
    }
    for (const AxisTick& tick : frame.xTicks) {
        const double x = scale.x(tick.value);
        out << formatted("<line x1=\"%.2f\" y1=\"%g\" x2=\"%.2f\" y2=\"%g\" stroke=\"black\"/>\n",
                         x, bottom, x, bottom + 4);
        out << formatted("<text x=\"%.2f\" y=\"%g\" text-anchor=\"middle\">%s</text>\n", x,
                         bottom + 18, markupEscaped(tick.label).c_str());
        if (!tick.secondLine.empty()) {
            out << formatted(
                "<text x=\"%.2f\" y=\"%g\" text-anchor=\"middle\" font-size=\"10\" "
                "fill=\"#555555\">%s</text>\n",
                x, bottom + 31, markupEscaped(tick.secondLine).c_str());
        }
    }
    out << formatted(
        "<rect x=\"%g\" y=\"%g\" width=\"%g\" height=\"%g\" fill=\"none\" stroke=\"black\"/>\n",
        left, top, right - left, bottom - top);
    out << formatted("<text x=\"%g\" y=\"%g\" text-anchor=\"middle\">%s</text>\n",
                     (left + right) / 2, bottom + 48, markupEscaped(frame.xLabel).c_str());
    out << formatted(
        "<text transform=\"translate(22,%g) rotate(-90)\" text-anchor=\"middle\">%s</text>\n",
        (top + bottom) / 2, markupEscaped(frame.leftLabel).c_str());
    if (!frame.rightLabel.empty()) {
        out << formatted(
            "<text transform=\"translate(%g,%g) rotate(90)\" text-anchor=\"middle\">%s</text>\n",
            width - 22, (top + bottom) / 2, markupEscaped(frame.rightLabel).c_str());
    }
}

void writeMarker(std::ostream& out, const PlotFrame& frame, const Scale& scale) {
    if (!frame.markerX || *frame.markerX < frame.xMin || *frame.markerX > frame.xMax) {
        return;
    }
    const double x = scale.x(*frame.markerX);
    out << formatted(
        "<line x1=\"%.2f\" y1=\"%g\" x2=\"%.2f\" y2=\"%g\" stroke=\"gray\" "
        "stroke-dasharray=\"2,4\"/>\n",
        x, top - 4, x, bottom);
    out << formatted("<text x=\"%.2f\" y=\"%g\" text-anchor=\"middle\" fill=\"gray\">%s</text>\n",
                     x, top - 8, markupEscaped(frame.markerLabel).c_str());
}

void writeErrorBar(std::ostream& out, const PlotSeries& series, const PlotPoint& point,
                   const Scale& scale) {
    if (!point.low || !point.high) {
        return;
    }
    const double x = scale.x(point.x) + series.barShift;
    const double low = scale.y(*point.low, series.rightAxis);
    const double high = scale.y(*point.high, series.rightAxis);
    const std::string stroke =
        formatted("stroke=\"%s\" stroke-width=\"1.2\"", series.style.colour.c_str());
    out << formatted("<path d=\"M%.2f,%.2fV%.2fM%.2f,%.2fh8M%.2f,%.2fh8\" %s/>\n", x, low, high,
                     x - 4, low, x - 4, high, stroke.c_str());
}

void writeSeries(std::ostream& out, const PlotSeries& series, const Scale& scale) {
    for (const PlotPoint& point : series.points) {
        writeErrorBar(out, series, point, scale);
    }
    out << "<polyline fill=\"none\" " << strokeOf(series.style) << " points=\"";
    for (const PlotPoint& point : series.points) {
        out << formatted("%.2f,%.2f ", scale.x(point.x), scale.y(point.y, series.rightAxis));
    }
    out << "\"/>\n";
    for (const PlotPoint& point : series.points) {
        out << formatted("<circle cx=\"%.2f\" cy=\"%.2f\" r=\"3.5\" fill=\"%s\"/>\n",
                         scale.x(point.x), scale.y(point.y, series.rightAxis),
                         series.style.colour.c_str());
    }
}

// Entries left to right, a new row when the next one would not fit; returns
// the rows used.
int writeLegend(std::ostream& out, const std::vector<LegendEntry>& legend) {
    double x = left;
    double y = legendTop;
    int rows = legend.empty() ? 0 : 1;
    for (const LegendEntry& entry : legend) {
        const double entryWidth = 40 + 6.6 * static_cast<double>(entry.label.size());
        if (x > left && x + entryWidth > width - 20) {
            x = left;
            y += rowHeight;
            ++rows;
        }
        out << formatted("<line x1=\"%g\" y1=\"%g\" x2=\"%g\" y2=\"%g\" %s/>\n", x, y - 4, x + 26,
                         y - 4, strokeOf(entry.style).c_str());
        out << formatted("<text x=\"%g\" y=\"%g\">%s</text>\n", x + 32, y,
                         markupEscaped(entry.label).c_str());
        x += entryWidth + 14;
    }
    return rows;
}

// The pieces a caption may be broken between: its words, a number kept
// with the word before it ("shape 1;", "seed 20240611.").
std::vector<std::string> captionPieces(const std::string& caption) {
    std::vector<std::string> pieces;
    std::istringstream words(caption);
    for (std::string word; words >> word;) {
        const bool number = std::isdigit(static_cast<unsigned char>(word[0])) != 0;
        if (number && !pieces.empty()) {
            pieces.back().append(" ").append(word);
        } else {
            pieces.push_back(word);
        }
    }
    return pieces;
}

// The caption in lines of at most captionLineLength characters.
std::vector<std::string> captionLines(const std::string& caption) {
    std::vector<std::string> lines;
    std::string line;
    for (const std::string& piece : captionPieces(caption)) {
        if (!line.empty() && line.size() + 1 + piece.size() > captionLineLength) {
            lines.push_back(line);
            line.clear();
        }
        if (!line.empty()) {
            line += ' ';
        }
        line += piece;
    }
    if (!line.empty()) {
        lines.push_back(line);
    }
    return lines;
}

}  // namespace

std::vector<AxisTick> evenTicks(double first, double last, double step) {
    std::vector<AxisTick> ticks;
    const long count = std::lround((last - first) / step);
    for (long i = 0; i <= count; ++i) {
        const double value = first + static_cast<double>(i) * step;
        ticks.push_back({value, formatted("%g", value), ""});
    }
    return ticks;
}

void writeLinePlot(std::ostream& out, const PlotFrame& frame,
                   const std::vector<PlotSeries>& lines) {
    const Scale scale{frame};
    std::ostringstream body;
    writeAxes(body, frame, scale);
    writeMarker(body, frame, scale);
    for (const PlotSeries& series : lines) {
        writeSeries(body, series, scale);
    }
    const int legendRows = writeLegend(body, frame.legend);
    const std::vector<std::string> caption = captionLines(frame.caption);
    const double captionTop = legendTop + rowHeight * legendRows + 6;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        body << formatted("<text x=\"%g\" y=\"%g\" font-size=\"11\" fill=\"#333333\">%s</text>\n",
                          left - 60, captionTop + captionLineHeight * static_cast<double>(i),
                          markupEscaped(caption[i]).c_str());
    }
    const double height = std::ceil(captionTop + captionLineHeight * caption.size() + 4);
    out << formatted(
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%g\" height=\"%g\" "
        "viewBox=\"0 0 %g %g\" font-family=\"sans-serif\" font-size=\"12\">\n",
        width, height, width, height);
    out << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    out << formatted("<text x=\"%g\" y=\"26\" text-anchor=\"middle\" font-size=\"15\">%s</text>\n",
                     width / 2, markupEscaped(frame.title).c_str());
    out << body.str() << "</svg>\n";
}

const char* curveColour(std::size_t index) {
    static const char* colours[] = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e",
                                    "#9467bd", "#8c564b", "#17becf"};
    return colours[index % 7];
}

}  // namespace quillmere
