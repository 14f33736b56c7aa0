#include <algorithm>

#include "design/text_format.h"
#include "design/trial_simulation.h"
#include "design_cli/commands.h"
#include "design_cli/look_dump.h"

namespace quillmere {
namespace {

struct DumpRequest {
    int scenario = 0;  // counted from 1, like the replicate and the look
    int replicate = 0;
    int look = 0;
    double timeScale = 1.0;
    std::string unitName;
};

std::optional<DumpRequest> dumpRequest(const CommandLine& line, const DesignSettings& design,
                                       std::ostream& err) {
    DumpRequest request;
    const int scenarios = static_cast<int>(design.trueRates.size());
    const std::optional<int> scenario =
        parseWholeNumber(optionOr(line, "scenario", ""), 1, scenarios);
    const std::optional<int> replicate =
        parseWholeNumber(optionOr(line, "replicate", ""), 1, design.trials);
    const std::optional<int> look = parseWholeNumber(optionOr(line, "look", ""), 1, 1000);
    const std::optional<TimeUnit> unit = findTimeUnit(optionOr(line, "unit", design.timeUnit.name));
    if (!scenario || !replicate || !look || !unit) {
        err << formatted(
            "dump needs --scenario (1 to %d), --replicate (1 to %d), --look "
            "(from 1) and --to DIR; --unit is one of hours, days, weeks, months, "
            "years.\n",
            scenarios, design.trials);
        return std::nullopt;
    }
    request.scenario = *scenario;
    request.replicate = *replicate;
    request.look = *look;
    request.timeScale = conversionFactor(design.timeUnit, *unit);
    request.unitName = unit->name;
    return request;
}

// Why a look the simulation did not run is not there, and which ones it ran.
void explainMissingLook(const DesignSettings& design, const DumpRequest& request,
                        const TrialOutcome& outcome, const std::vector<LookTrace>& trace,
                        std::ostream& err) {
    const int looks = scheduledLookCount(design);
    if (request.look > looks) {
        err << formatted("There is no look (%d): the design has %d looks.\n", request.look, looks);
    } else if (outcome.stopLook > 0 && request.look > outcome.stopLook) {
        err << formatted("Look (%d) was not reached: this trial stopped at look %d.\n",
                         request.look, outcome.stopLook);
    } else {
        err << formatted(
            "Look (%d) was skipped by the run-in: fewer than %d outcomes were "
            "known.\n",
            request.look, design.minCompleted);
    }
    err << "Looks run in this trial:";
    for (const LookTrace& look : trace) {
        err << ' ' << look.look;
    }
    err << (trace.empty() ? " none" : "") << '\n';
}

// quillmere computes with the prior 1/lambda and the range [0.001, 100] per
// time unit; a look analysed otherwise cannot be replayed with it.
void explainUnreplayableDesign(const DesignSettings& design, std::ostream& err) {
    err << "dump refuses this design: quillmere computes with the hazard prior 1/lambda "
           "(HazardPriorShape = 0) and the range [0.001, 100] per time unit (HazardRange = "
           "unit), but this design sets";
    if (design.hazardPriorShape != 0.0) {
        err << formatted(" HazardPriorShape = %g", design.hazardPriorShape);
    }
    if (design.hazardRange != HazardRange::Unit) {
        err << (design.hazardPriorShape != 0.0 ? " and" : "")
            << " HazardRange = " << hazardRangeName(design.hazardRange);
    }
    err << ". quillmere run on the files of a look would not give the decision and "
           "probability the simulation used.\n";
}

// quillmere imputes the pending outcomes; a look of another method cannot be
// replayed with it.
void explainOtherMethod(const DesignSettings& design, std::ostream& err) {
    err << "dump refuses this design: it writes quillmere's input files so that quillmere "
           "replays a look, and quillmere imputes the pending outcomes, so only the looks of "
           "Method = imputation can be replayed with it. This design sets Method = "
        << lateOutcomeMethodName(design.method)
        << ", whose looks decide on Beta(0.1 + events, 0.2 + non-events) without quillmere.\n";
}

}  // namespace

int runDumpCommand(const CommandContext& context) {
    const CommandLine& line = context.line;
    const std::optional<DesignSettings> design = loadDesign(line, context.err);
    if (!design) {
        return 1;
    }
    if (design->method != LateOutcomeMethod::Imputation) {
        explainOtherMethod(*design, context.err);
        return 1;
    }
    if (!replayableWithQuillmere(*design)) {
        explainUnreplayableDesign(*design, context.err);
        return 1;
    }
    const std::optional<DumpRequest> request = dumpRequest(line, *design, context.err);
    if (!request) {
        return 1;
    }
    const SimulationPlan plan{*design, request->timeScale};
    const AnalysisSettings settings = analysisSettings(plan);
    const std::string directory = line.options.at("to");
    const ConsoleFileNames names = consoleFileNames(design->eventType);
    StagedResults staged({directory,
                          {"dump", designFingerprint(*design), {names.configFile, names.dataFile}},
                          line.force,
                          {line.designFile}});
    if (!outputReady(context, staged)) {
        return 1;
    }
    std::vector<TrialData> work(1);
    std::vector<LookTrace> trace;
    const TrialOutcome outcome =
        simulateTrial(plan, request->scenario - 1, request->replicate - 1, work[0], &trace);
    const auto look = std::find_if(trace.begin(), trace.end(), [&](const LookTrace& traced) {
        return traced.look == request->look;
    });
    if (look == trace.end()) {
        explainMissingLook(*design, *request, outcome, trace, context.err);
        return 1;
    }
    if (const std::optional<int> status = finishResults(
            context, staged, lookFiles(settings, look->snapshot.patients), directory)) {
        return *status;
    }
    context.out << formatted(
        "Look %d of replicate %d, scenario %d (true rate %g), in %s: %d "
        "patients enrolled, %d pending, at time %g.\n",
        request->look, request->replicate, request->scenario,
        design->trueRates[request->scenario - 1], request->unitName.c_str(),
        look->snapshot.enrolled, look->snapshot.pending, look->snapshot.time);
    context.out << "Written " << names.configFile << " and " << names.dataFile << " into "
                << directory << "; run quillmere " << names.answer << " there.\n";
    context.out << "The simulation used: "
                << consoleResultLine(design->eventType, design->rateBound,
                                     look->result.reportedProbability)
                << " -> " << (look->result.terminate ? "TERMINATE" : "CONTINUE") << '\n';
    return 0;
}

}  // namespace quillmere
