#include "synthetic_trial.h"

#include <cmath>
#include <random>

namespace quillmere::bench {

namespace {

constexpr double window = 90.0;
constexpr double rateBound = 0.3;

// Uniform on [0, 1) from the raw generator output, which the standard fixes.
double unitUniform(std::mt19937& random) {
    return random() / 4294967296.0;
}

}  // namespace

std::unique_ptr<TrialData> syntheticTrial(int patientCount) {
    auto data = std::make_unique<TrialData>();
    data->maxEvaluationWindow = window;
    data->rateBound = rateBound;
    data->lambda0 = -(std::log(1 - rateBound) / window);
    data->patientCount = patientCount;
    std::mt19937 random(1234567u + patientCount);
    const double eventHazard = -std::log(1 - 0.3) / window;
    for (int i = 0; i < patientCount; ++i) {
        const double followUp = 3 * window * (i + 1) / patientCount;
        const double eventTime = -std::log(1 - unitUniform(random)) / eventHazard;
        const bool event = eventTime <= window && eventTime <= followUp;
        data->responseIndicator[i] = event ? 1 : 0;
        data->timeToEvent[i] = event ? eventTime : std::min(followUp, window);
        data->followUpTime[i] = followUp;
        data->observedTime[i] = event ? eventTime : std::min(followUp, window);
    }
    for (int k = 0; k < intervalCount; ++k) {
        data->intervalBound[k] = window * k / 6.0;
    }
    data->intervalBound[intervalCount] = window;
    return data;
}

}  // namespace quillmere::bench
