#pragma once

#include <array>

#include "trial/event_type.h"

namespace quillmere {

inline constexpr int maxPatients = 500;
inline constexpr int intervalCount = 6;
inline constexpr int patientIdSize = 100;  // 99 characters and the terminating NUL

// The one working record of a run. The console driver fills the input fields,
// the engine adds the exposure table, the hazards and the posterior result.
// Per-patient entries from patientCount on are never read.
struct TrialData {
    std::array<std::array<char, patientIdSize>, maxPatients> patientId{};
    std::array<double, intervalCount> hazard{};
    std::array<double, intervalCount + 1> intervalBound{};
    std::array<std::array<double, intervalCount>, maxPatients> exposure{};
    std::array<double, maxPatients> timeToEvent{};
    std::array<double, maxPatients> followUpTime{};
    std::array<double, maxPatients> observedTime{};
    std::array<std::array<int, intervalCount>, maxPatients> delta{};
    std::array<int, maxPatients> responseIndicator{};
    int patientCount = 0;
    double posteriorResult = 0.0;
    double maxEvaluationWindow = 0.0;
    double rateBound = 0.0;
    double lambda0 = 0.0;

    // The console run's engine steps. Each opens the report file on a stream
    // of its own (and ends the run if it cannot), then calls the engine.
    // Defined by the console driver; other tools call the engine directly.
    int computeExposures();
    int runImputationSampler();
};

}  // namespace quillmere
