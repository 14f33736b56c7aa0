#include <charconv>
#include <filesystem>

#include "design/stability.h"
#include "design/text_format.h"
#include "design_cli/commands.h"
#include "design_cli/progress_meter.h"
#include "design_cli/stability_report.h"
#include "report/report.h"

namespace quillmere {

std::optional<int> answerOption(const CommandLine& line, std::ostream& err) {
    const std::string text = line.options.at("answer");
    const std::optional<int> answer = parseWholeNumber(text, 1, 3);
    if (!answer) {
        err << "The answer (" << text
            << ") must be 1 (toxicity), 2 (efficacy) or 3 (disease progression).\n";
    }
    return answer;
}

std::optional<int> runsOption(const CommandLine& line, std::ostream& err) {
    const std::string text = optionOr(line, "runs", "200");
    const std::optional<int> runs = parseWholeNumber(text, 2, 1000000);
    if (!runs) {
        err << "The number of runs (" << text << ") must be a whole number from 2 to 1000000.\n";
    }
    return runs;
}

std::optional<std::uint64_t> seedOption(const CommandLine& line, std::ostream& err) {
    const std::string text = optionOr(line, "seed", "1");
    std::uint64_t seed = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, seed);
    if (text.empty() || error != std::errc() || stop != end) {
        err << "The seed (" << text << ") must be a whole number from 0 to 18446744073709551615.\n";
        return std::nullopt;
    }
    return seed;
}

int reportAnalysisError(const CommandContext& context, const AnalysisError& error) {
    (error.stream == ConsoleStream::Error ? context.err : context.out) << error.text;
    return error.exitStatus;
}

int runStabilityCommand(const CommandContext& context) {
    const CommandLine& line = context.line;
    const std::optional<int> answer = answerOption(line, context.err);
    const std::optional<int> runs = runsOption(line, context.err);
    const std::optional<int> threads = threadsOption(line, context.err);
    const std::optional<std::uint64_t> seed = seedOption(line, context.err);
    if (!answer || !runs || !threads || !seed) {
        return 1;
    }
    const std::filesystem::path trial = line.designFile;
    const InputOutcome input = readTrialDirectory(trial, *answer);
    if (!input) {
        return reportAnalysisError(context, input.error());
    }
    const std::string directory = optionOr(line, "out", ".");
    std::error_code ignored;
    const ResultSet results{
        "stability",
        "trial directory " + std::filesystem::absolute(trial, ignored).lexically_normal().string() +
            " answer " + std::to_string(*answer),
        {"stability.csv", "stability.svg"}};
    // The trial's own files are inputs: never written over, summary.txt included.
    StagedResults staged({directory, results, line.force, {trial / "summary.txt"}});
    if (!outputReady(context, staged)) {
        return 1;
    }
    const StabilityPlan plan{*runs, *threads, *seed};
    ProgressMeter progress(context.err, "stability");
    const std::optional<StabilityOutcome> study =
        runStability(input.value(), plan, std::ref(progress), &context.stop);
    if (!study) {
        return reportStopped(context, directory);
    }
    if (!*study) {
        return reportAnalysisError(context, study->error());
    }
    const StabilityStudy& found = study->value();
    const std::vector<ResultFile> files = {
        {"stability.csv", [&](std::ostream& out) { writeStabilityCsv(out, found); }},
        {"stability.svg", [&](std::ostream& out) {
             writeStabilityHistogram(out, input.value().rule, plan, found, SvgUse::File);
         }}};
    if (const std::optional<int> status = finishResults(context, staged, files, directory)) {
        return *status;
    }
    if (found.fixed.uninformedFrom) {
        context.out << priorOnlyWarning(*found.fixed.uninformedFrom,
                                        input.value().rule.maxEvaluationWindow)
                    << '\n';
    }
    writeStabilityText(context.out, input.value(), plan, found);
    context.out << "Written into " << directory << ": stability.csv, stability.svg\n";
    return 0;
}

}  // namespace quillmere
