#include "design/cohort.h"

#include <cmath>

namespace quillmere {

std::vector<SimulatedPatient> simulateCohort(const DesignSettings& design, double trueRate,
                                             RandomStream& stream) {
    const double scale =
        weibullScaleFor(trueRate, design.maxEvaluationWindow, design.eventTimeShape);
    std::vector<SimulatedPatient> cohort(design.maxPatients);
    double clock = 0.0;
    for (SimulatedPatient& patient : cohort) {
        const double arrival = clock + exponentialVariate(stream, design.accrualRate);
        // Arrivals strictly increase, so every enrolled patient has positive
        // follow-up at the look before the next enrolment.
        clock = arrival > clock ? arrival : std::nextafter(clock, INFINITY);
        patient.arrivalTime = clock;
        patient.eventTime = weibullVariate(stream, design.eventTimeShape, scale);
    }
    return cohort;
}

std::vector<SimulatedPatient> scaledCohort(std::vector<SimulatedPatient> cohort, double factor) {
    for (SimulatedPatient& patient : cohort) {
        patient.arrivalTime *= factor;
        patient.eventTime *= factor;
    }
    return cohort;
}

}  // namespace quillmere
