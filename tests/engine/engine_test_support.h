#pragma once

// Building trial records for the engine tests the way the console driver does,
// without linking the driver: the derived quantities (observed time, interval
// bounds, prior hazard) are restated here from their definitions.
#include <bit>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/engine.h"

namespace quillmere::testing {

struct PatientEntry {
    std::string id;
    int responseIndicator = 0;
    double timeToEvent = 0.0;
    double followUpTime = 0.0;
};

struct TrialInput {
    EventType eventType = EventType::Toxicity;
    double rateBound = 0.3;
    double maxEvaluationWindow = 90.0;
    std::vector<PatientEntry> patients;
};

// A record filled and prepared as the driver leaves it before the engine
// runs (the exposure table not yet computed).
std::unique_ptr<TrialData> preparedRecord(const TrialInput& input);

// The same, with the exposure table computed.
std::unique_ptr<TrialData> recordWithExposures(const TrialInput& input);

// Reads a trial directory: its one configuration file and the data file it
// names.
TrialInput loadTrialDirectory(const std::filesystem::path& directory);

// One of the reference trial directories under tests/data/reference-runs.
TrialInput loadReferenceTrial(const std::string& name);

// Runs the imputation sampler on a fresh engine state and returns the record.
std::unique_ptr<TrialData> runFresh(const TrialInput& input);

// I_x(a, b) in double precision from the hypergeometric series
// x^a (1-x)^b / (a B(a,b)) * sum_n [(a+b)_n / (a+1)_n] x^n, independent of the
// continued fraction the engine uses.
double regularisedIncompleteBeta(double x, double a, double b);

// The bits of a double, to compare results exactly (and tell -0 from +0).
inline std::uint64_t bitsOf(double value) {
    return std::bit_cast<std::uint64_t>(value);
}

// Shorthands for patient entries: an observed event, a patient followed to
// the end without one, and a pending patient followed for the given time.
PatientEntry eventAt(double time);
PatientEntry completeWithoutEvent(double window);
PatientEntry pendingFor(double followUp);

}  // namespace quillmere::testing
