// The interim analysis page: how firm the decision is, how it depends on the
// hazard model, and how to reproduce it.
#include <algorithm>
#include <cctype>
#include <sstream>

#include "design/text_format.h"
#include "report/interim_sections.h"

namespace quillmere {
namespace {

// A word of a shell command, quoted when it holds anything but plain
// characters.
std::string shellWord(const std::string& word) {
    const bool plain = !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '/' ||
               c == '-' || c == '+' || c == ':' || c == ',';
    });
    if (plain) {
        return word;
    }
    std::string quoted = "'";
    for (const char c : word) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

std::string sensitivityOption(const InterimRequest& request) {
    std::string list;
    for (const HazardOption& option : request.sensitivity) {
        if (!list.empty()) {
            list += ',';
        }
        list += hazardOptionName(option);
    }
    return list.empty() ? "" : " --sensitivity " + list;
}

std::string hazardModelWords(const HazardOption& option) {
    std::string words = option.priorShape == 0
                            ? std::string("prior 1/&lambda;")
                            : "gamma prior of shape " + roundTripText(option.priorShape) +
                                  " and mean &lambda;<sub>0</sub>";
    words += option.range == HazardRange::Window ? ", hazards within [0.0001, 10000] per window"
                                                 : ", hazards within [0.001, 100] per time unit";
    return words;
}

// The commands that rebuild the page, its stability figures and the decision.
std::string rebuildCommands(const InterimReport& report, const InterimPageSource& source) {
    const InterimRequest& request = report.request;
    const std::string dir = shellWord(request.directory.string());
    std::ostringstream text;
    text << "quillmere-design interim " << dir << " --answer " << request.answer << " --runs "
         << request.plan.runs << " --seed " << request.plan.seed << sensitivityOption(request)
         << " --out " << shellWord(source.outputName) << "\nquillmere-design stability " << dir
         << " --answer " << request.answer << " --runs " << request.plan.runs << " --seed "
         << request.plan.seed << "\ncd " << dir << " && quillmere " << request.answer;
    return text.str();
}

void writeSensitivityRow(std::ostream& out, const MonitoringRule& rule, const HazardOption& option,
                         const AnalysisResult& result) {
    const bool quillmere =
        hasConsoleHazardModel({rule.eventType, rule.rateBound, rule.cutoffProbability,
                               rule.maxEvaluationWindow, option.priorShape, option.range});
    out << "<tr><td>" << hazardModelWords(option) << "</td>"
        << exactCell(formatted("%.6f", result.reportedProbability), result.reportedProbability)
        << "<td>" << adviceText(rule.eventType, result.terminate) << "</td><td>"
        << (quillmere ? "what quillmere computes" : "not what quillmere computes")
        << "</td></tr>\n";
}

}  // namespace

void writeFirmnessSection(std::ostream& out, const InterimReport& report) {
    const StabilitySummary& summary = report.summary;
    const std::size_t runs = report.study.probabilities.size();
    out << "<h2 id=\"stability\">How firm the decision is</h2>\n<p>quillmere draws its random "
           "numbers from fixed streams, so it gives the same probability on every run. The same "
           "analysis was repeated "
        << runs << " times with independent streams (seed " << report.request.plan.seed
        << "): the spread of their probabilities is the Monte Carlo error of quillmere's, and "
           "the share advising otherwise says how often another, equally valid run would have "
           "given the other advice.</p>\n<table id=\"stability-figures\">\n<tr><th>mean "
           "probability over the runs</th>"
        << exactCell(formatted("%.6f", summary.mean), summary.mean)
        << "</tr>\n<tr><th>its standard error</th>"
        << exactCell(formatted("%.6f", summary.meanError), summary.meanError)
        << "</tr>\n<tr><th>standard deviation of one run's probability</th>"
        << exactCell(formatted("%.6f", summary.runDeviation), summary.runDeviation)
        << "</tr>\n<tr><th>runs advising otherwise than quillmere</th><td class=\"n\">"
        << formatted("%d of %zu (%.1f%%; 95%% Wilson interval %.1f%% to %.1f%%)",
                     summary.differingAdvice, runs,
                     100.0 * summary.differingAdvice / std::max<double>(1, runs),
                     100.0 * report.differingInterval.low, 100.0 * report.differingInterval.high)
        << "</td></tr>\n</table>\n<figure id=\"histogram\">\n";
    writeStabilityHistogram(out, report.input.rule, report.request.plan, report.study,
                            SvgUse::Inline);
    out << "<figcaption>The probabilities of the " << runs
        << " runs; the dashed line is the cut-off, the solid line quillmere's own "
           "probability.</figcaption>\n</figure>\n";
}

void writeSensitivitySection(std::ostream& out, const InterimReport& report) {
    const MonitoringRule& rule = report.input.rule;
    out << "<h2 id=\"sensitivity\">Sensitivity to the hazard model</h2>\n<p>The same data under "
           "other priors of the six interval hazards, each from quillmere's fixed streams. "
           "Only the first row is what quillmere computes; the others are not, and quillmere "
           "run on these files does not give them. Under a gamma prior each hazard has the mean "
           "&lambda;<sub>0</sub> at which the event rate equals the bound; the window range "
           "means the same in every time unit.</p>\n<table id=\"sensitivity-table\"><tr><th>hazard "
           "model</th><th>probability</th><th>advice</th><th>note</th></tr>\n";
    writeSensitivityRow(out, rule, {0.0, HazardRange::Unit}, report.study.fixed);
    for (const SensitivityAnalysis& analysis : report.sensitivity) {
        writeSensitivityRow(out, rule, analysis.option, analysis.result);
    }
    out << "</table>\n";
}

void writeReproducibilitySection(std::ostream& out, const InterimReport& report,
                                 const InterimPageSource& source) {
    const InterimRequest& request = report.request;
    const std::string answer = std::to_string(request.answer);
    const std::string runs = std::to_string(request.plan.runs);
    const std::string seed = std::to_string(request.plan.seed);
    out << "<h2 id=\"reproducibility\">Reproducibility</h2>\n<table id=\"sources\">"
        << "<tr><th>program</th><td>Quillmere " << markupEscaped(source.version)
        << "</td></tr>\n<tr><th>trial directory</th><td>"
        << markupEscaped(request.directory.string()) << "</td></tr>\n<tr><th>answer</th><td>"
        << answer << "</td></tr>\n<tr><th>runs, seed</th><td>" << runs << ", " << seed
        << "</td></tr>\n</table>\n<table id=\"checksums\"><tr><th>file</th><th>SHA-256</th></tr>\n";
    for (const FileChecksum* file : {&report.configuration, &report.data}) {
        out << "<tr><td>" << markupEscaped(file->name) << "</td><td><code>" << file->sha256
            << "</code></td></tr>\n";
    }
    out << "</table>\n<p>summary.txt was neither read nor written. The commands that rebuild "
           "every figure (quillmere appends its decision to summary.txt in the trial "
           "directory):</p>\n<pre id=\"commands\">"
        << markupEscaped(rebuildCommands(report, source)) << "</pre>\n";
}

}  // namespace quillmere
