#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "design/trial_simulation.h"

namespace quillmere {

// One trial to simulate and where its outcome goes; `trace`, when given,
// receives every look run, as simulateTrial's trace does.
struct TrialTask {
    int scenario = 0;
    int replicate = 0;
    TrialOutcome* outcome = nullptr;
    std::vector<LookTrace>* trace = nullptr;
};

// Where a thread's trials come from: the next one (empty when none is left),
// a note for each one done, and whether to stop at once (another thread
// failed).
struct TrialTasks {
    std::function<std::optional<TrialTask>()> next;
    std::function<void()> done;
    std::function<bool()> stopped;
};

// How far a look's analysis goes when nobody traces the look. PosteriorResult:
// to its probability, as a look analysed alone. Advice: only until the advice
// is certain whatever the rest of the imputation gives (see RunExtent), for
// most looks long before the end; the outcome is the same, but the look has
// no probability then (a traced look always goes to its probability).
enum class LookDepth { PosteriorResult, Advice };

// Simulates trials on the calling thread with up to `lanes` looks under
// analysis at once, one per trial: each lane runs its trial look after look
// and then takes the next trial. The analyses advance together, step by
// step, their announced log-posterior values formed side by side in one
// pass (foreseeTogether), so that the chains of dependent additions of
// several analyses proceed at the same time instead of one after another.
// Every look gives the bits analyseRecord gives, and every outcome the one
// simulateTrial gives. A failed look throws std::runtime_error named by the
// look, as simulateTrial does (a look that stops at its settled advice does
// not run, and so cannot fail in, the sweeps it leaves out).
void simulateTrialsTogether(const SimulationPlan& plan, int lanes, const TrialTasks& tasks,
                            LookDepth depth = LookDepth::Advice);

}  // namespace quillmere
