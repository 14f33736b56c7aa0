#include <filesystem>

#include "design/interim_report.h"
#include "design_cli/commands.h"
#include "design_cli/progress_meter.h"
#include "report/report.h"

#ifndef QUILLMERE_VERSION
#define QUILLMERE_VERSION "unknown"
#endif

namespace quillmere {
namespace {

std::optional<std::vector<HazardOption>> sensitivityOption(const CommandLine& line,
                                                           std::ostream& err) {
    const auto given = line.options.find("sensitivity");
    if (given == line.options.end()) {
        return std::vector<HazardOption>{};
    }
    HazardOptionList list = hazardOptionsNamed(given->second);
    if (!list.problem.empty()) {
        err << list.problem << '\n';
        return std::nullopt;
    }
    return std::move(list.options);
}

// A report of an earlier look is a record of its own: only --force replaces
// it. quillmere's summary.txt is never written, even when it does not exist
// yet.
bool outputFileFree(const CommandContext& context, const std::filesystem::path& target,
                    const std::filesystem::path& directory, const std::filesystem::path& trial) {
    std::error_code ignored;
    if (target.filename() == "summary.txt" &&
        std::filesystem::equivalent(directory, trial, ignored)) {
        context.err << "The output file (" << target.string()
                    << ") is quillmere's report of the trial; choose another file.\n";
        return false;
    }
    if (context.line.force ||
        !std::filesystem::exists(std::filesystem::symlink_status(target, ignored))) {
        return true;
    }
    context.err << "The output file (" << target.string()
                << ") exists. Give --force to replace it, or choose another file.\n";
    return false;
}

}  // namespace

int runInterimCommand(const CommandContext& context) {
    const CommandLine& line = context.line;
    const std::optional<int> answer = answerOption(line, context.err);
    const std::optional<int> runs = runsOption(line, context.err);
    const std::optional<int> threads = threadsOption(line, context.err);
    const std::optional<std::uint64_t> seed = seedOption(line, context.err);
    const std::optional<std::vector<HazardOption>> sensitivity =
        sensitivityOption(line, context.err);
    if (!answer || !runs || !threads || !seed || !sensitivity) {
        return 1;
    }
    const std::filesystem::path trial = line.designFile;
    TrialDirectoryFiles files;
    if (const InputOutcome input = readTrialDirectory(trial, *answer, files); !input) {
        return reportAnalysisError(context, input.error());
    }
    const std::filesystem::path target = optionOr(line, "out", "interim.html");
    const std::filesystem::path directory =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    const ResultSet results{"interim", "", {target.filename().string()}};
    if (!outputFileFree(context, target, directory, trial)) {
        return 1;
    }
    // The trial's own files are inputs: never written over, summary.txt included.
    StagedResults staged({directory,
                          results,
                          line.force,
                          {files.configuration, files.data, trial / "summary.txt"},
                          false});
    if (!outputReady(context, staged)) {
        return 1;
    }
    const InterimRequest request{trial, *answer, {*runs, *threads, *seed}, *sensitivity};
    ProgressMeter progress(context.err, "interim");
    const std::optional<InterimOutcome> made =
        makeInterimReport(request, std::ref(progress), &context.stop);
    if (!made) {
        return reportStopped(context, directory.string());
    }
    if (!*made) {
        return reportAnalysisError(context, made->error());
    }
    const InterimReport& report = made->value();
    const InterimPageSource source{QUILLMERE_VERSION, target.filename().string()};
    const std::vector<ResultFile> written = {{target.filename().string(), [&](std::ostream& out) {
                                                  writeInterimPage(out, report, source);
                                              }}};
    if (const std::optional<int> status =
            finishResults(context, staged, written, directory.string())) {
        return *status;
    }
    if (report.study.fixed.uninformedFrom) {
        context.out << priorOnlyWarning(*report.study.fixed.uninformedFrom,
                                        report.input.rule.maxEvaluationWindow)
                    << '\n';
    }
    context.out << "Written: " << target.string() << '\n';
    return 0;
}

}  // namespace quillmere
