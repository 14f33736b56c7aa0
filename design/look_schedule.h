#pragma once

#include <vector>

#include "design/cohort.h"
#include "design/design_settings.h"

namespace quillmere {

// Looks are numbered from 1. Look l comes just before the enrolment of the
// next patient once firstLook + (l - 1) * lookEvery patients are enrolled;
// there is none once maxPatients are enrolled.
int scheduledLookCount(const DesignSettings& design);
int enrolledAtLook(const DesignSettings& design, int look);

// One patient's record as the data file states it at a look.
struct PatientLine {
    int responseIndicator = 0;
    double timeToEvent = 0.0;
    double followUpTime = 0.0;
};

// What the statistician sees at a look: the patients enrolled so far with
// their follow-up at that moment.
struct LookSnapshot {
    int enrolled = 0;
    double time = 0.0;  // the next patient's arrival
    std::vector<PatientLine> patients;
    int pending = 0;    // no event yet and still inside the window
    int completed = 0;  // event observed or window completed
};

// The snapshot just before patient `enrolled` (counted from 0) arrives. An
// event is observed when it falls within both the window and the follow-up;
// a patient without one is written with the follow-up capped at the window
// as time to event.
LookSnapshot takeSnapshot(const std::vector<SimulatedPatient>& cohort, int enrolled, double window);

// The snapshot just before patient `enrolled` arrives once every enrolled
// patient's outcome is known (the arrival comes after the last outcome): an
// event when it falls within the window. The follow-up is written at least as
// long as the time to event, so that a patient whose window ends at the very
// moment of the look is not taken as pending by a rounding of the difference.
LookSnapshot completeSnapshot(const std::vector<SimulatedPatient>& cohort, int enrolled,
                              double window);

}  // namespace quillmere
