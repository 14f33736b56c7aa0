#include "design/look_schedule.h"

#include <algorithm>
#include <stdexcept>

namespace quillmere {

int scheduledLookCount(const DesignSettings& design) {
    if (design.firstLook >= design.maxPatients) {
        return 0;
    }
    return (design.maxPatients - 1 - design.firstLook) / design.lookEvery + 1;
}

int enrolledAtLook(const DesignSettings& design, int look) {
    return design.firstLook + (look - 1) * design.lookEvery;
}

namespace {

PatientLine patientLineAt(const SimulatedPatient& patient, double time, double window) {
    PatientLine line;
    line.followUpTime = time - patient.arrivalTime;
    if (!(line.followUpTime > 0)) {
        throw std::runtime_error("a simulated patient has no follow-up at a look");
    }
    const bool eventSeen = patient.eventTime <= window && patient.eventTime <= line.followUpTime;
    line.responseIndicator = eventSeen ? 1 : 0;
    if (eventSeen) {
        line.timeToEvent = patient.eventTime;
    } else {
        line.timeToEvent = line.followUpTime <= window ? line.followUpTime : window;
    }
    return line;
}

}  // namespace

LookSnapshot takeSnapshot(const std::vector<SimulatedPatient>& cohort, int enrolled,
                          double window) {
    LookSnapshot snapshot;
    snapshot.enrolled = enrolled;
    snapshot.time = cohort.at(enrolled).arrivalTime;
    for (int i = 0; i < enrolled; ++i) {
        const PatientLine line = patientLineAt(cohort[i], snapshot.time, window);
        const bool pending = line.responseIndicator == 0 && line.followUpTime < window;
        snapshot.pending += pending ? 1 : 0;
        snapshot.patients.push_back(line);
    }
    snapshot.completed = enrolled - snapshot.pending;
    return snapshot;
}

LookSnapshot completeSnapshot(const std::vector<SimulatedPatient>& cohort, int enrolled,
                              double window) {
    LookSnapshot snapshot;
    snapshot.enrolled = enrolled;
    snapshot.time = cohort.at(enrolled).arrivalTime;
    for (int i = 0; i < enrolled; ++i) {
        PatientLine line;
        line.responseIndicator = cohort[i].eventTime <= window ? 1 : 0;
        line.timeToEvent = line.responseIndicator == 1 ? cohort[i].eventTime : window;
        line.followUpTime = std::max(snapshot.time - cohort[i].arrivalTime, line.timeToEvent);
        snapshot.patients.push_back(line);
    }
    snapshot.completed = enrolled;
    return snapshot;
}

}  // namespace quillmere
