#include "design_cli/report_csv.h"

#include "design/look_schedule.h"
#include "design/text_format.h"

namespace quillmere {

void writeOperatingCsv(std::ostream& out, const std::vector<ScenarioSummary>& summaries) {
    out << "scenario,true_rate,trials,early_stop_probability,early_stop_se,expected_patients,"
           "expected_patients_se,expected_duration,expected_duration_se,mean_looks_run,"
           "mean_pending_per_look,prior_only_look_share,early_stop_ci_low,early_stop_ci_high\n";
    int scenario = 1;
    for (const ScenarioSummary& s : summaries) {
        out << scenario++ << ',' << roundTripText(s.trueRate)
            << formatted(",%d,%.8g,%.8g,%.8g,%.8g,%.8g,%.8g,%.8g,%.8g,%.8g,%.8g,%.8g\n", s.trials,
                         s.earlyStop, s.earlyStopError, s.meanEnrolled, s.meanEnrolledError,
                         s.meanDuration, s.meanDurationError, s.meanLooksRun, s.meanPendingPerLook,
                         s.priorOnlyShare, s.earlyStopInterval.low, s.earlyStopInterval.high);
    }
}

void writeStopByLookCsv(std::ostream& out, const DesignSettings& design,
                        const std::vector<ScenarioSummary>& summaries) {
    out << "scenario,true_rate,look,patients_enrolled,stop_probability,stop_probability_se,"
           "stop_probability_ci_low,stop_probability_ci_high\n";
    int scenario = 1;
    for (const ScenarioSummary& s : summaries) {
        for (int look = 1; look <= scheduledLookCount(design); ++look) {
            const ProportionInterval& interval = s.stopByLookInterval[look - 1];
            out << scenario << ',' << roundTripText(s.trueRate)
                << formatted(",%d,%d,%.8g,%.8g,%.8g,%.8g\n", look, enrolledAtLook(design, look),
                             s.stopByLook[look - 1], s.stopByLookError[look - 1], interval.low,
                             interval.high);
        }
        ++scenario;
    }
}

void writeLateOutcomeCsv(std::ostream& out, const DesignSettings& design,
                         const std::vector<LateOutcomeSummary>& summaries) {
    out << "scenario,true_rate,trials,method,expected_duration,expected_duration_se,"
           "expected_overrun,expected_overrun_se,overrun_share,overrun_share_se,"
           "overrun_share_ci_low,overrun_share_ci_high\n";
    int scenario = 1;
    for (const LateOutcomeSummary& s : summaries) {
        out << scenario++ << ',' << roundTripText(s.trueRate) << ',' << s.trials << ','
            << lateOutcomeMethodName(design.method)
            << formatted(",%.8g,%.8g,%.8g,%.8g,%.8g,%.8g,%.8g,%.8g\n", s.duration.mean,
                         s.duration.error, s.overrun.mean, s.overrun.error, s.overrunShare,
                         s.overrunShareError, s.overrunShareInterval.low,
                         s.overrunShareInterval.high);
    }
}

void writeBoundaryCsv(std::ostream& out, const std::vector<BoundaryRow>& rows) {
    out << "patients,boundary,probability_at_boundary,probability_beside,monotone\n";
    for (const BoundaryRow& row : rows) {
        out << row.patients << ',';
        if (row.boundary) {
            out << *row.boundary << formatted(",%.9g,", row.probabilityAtBoundary);
            if (row.probabilityBeside) {
                out << formatted("%.9g", *row.probabilityBeside);
            }
        } else {
            out << ",,";
        }
        out << ',' << (row.monotone ? "yes" : "no") << '\n';
    }
}

}  // namespace quillmere
