// Fuzzes the design file reader with its validation through readDesignText,
// the function the design tool reads its design file with. A design it
// accepts must be one the simulation can run: a sound rule, a schedule with
// a look the run-in can reach, and for each scenario a first replicate whose
// arrivals are finite and increasing and whose patients all have follow-up
// at every look.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <stdexcept>
#include <string>

#include "config/trial_settings.h"
#include "design/cohort.h"
#include "design/design_settings.h"
#include "design/look_schedule.h"
#include "fuzz/fuzz_support.h"
#include "trial/trial_data.h"

namespace {

using quillmere::DesignSettings;

void checkRule(const DesignSettings& design) {
    QUILLMERE_FUZZ_REQUIRE(design.rateBound > 0 && design.rateBound < 1);
    QUILLMERE_FUZZ_REQUIRE(!quillmere::rateBoundLimitProblem(design.rateBound));
    QUILLMERE_FUZZ_REQUIRE(design.cutoffProbability > 0 && design.cutoffProbability < 1);
    QUILLMERE_FUZZ_REQUIRE(!quillmere::evaluationWindowLimitProblem(design.maxEvaluationWindow));
}

void checkSchedule(const DesignSettings& design) {
    using namespace quillmere;
    QUILLMERE_FUZZ_REQUIRE(design.maxPatients >= 2 && design.maxPatients <= maxPatients);
    QUILLMERE_FUZZ_REQUIRE(design.firstLook >= 1 && design.firstLook < design.maxPatients);
    QUILLMERE_FUZZ_REQUIRE(design.lookEvery >= 1);
    const int looks = scheduledLookCount(design);
    QUILLMERE_FUZZ_REQUIRE(looks >= 1);
    QUILLMERE_FUZZ_REQUIRE(enrolledAtLook(design, looks) < design.maxPatients);
    QUILLMERE_FUZZ_REQUIRE(design.minCompleted >= 0 &&
                           design.minCompleted <= enrolledAtLook(design, looks));
    QUILLMERE_FUZZ_REQUIRE(std::isfinite(design.accrualRate) && design.accrualRate > 0);
    QUILLMERE_FUZZ_REQUIRE(design.trials >= 1 && !design.trueRates.empty());
    QUILLMERE_FUZZ_REQUIRE(design.eventTimeShape >= 0.1 && design.eventTimeShape <= 10);
}

void checkFirstReplicates(const DesignSettings& design) {
    using namespace quillmere;
    const std::size_t scenarios = std::min<std::size_t>(design.trueRates.size(), 3);
    for (std::size_t s = 0; s < scenarios; ++s) {
        const double rate = design.trueRates[s];
        QUILLMERE_FUZZ_REQUIRE(rate > 0 && rate < 1);
        RandomStream stream = replicateStream(design.seed, static_cast<int>(s), 0);
        const std::vector<SimulatedPatient> cohort = simulateCohort(design, rate, stream);
        for (std::size_t i = 0; i < cohort.size(); ++i) {
            QUILLMERE_FUZZ_REQUIRE(std::isfinite(cohort[i].arrivalTime));
            QUILLMERE_FUZZ_REQUIRE(i == 0 || cohort[i].arrivalTime > cohort[i - 1].arrivalTime);
            QUILLMERE_FUZZ_REQUIRE(cohort[i].eventTime > 0);  // infinite: no event
        }
        for (int look = 1; look <= scheduledLookCount(design); ++look) {
            try {
                const LookSnapshot snapshot =
                    takeSnapshot(cohort, enrolledAtLook(design, look), design.maxEvaluationWindow);
                QUILLMERE_FUZZ_REQUIRE(snapshot.pending + snapshot.completed == snapshot.enrolled);
            } catch (const std::runtime_error&) {
                QUILLMERE_FUZZ_REQUIRE(!"a patient without follow-up at a look");
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    std::istringstream text(std::string(reinterpret_cast<const char*>(bytes), size));
    std::ostringstream messages;
    const std::optional<DesignSettings> design = quillmere::readDesignText(text, messages);
    if (!design) {
        // Every refusal says why.
        QUILLMERE_FUZZ_REQUIRE(!messages.str().empty());
        return 0;
    }
    QUILLMERE_FUZZ_REQUIRE(messages.str().empty());
    checkRule(*design);
    checkSchedule(*design);
    checkFirstReplicates(*design);
    return 0;
}
