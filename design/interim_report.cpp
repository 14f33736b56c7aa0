// The numbers of an interim analysis report.
#include "design/interim_report.h"

#include <algorithm>
#include <charconv>
#include <locale>
#include <sstream>
#include <tuple>

#include "design/sha256.h"
#include "design/text_format.h"
#include "numeric/number_text.h"
#include "trial/trial_record.h"

namespace quillmere {
namespace {

AnalysisError changedFile(const std::filesystem::path& file) {
    return {AnalysisErrorKind::InvalidData, exitInputFailure, 0,
            "\nThe file (" + file.filename().string() +
                ") changed or became unreadable while the report was being made. Please run "
                "again.\n",
            ConsoleStream::Output};
}

std::optional<HazardOption> hazardOptionItem(const std::string& item) {
    const std::size_t colon = item.find(':');
    if (colon == std::string::npos) {
        return std::nullopt;
    }
    const std::string shapeText = item.substr(0, colon);
    double shape = 0.0;
    const char* end = shapeText.data() + shapeText.size();
    const auto [stop, error] = numberFromChars(shapeText.data(), end, shape);
    const std::optional<HazardRange> range = hazardRangeNamed(item.substr(colon + 1));
    if (shapeText.empty() || error != std::errc() || stop != end || !range ||
        hazardPriorShapeProblem(shape)) {
        return std::nullopt;
    }
    return HazardOption{shape, *range};
}

}  // namespace

HazardOptionList hazardOptionsNamed(const std::string& text) {
    HazardOptionList list;
    for (std::size_t from = 0; from <= text.size();) {
        const std::size_t comma = std::min(text.find(',', from), text.size());
        const std::string item = text.substr(from, comma - from);
        from = comma + 1;
        const std::optional<HazardOption> option = hazardOptionItem(item);
        if (!option) {
            list.options.clear();
            list.problem = "The hazard model (" + item +
                           ") must be SHAPE:RANGE, a prior shape from 0 to " +
                           roundTripText(maxHazardPriorShape) + " and the range unit or window.";
            return list;
        }
        list.options.push_back(*option);
    }
    return list;
}

std::string hazardOptionName(const HazardOption& option) {
    return roundTripText(option.priorShape) + ":" + hazardRangeName(option.range);
}

TrialFacts trialFacts(const AnalysisInput& input) {
    TrialFacts facts;
    const double window = input.rule.maxEvaluationWindow;
    facts.patients = static_cast<int>(input.patients.size());
    for (const PatientObservation& patient : input.patients) {
        const bool event = patient.eventIndicator == 1;
        facts.events += event ? 1 : 0;
        // As the engine counts it: a patient without an event whose
        // observed time falls short of the window.
        const bool pending = !event && observedTimeFor(patient.eventIndicator, patient.eventTime,
                                                       patient.followUp, window) < window;
        facts.pending += pending ? 1 : 0;
        facts.completeNonEvents += !event && !pending ? 1 : 0;
        if (facts.latestId.empty() || patient.followUp < facts.latestFollowUp) {
            facts.latestId = patient.id;
            facts.latestFollowUp = patient.followUp;
        }
        facts.longestFollowUp = std::max(facts.longestFollowUp, patient.followUp);
    }
    return facts;
}

std::optional<InterimOutcome> makeInterimReport(const InterimRequest& request,
                                                const ProgressCallback& progress,
                                                const StopRequest* stop) {
    // The files are read once to learn their names, then again between two
    // checksums that must agree, so that the checksums name the very bytes
    // analysed.
    TrialDirectoryFiles files;
    if (const InputOutcome first = readTrialDirectory(request.directory, request.answer, files);
        !first) {
        return InterimOutcome(first.error());
    }
    const std::optional<std::string> configSum = fileSha256Text(files.configuration);
    const std::optional<std::string> dataSum = fileSha256Text(files.data);
    const InputOutcome input = readTrialDirectory(request.directory, request.answer);
    if (!input) {
        return InterimOutcome(input.error());
    }
    InterimReport report;
    report.request = request;
    report.input = input.value();
    report.facts = trialFacts(report.input);
    std::optional<StabilityOutcome> study =
        runStability(report.input, request.plan, progress, stop);
    if (!study) {
        return std::nullopt;
    }
    if (!*study) {
        return InterimOutcome(study->error());
    }
    report.study = std::move(study->value());
    report.summary = summariseStability(report.study);
    report.differingInterval = wilsonInterval(report.summary.differingAdvice,
                                              static_cast<long>(report.study.probabilities.size()));
    std::vector<HazardOption> options = {properHazardPrior};
    options.insert(options.end(), request.sensitivity.begin(), request.sensitivity.end());
    for (const HazardOption& option : options) {
        AnalysisInput other = report.input;
        other.rule.hazardPriorShape = option.priorShape;
        other.rule.hazardRange = option.range;
        AnalysisOutcome result = analyse(other);
        if (!result) {
            return InterimOutcome(result.error());
        }
        report.sensitivity.push_back({option, std::move(result.value())});
    }
    for (const auto& [file, sum, target] :
         {std::tuple{files.configuration, configSum, &report.configuration},
          std::tuple{files.data, dataSum, &report.data}}) {
        if (!sum || fileSha256Text(file) != sum) {
            return InterimOutcome(changedFile(file));
        }
        *target = {file.filename().string(), *sum};
    }
    return InterimOutcome(std::move(report));
}

std::string quillmereResultLine(const MonitoringRule& rule, double reportedProbability) {
    std::ostringstream line;
    line.imbue(std::locale::classic());
    line << (rule.eventType == EventType::Toxicity ? "RESULTS: Pr(Toxicity rate >"
                                                   : "RESULTS: Pr(Efficacy rate <")
         << rule.rateBound << ")=" << reportedProbability;
    return line.str();
}

std::string quillmereComparison(const MonitoringRule& rule, bool terminate) {
    std::ostringstream line;
    line.imbue(std::locale::classic());
    line << "Compared with cut-off " << rule.cutoffProbability
         << (terminate
                 ? ", it is HIGHER than the cut-off, therefore we suggest to TERMINATE the trial."
                 : ", it is LOWER than the cut-off, therefore we suggest to CONTINUE the trial.");
    return line.str();
}

}  // namespace quillmere
