#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "analysis/analysis_types.h"
#include "design/late_outcome_method.h"
#include "design/time_units.h"
#include "trial/event_type.h"

namespace quillmere {

// A trial design: the monitoring rule as quillmere applies it, the enrolment
// and look schedule, and the simulation scenarios.
struct DesignSettings {
    // The monitoring rule, with the same meaning as in quillmere's configuration.
    EventType eventType = EventType::Toxicity;
    double rateBound = 0.0;
    double cutoffProbability = 0.0;
    double maxEvaluationWindow = 0.0;
    TimeUnit timeUnit{"days", 24.0};

    // Enrolment and looks.
    int maxPatients = 0;
    double accrualRate = 0.0;  // mean patients per time unit (Poisson arrivals)
    int firstLook = 0;         // patients enrolled before the first look
    int lookEvery = 0;         // a look before every k-th further enrolment
    int minCompleted = 0;      // no look before this many outcomes are known

    // Simulation scenarios: probabilities of the event within the window.
    std::vector<double> trueRates;
    double eventTimeShape = 1.0;  // Weibull shape of the time to event
    int trials = 1000;
    std::uint64_t seed = 0;

    // Calibration of the cut-off (optional): a true rate at which stopping
    // is an error, and the largest acceptable probability of stopping there.
    std::optional<double> calibrationRate;
    std::optional<double> maxErrorStop;
    // The hazard model of the analysis (see MonitoringRule). The defaults
    // are quillmere's own computation; any other choice gives results that
    // quillmere does not reproduce.
    double hazardPriorShape = 0.0;
    HazardRange hazardRange = HazardRange::Unit;
    // How the rule treats outcomes still unknown at a look; every method
    // sees the same patients. Imputation is quillmere's rule; the hazard
    // model applies to it alone.
    LateOutcomeMethod method = LateOutcomeMethod::Imputation;
};

// Whether quillmere, run on a look's data, computes what the design's
// analysis does: the rule imputes, with the program's own hazard model.
bool replayableWithQuillmere(const DesignSettings& design);

// Whether the design's hazard model is quillmere's (whatever the method).
bool hasConsoleHazardModel(const DesignSettings& design);

// Reads and validates a design file. On any problem writes one line per
// problem to `messages` and returns nothing.
std::optional<DesignSettings> readDesignFile(const std::string& fileName, std::ostream& messages);

// The same for the text of a design file.
std::optional<DesignSettings> readDesignText(std::istream& text, std::ostream& messages);

// Every value that determines the simulated replicates, as one line of text
// that round-trips the numbers; shard files carry it so that only shards of
// the same design are merged.
std::string designFingerprint(const DesignSettings& design);

// "toxicity", "efficacy" or "disease progression".
std::string eventTypeName(EventType eventType);

}  // namespace quillmere
