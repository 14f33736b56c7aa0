#include "app/banner.h"

#include <string>

#include "app/console.h"

namespace quillmere {

namespace {

constexpr std::size_t frameWidth = 74;
const std::string slashRule(frameWidth, '/');

}  // namespace

std::string framedLine(const std::string& text) {
    const std::size_t inner = frameWidth - 4;
    const std::size_t left = (inner - text.size() + 1) / 2;
    const std::size_t right = inner - text.size() - left;
    return "//" + std::string(left, ' ') + text + std::string(right, ' ') + "//";
}

void printBanner(std::ostream& out) {
    lineEnd(out);
    lineEnd(out);
    out << slashRule;
    lineEnd(out);
    out << framedLine("Q  U  I  L  L");
    lineEnd(out);
    out << framedLine("M  E  R  E");
    lineEnd(out);
    out << framedLine("by Varnholt");
    lineEnd(out);
    out << "//                              Version 3.0.0                           //";
    lineEnd(out);
    out << slashRule;
    lineEnd(out);
    lineEnd(out);
    lineEnd(out);
    lineEnd(out);
    out << std::string(73, '*');
    lineEnd(out);
    out << "Which kind of observed event are you interested in computing the patient accrual "
           "decision with respect to:";
    lineEnd(out);
    lineEnd(out);
    out << "1 for Toxicitiy";
    lineEnd(out);
    out << "2 for Efficacy";
    lineEnd(out);
    out << "3 for Disease Progression";
    lineEnd(out);
}

}  // namespace quillmere
