#pragma once

#include <vector>

#include "design/design_settings.h"
#include "design/random_stream.h"

namespace quillmere {

// One simulated patient: when they enrol and how long after enrolment their
// event would happen (beyond the window when they have none within it).
struct SimulatedPatient {
    double arrivalTime = 0.0;
    double eventTime = 0.0;
};

// The maxPatients patients a trial could enrol, all drawn up front so that a
// replicate's data do not depend on when the trial stops. Per patient, in
// order: the exponential waiting time since the previous arrival, then the
// Weibull time to event whose probability within the window is `trueRate`.
std::vector<SimulatedPatient> simulateCohort(const DesignSettings& design, double trueRate,
                                             RandomStream& stream);

// The same patients in another time unit: every time multiplied by `factor`.
std::vector<SimulatedPatient> scaledCohort(std::vector<SimulatedPatient> cohort, double factor);

}  // namespace quillmere
