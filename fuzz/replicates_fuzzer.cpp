// Fuzzes the replicate file reader through readReplicateFile, the function
// merge reads shards with, for one fixed design (the seeds in
// fuzz/corpus/replicates are shards of it). Every line it accepts must be an
// outcome the design can give, and the figures summarised from the accepted
// lines must be proportions and intervals that make sense.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "design/look_schedule.h"
#include "design/operating_characteristics.h"
#include "design/replicate_file.h"
#include "fuzz/fuzz_support.h"

namespace {

using quillmere::DesignSettings;

// 12 patients, looks after 4, 6, 8 and 10 once 3 outcomes are known.
const char* const designText =
    "TrialType = Toxicity\nRateBound = 0.3\nCutoffProbability = 0.8\n"
    "MaxEvaluationWindow = 30\nTimeUnit = days\nMaxPatients = 12\nAccrualRate = 0.2\n"
    "FirstLook = 4\nLookEvery = 2\nMinCompleted = 3\nTrueRates = 0.1, 0.6\n"
    "EventTimeShape = 1\nTrials = 6\nSeed = 987654321\n";

const DesignSettings& fuzzedDesign() {
    static const DesignSettings design = [] {
        std::istringstream text(designText);
        std::ostringstream messages;
        return *quillmere::readDesignText(text, messages);
    }();
    return design;
}

void checkSummary(const quillmere::ScenarioSummary& summary) {
    QUILLMERE_FUZZ_REQUIRE(summary.earlyStop >= 0 && summary.earlyStop <= 1);
    QUILLMERE_FUZZ_REQUIRE(summary.earlyStopInterval.low <= summary.earlyStop &&
                           summary.earlyStop <= summary.earlyStopInterval.high);
    QUILLMERE_FUZZ_REQUIRE(std::isfinite(summary.meanEnrolled) &&
                           std::isfinite(summary.meanDuration) && summary.meanDuration >= 0);
    for (std::size_t l = 0; l < summary.stopByLook.size(); ++l) {
        QUILLMERE_FUZZ_REQUIRE(summary.stopByLookInterval[l].low <= summary.stopByLook[l] &&
                               summary.stopByLook[l] <= summary.stopByLookInterval[l].high);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    using namespace quillmere;
    const DesignSettings& design = fuzzedDesign();
    std::istringstream in(std::string(reinterpret_cast<const char*>(bytes), size));
    const ReplicateFileContent content = readReplicateFile(in, "fuzz", design);
    const int scenarios = static_cast<int>(design.trueRates.size());
    std::vector<std::vector<TrialOutcome>> byScenario(scenarios);
    for (const ReplicateLine& line : content.lines) {
        QUILLMERE_FUZZ_REQUIRE(line.scenario >= 1 && line.scenario <= scenarios);
        QUILLMERE_FUZZ_REQUIRE(line.replicate >= 1 && line.replicate <= design.trials);
        QUILLMERE_FUZZ_REQUIRE(!implausibleOutcome(design, line.outcome));
        QUILLMERE_FUZZ_REQUIRE(std::isfinite(line.outcome.duration));
        byScenario[line.scenario - 1].push_back(line.outcome);
    }
    for (int s = 0; s < scenarios; ++s) {
        if (!byScenario[s].empty()) {
            checkSummary(
                summariseScenario(design.trueRates[s], byScenario[s], scheduledLookCount(design)));
        }
    }
    return 0;
}
