// Text made safe for HTML and SVG, and the opening of an SVG picture.
#include "design/text_format.h"
#include "report/report.h"

namespace quillmere {

std::string markupEscaped(const std::string& text) {
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
            case '"':
                result += "&quot;";
                break;
            default:
                result += c;
        }
    }
    return result;
}

std::string svgOpening(double width, double height, SvgUse use) {
    return formatted(
        "<svg %swidth=\"%g\" height=\"%g\" viewBox=\"0 0 %g %g\" font-family=\"sans-serif\" "
        "font-size=\"12\">\n",
        use == SvgUse::File ? "xmlns=\"http://www.w3.org/2000/svg\" " : "", width, height, width,
        height);
}

}  // namespace quillmere
