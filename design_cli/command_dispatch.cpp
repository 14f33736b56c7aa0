#include <thread>

#include "design_cli/commands.h"

#ifndef QUILLMERE_VERSION
#define QUILLMERE_VERSION "unknown"
#endif

namespace quillmere {
namespace {

struct Command {
    CommandSyntax syntax;
    int (*run)(const CommandContext&);
};

const OptionSyntax threadsOptionSyntax{"threads", "T", "worker threads, 1 to 256 (default: cores)"};

const OptionSyntax outOptionSyntax{"out", "DIR", "output directory (default: current directory)"};

const std::vector<Command>& commandTable() {
    static const std::vector<Command> table = {
        {{"boundaries",
          "the event counts at which the rule stops, with every outcome known",
          "For n = 1..N patients with every outcome known: the event count at which the rule\n"
          "advises termination, with the probability at the boundary and one count beside it.\n"
          "Printed, and written to DIR/boundaries.csv.\n\n"
          "Results are written as a set: DIR is checked before any work starts, and the\n"
          "files replace earlier ones only once all are written. Results of another kind\n"
          "or design in DIR are replaced only with --force.",
          {outOptionSyntax},
          {},
          "",
          "",
          true,
          "DESIGN_FILE",
          "design file"},
         runBoundariesCommand},
        {{"simulate",
          "operating characteristics by simulation (or one shard of replicates)",
          "Simulates every scenario of the design with the quillmere engine at each look (or\n"
          "the design's Method) and reports how often the trial stops early, how many\n"
          "patients it enrols, how long it lasts and how many it enrols after the data\n"
          "justified stopping, with Monte Carlo errors. Writes into DIR: replicates.csv,\n"
          "operating_characteristics.csv, stopping_by_look.csv, operating_characteristics.svg,\n"
          "stopping_by_look.svg, late_outcomes.csv and late_outcomes.svg. With --replicates\n"
          "A-B only those replicates are simulated and written to DIR/replicates.csv, a shard\n"
          "for the merge command.\n\n"
          "The results are the same for any number of threads and any split into shards.\n"
          "DIR is checked before the simulation starts; the files replace earlier ones\n"
          "only once all are written, so an interrupted run (Ctrl-C) leaves DIR as it was.\n"
          "Results of another kind or design in DIR are replaced only with --force.",
          {threadsOptionSyntax,
           outOptionSyntax,
           {"replicates", "A-B", "simulate only replicates A to B (counted from 1): a shard"}},
          {},
          "",
          "",
          true,
          "DESIGN_FILE",
          "design file"},
         runSimulateCommand},
        {{"calibrate",
          "P(early stop), patients and duration for every cut-off from one simulation",
          "Simulates CalibrationRate and every TrueRates scenario with every look of every\n"
          "trial run to the end, and stores each look's probability (calibration_looks.csv).\n"
          "As a look's probability does not depend on the cut-off, this gives for every\n"
          "cut-off c exactly what simulate gives with CutoffProbability = c. Reports the\n"
          "smallest cut-off whose probability of early stopping at CalibrationRate is at\n"
          "most MaxErrorStop, and writes calibration.csv (every cut-off at which a figure\n"
          "changes) and calibration.svg into DIR. With --replicates A-B only those\n"
          "replicates are simulated: a shard for the merge command.",
          {threadsOptionSyntax,
           outOptionSyntax,
           {"replicates", "A-B", "simulate only replicates A to B (counted from 1): a shard"}},
          {},
          "",
          "",
          true,
          "DESIGN_FILE",
          "design file"},
         runCalibrateCommand},
        {{"merge",
          "combine shards into the results of one simulation or calibration",
          "Combines the replicates.csv of shards simulated with --replicates into the same\n"
          "files as one simulate run, byte for byte; or, when every shard holds a\n"
          "calibration_looks.csv (and no replicates.csv), the shards of a calibration into\n"
          "the same files as one calibrate run. Every replicate must be given exactly\n"
          "once, by shards of this very design; every line is checked for plausibility.\n"
          "DIR is never one of the shards.",
          {{"out", "DIR", "output directory (required)"}},
          {"out"},
          "SHARD_DIR",
          "shard directories (or their replicates.csv files)",
          true,
          "DESIGN_FILE",
          "design file"},
         runMergeCommand},
        {{"dump",
          "write one simulated look as quillmere's input files",
          "Writes the configuration and patient data file of one look of one simulated trial\n"
          "into DIR, so that quillmere run there gives exactly the probability and decision\n"
          "the simulation used, and prints what the simulation used. Only looks of\n"
          "Method = imputation can be replayed with quillmere.",
          {{"scenario", "S", "the scenario (true rate), from 1"},
           {"replicate", "R", "the replicate, from 1"},
           {"look", "L", "the look, from 1"},
           {"to", "DIR", "directory for the two files"},
           {"unit", "U", "hours, days, weeks, months or years"}},
          {"scenario", "replicate", "look", "to"},
          "",
          "",
          true,
          "DESIGN_FILE",
          "design file"},
         runDumpCommand},
        {{"units",
          "the same design with its times written in other time units",
          "Simulates the same replicates with every time written in several units (the\n"
          "design's own unit is always included and is the reference) and writes units.csv\n"
          "and units.svg into DIR. With --same-looks N it also analyses the looks the design's\n"
          "unit runs in the first N trials per rate in every unit (units_same_looks.csv).",
          {{"units", "LIST", "units (default: hours,days,weeks,months)"},
           threadsOptionSyntax,
           {"trials", "T", "trials per scenario (default: Trials)"},
           {"same-looks", "N", "compare the looks of N trials per rate"},
           outOptionSyntax},
          {},
          "",
          "",
          true,
          "DESIGN_FILE",
          "design file"},
         runUnitsCommand},
        {{"compare",
          "two rules on the same replicates, paired",
          "Simulates the design of DESIGN_FILE and that of OTHER_FILE on the same replicates\n"
          "(the two files may differ only in the rule, the hazard model and the Method) and\n"
          "reports, per true rate, every operating characteristic under each with their\n"
          "paired difference and its standard error. Writes compare.csv,\n"
          "compare_stopping.csv (stopping by look) and compare_late_outcomes.csv (duration\n"
          "and overrun) into DIR.",
          {threadsOptionSyntax,
           {"trials", "T", "trials per scenario (default: Trials)"},
           outOptionSyntax},
          {},
          "OTHER_FILE",
          "the second design file",
          true,
          "DESIGN_FILE",
          "design file",
          true},
         runCompareCommand},
        {{"report",
          "the design as one self-contained HTML page for a protocol",
          "Writes one HTML file (inline CSS and SVG, nothing fetched from elsewhere) from the\n"
          "results of boundaries, simulate and, when it was run, calibrate in DIR: the rule\n"
          "in words, the stopping boundaries, the operating characteristics with their\n"
          "intervals, the plots, a caution when the window is long in its time unit, and\n"
          "the program version, design file, seed and commands that rebuild every figure.\n"
          "DIR must hold the replicates.csv of a simulate run of this design.",
          {{"from", "DIR", "the directory of the design's results (required)"},
           {"out", "FILE", "the HTML file (default: report.html)"}},
          {"from"},
          "",
          "",
          true,
          "DESIGN_FILE",
          "design file"},
         runReportCommand},
        {{"stability",
          "how firm an interim decision is: quillmere's analysis with other streams",
          "Reads the trial directory DIR exactly as quillmere does when given this answer\n"
          "(same checks, same messages) and runs its analysis once from quillmere's fixed\n"
          "random streams (the very probability and advice quillmere gives) and then K\n"
          "times with independent streams, run r seeded from --seed and r. Prints the mean\n"
          "probability over the runs with its standard error, the standard deviation of\n"
          "one run's probability and how many runs advise otherwise than quillmere, and\n"
          "writes stability.csv and stability.svg into OUT. Never writes into DIR's\n"
          "summary.txt.",
          {{"answer", "1|2|3", "the event type as quillmere asks it (required)"},
           {"runs", "K", "runs with independent streams, 2 to 1000000 (default: 200)"},
           threadsOptionSyntax,
           {"seed", "S", "seed of the independent streams (default: 1)"},
           {"out", "OUT", "output directory (default: current directory)"}},
          {"answer"},
          "",
          "",
          true,
          "DIR",
          "trial directory"},
         runStabilityCommand},
        {{"interim",
          "the interim analysis report: one self-contained HTML page for the committee",
          "Reads the trial directory DIR exactly as quillmere does when given this answer\n"
          "(same checks, same messages and exit status; summary.txt is neither read nor\n"
          "written) and writes one HTML file (inline CSS and SVG, nothing fetched, printable\n"
          "on A4): the rule and the data, the follow-up of every patient, quillmere's\n"
          "decision, how firm it is (K runs with independent streams, as stability), the\n"
          "decision under the proper hazard prior (shape 1, window range) and any hazard\n"
          "models named, and the checksums and commands that reproduce it. An existing\n"
          "FILE is replaced only with --force, and only once the new page is complete.",
          {{"answer", "1|2|3", "the event type as quillmere asks it (required)"},
           {"runs", "K", "runs with independent streams, 2 to 1000000 (default: 200)"},
           threadsOptionSyntax,
           {"seed", "S", "seed of the independent streams (default: 1)"},
           {"sensitivity", "LIST",
            "more hazard models, SHAPE:RANGE separated by commas (e.g. 0.5:unit,2:window)"},
           {"out", "FILE", "the HTML file (default: interim.html)"}},
          {"answer"},
          "",
          "",
          true,
          "DIR",
          "trial directory"},
         runInterimCommand},
    };
    return table;
}

std::vector<CommandSyntax> commandSyntaxes() {
    std::vector<CommandSyntax> syntaxes;
    for (const Command& command : commandTable()) {
        syntaxes.push_back(command.syntax);
    }
    return syntaxes;
}

const StopRequest& neverStopped() {
    static const StopRequest never{0};
    return never;
}

}  // namespace

std::optional<DesignSettings> loadDesign(const CommandLine& line, std::ostream& err) {
    std::optional<DesignSettings> design = readDesignFile(line.designFile, err);
    if (!design) {
        err << '\n';
    }
    return design;
}

std::optional<int> threadsOption(const CommandLine& line, std::ostream& err) {
    const unsigned cores = std::thread::hardware_concurrency();
    const std::string text = optionOr(line, "threads", std::to_string(cores > 0 ? cores : 1));
    const std::optional<int> threads = parseWholeNumber(text, 1, 256);
    if (!threads) {
        err << "The number of threads (" << text << ") must be a whole number from 1 to 256.\n";
    }
    return threads;
}

std::optional<ReplicateRange> replicatesOption(const CommandLine& line, int trials,
                                               std::ostream& err) {
    const std::string text = optionOr(line, "replicates", "1-" + std::to_string(trials));
    const std::size_t dash = text.find('-');
    const std::optional<int> first = dash == std::string::npos
                                         ? std::nullopt
                                         : parseWholeNumber(text.substr(0, dash), 1, trials);
    const std::optional<int> last = dash == std::string::npos
                                        ? std::nullopt
                                        : parseWholeNumber(text.substr(dash + 1), 1, trials);
    if (!first || !last || *first > *last) {
        err << "The replicate range (" << text << ") must be A-B with 1 <= A <= B <= " << trials
            << ".\n";
        return std::nullopt;
    }
    return ReplicateRange{*first - 1, *last - 1};
}

bool outputReady(const CommandContext& context, const StagedResults& staged) {
    if (staged.problem()) {
        context.err << *staged.problem() << '\n';
        return false;
    }
    return true;
}

std::optional<int> finishResults(const CommandContext& context, StagedResults& staged,
                                 const std::vector<ResultFile>& files,
                                 const std::string& directory) {
    writeStagedFiles(staged, files, directory);
    if (context.stop.load() != 0) {
        return reportStopped(context, directory);
    }
    if (const std::optional<std::string> problem = staged.commit()) {
        context.err << *problem << '\n';
        return 1;
    }
    return std::nullopt;
}

int reportStopped(const CommandContext& context, const std::string& directory) {
    context.err << "Stopped before the results were written; (" << directory << ") is as it was.\n";
    return 128 + context.stop.load();
}

int runDesignTool(const std::vector<std::string>& words, std::ostream& out, std::ostream& err,
                  const StopRequest& stop) {
    const CommandRequest request =
        readCommandLine(words, commandSyntaxes(), QUILLMERE_VERSION, out, err);
    if (!request.line) {
        return request.exitStatus;
    }
    for (const Command& command : commandTable()) {
        if (command.syntax.name != request.line->command) {
            continue;
        }
        try {
            return command.run({*request.line, out, err, stop});
        } catch (const std::exception& failure) {
            err << failure.what() << '\n';
            return 1;
        }
    }
    return 1;
}

int runDesignTool(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    return runDesignTool(words, out, err, neverStopped());
}

}  // namespace quillmere
