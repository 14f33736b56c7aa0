#pragma once

#include <memory>

#include "trial/trial_data.h"

namespace quillmere::bench {

// A toxicity trial at an interim look, as the driver leaves the record before
// the engine runs: patients enrolled evenly over three windows' length, so
// that about two thirds have completed their window, one in four with an
// event, and the rest are pending. The same n always gives the same record.
std::unique_ptr<TrialData> syntheticTrial(int patientCount);

}  // namespace quillmere::bench
