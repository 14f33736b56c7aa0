#include "report/report_text.h"

#include "design/look_schedule.h"
#include "design/text_format.h"

namespace quillmere {

std::string ruleProbabilityText(const DesignSettings& design) {
    switch (design.eventType) {
        case EventType::Toxicity:
            return formatted("Pr(toxicity rate > %g)", design.rateBound);
        case EventType::Efficacy:
            return formatted("Pr(efficacy rate < %g)", design.rateBound);
        case EventType::DiseaseProgression:
            return formatted("Pr(progression-free rate < %g)", design.rateBound);
    }
    return "";
}

namespace {

std::string stopReason(EventType eventType) {
    return eventType == EventType::Toxicity ? "safety" : "futility";
}

// "day" for "days": the unit names are plurals ending in s.
std::string oneUnit(const DesignSettings& design) {
    const std::string& name = design.timeUnit.name;
    return name.substr(0, name.size() - 1);
}

}  // namespace

std::string designFacts(const DesignSettings& design) {
    std::string hazardModel;
    if (!hasConsoleHazardModel(design)) {
        hazardModel.append(" ").append(hazardModelText(design)).append(".");
    }
    if (design.method != LateOutcomeMethod::Imputation) {
        hazardModel.append(" ").append(methodText(design)).append(".");
    }
    return formatted(
               "Design: %s, terminate for %s when %s > %g; window %g %s; up to %d patients at %g "
               "per "
               "%s (Poisson); looks after %d patients, then every %d (%d looks), run-in %d "
               "outcomes "
               "known; Weibull shape %g; %d trials per rate, seed %llu.",
               eventTypeName(design.eventType).c_str(), stopReason(design.eventType).c_str(),
               ruleProbabilityText(design).c_str(), design.cutoffProbability,
               design.maxEvaluationWindow, design.timeUnit.name.c_str(), design.maxPatients,
               design.accrualRate, oneUnit(design).c_str(), design.firstLook, design.lookEvery,
               scheduledLookCount(design), design.minCompleted, design.eventTimeShape,
               design.trials, static_cast<unsigned long long>(design.seed)) +
           hazardModel;
}

void writeDesignHeader(std::ostream& out, const DesignSettings& design) {
    const char* unit = design.timeUnit.name.c_str();
    out << "Design: " << eventTypeName(design.eventType) << ", terminate for "
        << stopReason(design.eventType) << " when " << ruleProbabilityText(design) << " > "
        << formatted("%g", design.cutoffProbability) << '\n';
    out << formatted("Window %g %s; up to %d patients arriving at %g per %s (Poisson)\n",
                     design.maxEvaluationWindow, unit, design.maxPatients, design.accrualRate,
                     oneUnit(design).c_str());
    out << formatted(
        "Looks before the next enrolment after %d patients, then every %d (%d looks); "
        "run-in: %d outcomes known\n",
        design.firstLook, design.lookEvery, scheduledLookCount(design), design.minCompleted);
    out << formatted("Time to event: Weibull, shape %g; %d trials per scenario, seed %llu\n",
                     design.eventTimeShape, design.trials,
                     static_cast<unsigned long long>(design.seed));
    out << "True rate: probability of the " << eventTypeName(design.eventType)
        << " event within the window\n";
    writeNotQuillmereNote(out, design);
}

void writeNotQuillmereNote(std::ostream& out, const DesignSettings& design) {
    if (!hasConsoleHazardModel(design)) {
        out << hazardModelText(design)
            << "\n(not quillmere's computation: quillmere does not reproduce these results)\n";
    }
    if (design.method != LateOutcomeMethod::Imputation) {
        out << methodText(design)
            << "\n(not quillmere's rule, which imputes the pending outcomes: quillmere does not "
               "reproduce these results)\n";
    }
}

std::string methodText(const DesignSettings& design) {
    const std::string prefix = "Method: " + lateOutcomeMethodName(design.method) + ", ";
    switch (design.method) {
        case LateOutcomeMethod::Imputation:
            return prefix + "the pending outcomes imputed";
        case LateOutcomeMethod::CompleteCase:
            return prefix +
                   "each look decides on the events and the patients followed for the whole "
                   "window; pending patients are left out";
        case LateOutcomeMethod::Suspension:
            return prefix +
                   "at each look enrolment waits until every enrolled patient's outcome is "
                   "known, then the look decides on complete data";
        case LateOutcomeMethod::Weighted:
            return prefix +
                   "a pending patient without the event counts as the fraction follow-up / "
                   "window of a non-event";
    }
    return prefix;
}

std::string hazardModelText(const DesignSettings& design) {
    const std::string prior =
        design.hazardPriorShape > 0
            ? formatted("gamma prior of shape %g with mean lambda0 in every interval",
                        design.hazardPriorShape)
            : std::string("prior 1/lambda");
    const std::string range =
        design.hazardRange == HazardRange::Window
            ? formatted("lambda*W in [%g, %g]", windowRangeLower, windowRangeUpper)
            : formatted("lambda in [0.001, 100] per %.*s",
                        static_cast<int>(design.timeUnit.name.size()) - 1,
                        design.timeUnit.name.c_str());
    return "Hazard model: " + prior + "; hazards sampled with " + range;
}

void writeOperatingTable(std::ostream& out, const std::vector<ScenarioSummary>& summaries) {
    out << "\n true rate  P(early stop)    (s.e.)      95% interval  E[patients]  (s.e.)"
           "  E[duration]   (s.e.)  looks run  pending/look  prior-only looks\n";
    for (const ScenarioSummary& s : summaries) {
        out << formatted(
            "%10.4g  %13.4f  (%.4f)  [%.4f, %.4f]  %11.2f  (%.2f)  %11.2f  (%6.2f)  %9.2f  %12.2f  "
            "%15.1f%%\n",
            s.trueRate, s.earlyStop, s.earlyStopError, s.earlyStopInterval.low,
            s.earlyStopInterval.high, s.meanEnrolled, s.meanEnrolledError, s.meanDuration,
            s.meanDurationError, s.meanLooksRun, s.meanPendingPerLook, 100 * s.priorOnlyShare);
    }
    out << "(s.e.: Monte Carlo standard error; 95% interval: Wilson score interval, which stays "
           "informative\nwhere the estimate is 0 or 1 and the standard error is 0)\n";
}

void writeStopByLookTable(std::ostream& out, const DesignSettings& design,
                          const std::vector<ScenarioSummary>& summaries) {
    out << "\nStopping probability by look (true rate in the column heads)\n look  enrolled";
    for (const ScenarioSummary& s : summaries) {
        out << formatted("  %9.4g %8s", s.trueRate, "(s.e.)");
    }
    out << '\n';
    for (int look = 1; look <= scheduledLookCount(design); ++look) {
        out << formatted("%5d  %8d", look, enrolledAtLook(design, look));
        for (const ScenarioSummary& s : summaries) {
            out << formatted("  %9.4f %8s", s.stopByLook[look - 1],
                             formatted("(%.4f)", s.stopByLookError[look - 1]).c_str());
        }
        out << '\n';
    }
    if (!summaries.empty()) {
        out << formatted(
            "(a probability estimated as 0 from %d trials has the 95%% interval [0, %.4f];\n"
            "stopping_by_look.csv gives the interval of every look)\n",
            summaries.front().trials, wilsonInterval(0, summaries.front().trials).high);
    }
}

void writeLateOutcomeTable(std::ostream& out, const DesignSettings& design,
                           const std::vector<LateOutcomeSummary>& summaries) {
    out << "\nLate outcomes (method: " << lateOutcomeMethodName(design.method)
        << "): the duration, and the overrun: the patients enrolled\n"
           "after the first look at which the complete outcomes of the patients then enrolled\n"
           "crossed the stopping boundary\n"
           " true rate   E[duration]   (s.e.)  E[overrun]  (s.e.)  P(overrun)  (s.e.)\n";
    for (const LateOutcomeSummary& s : summaries) {
        out << formatted("%10.4g  %12.2f  (%6.2f)  %10.2f  (%.2f)  %10.4f  (%.4f)\n", s.trueRate,
                         s.duration.mean, s.duration.error, s.overrun.mean, s.overrun.error,
                         s.overrunShare, s.overrunShareError);
    }
    out << "(durations in " << design.timeUnit.name
        << "; P(overrun): share of trials that enrolled any patient after that look)\n";
}

void writeBoundaryTable(std::ostream& out, const DesignSettings& design,
                        const std::vector<BoundaryRow>& rows) {
    const bool efficacy = design.eventType == EventType::Efficacy;
    const char* counted = design.eventType == EventType::Toxicity   ? "toxicities"
                          : design.eventType == EventType::Efficacy ? "responses"
                                                                    : "progressions";
    out << "Stopping boundaries with every outcome known: terminate for "
        << stopReason(design.eventType) << " when " << ruleProbabilityText(design) << " > "
        << formatted("%g", design.cutoffProbability) << ",\nthat is when the number of " << counted
        << " among n patients is " << (efficacy ? "at most" : "at least")
        << " the boundary ('-': never).\n\n";
    out << formatted("%5s  %8s  %17s  %17s\n", "n", "boundary", "Pr at boundary",
                     efficacy ? "Pr at one more" : "Pr at one fewer");
    for (const BoundaryRow& row : rows) {
        if (!row.boundary) {
            out << formatted("%5d  %8s\n", row.patients, "-");
            continue;
        }
        std::string beside =
            row.probabilityBeside ? formatted("%17.6g", *row.probabilityBeside) : "";
        out << formatted("%5d  %8d  %17.6g  %s%s\n", row.patients, *row.boundary,
                         row.probabilityAtBoundary, beside.c_str(),
                         row.monotone ? "" : "  (not monotone)");
    }
}

}  // namespace quillmere
