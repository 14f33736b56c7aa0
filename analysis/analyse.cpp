// One look's analysis: the record, the engine run and the decision.
#include <algorithm>
#include <memory>
#include <sstream>

#include "analysis/analysis.h"
#include "engine/engine.h"
#include "engine/pending_patient.h"
#include "numeric/arms_sampler.h"
#include "trial/decision.h"
#include "trial/trial_record.h"

namespace quillmere {

AnalysisError samplerFailure(int code) {
    const EnvelopeCheck check = envelopeCheckOfCode(code);
    if (check != EnvelopeCheck::Passed) {
        const EnvelopeCheckReport report = envelopeCheckReport(check);
        std::ostringstream text;
        text << "Sampling envelope check failed (exit status " << report.exitStatus
             << "): " << report.finding << '\n';
        return {AnalysisErrorKind::EnvelopeCheck, report.exitStatus, code, text.str(),
                ConsoleStream::Error};
    }
    return {AnalysisErrorKind::Sampler, exitReportOrSampler, code,
            "error code (beta0): " + std::to_string(code) + "\n", ConsoleStream::Output};
}

namespace {

void countPatients(const TrialData& data, AnalysisResult& result) {
    result.patientCount = data.patientCount;
    for (int i = 0; i < data.patientCount; ++i) {
        result.eventCount += data.responseIndicator[i];
        result.pendingCount += isPendingPatient(data, i) ? 1 : 0;
    }
}

}  // namespace

void fillTrialRecord(TrialData& data, const AnalysisInput& input) {
    const MonitoringRule& rule = input.rule;
    const bool inWindows = rule.hazardRange == HazardRange::Window;
    const auto recordTime = [&](double time) {
        return inWindows ? time / rule.maxEvaluationWindow : time;
    };
    const double window = inWindows ? 1.0 : rule.maxEvaluationWindow;
    data.maxEvaluationWindow = window;
    data.rateBound = rule.rateBound;
    data.lambda0 = lambda0For(rule.eventType, rule.rateBound, window);
    data.patientCount = static_cast<int>(input.patients.size());
    for (int i = 0; i < data.patientCount; ++i) {
        const PatientObservation& patient = input.patients[i];
        std::array<char, patientIdSize>& id = data.patientId[i];
        const std::size_t length = std::min(patient.id.size(), id.size() - 1);
        std::copy_n(patient.id.begin(), length, id.begin());
        id[length] = '\0';
        data.responseIndicator[i] = patient.eventIndicator;
        data.timeToEvent[i] = recordTime(patient.eventTime);
        data.followUpTime[i] = recordTime(patient.followUp);
        data.observedTime[i] = observedTimeFor(patient.eventIndicator, data.timeToEvent[i],
                                               data.followUpTime[i], window);
    }
    prepareRecord(data);
}

AnalysisOutcome analyseFilledRecord(TrialData& data, const MonitoringRule& rule,
                                    EngineState& state) {
    configureHazardModel(state, rule);
    computeExposureTable(data);
    const std::optional<int> uninformed = firstUninformedInterval(data);
    const int code = runGibbsImputation(data, rule.eventType, state);
    if (code != 0) {
        return samplerFailure(code);
    }
    AnalysisResult result;
    result.posteriorResult = data.posteriorResult;
    result.reportedProbability = reportedProbability(rule.eventType, data.posteriorResult);
    result.terminate = advisesTermination(result.reportedProbability, rule.cutoffProbability);
    if (uninformed) {
        result.uninformedFrom = intervalBoundFor(rule.maxEvaluationWindow, *uninformed);
    }
    result.hazards = data.hazard;
    if (rule.hazardRange == HazardRange::Window) {
        for (double& hazard : result.hazards) {
            hazard /= rule.maxEvaluationWindow;  // per window to per unit of the data
        }
    }
    countPatients(data, result);
    result.notes.assign(state.numericNotes.begin(), state.numericNotes.end());
    state.numericNotes.clear();
    return result;
}

AnalysisOutcome analyse(const AnalysisInput& input) {
    if (std::optional<AnalysisError> problem = checkAnalysisInput(input)) {
        return *std::move(problem);
    }
    // The record is large; each analysis keeps its own off the stack.
    const auto data = std::make_unique<TrialData>();
    fillTrialRecord(*data, input);
    EngineState state;
    return analyseFilledRecord(*data, input.rule, state);
}

std::string priorOnlyWarning(double uninformedFrom, double maxEvaluationWindow) {
    std::ostringstream text;
    text << "WARNING: no patient has been followed beyond time " << uninformedFrom
         << " of the evaluation window (" << maxEvaluationWindow
         << "). From that time on the data say nothing: the outcomes imputed for pending "
            "patients, and so the probability, rest on the prior there.";
    return text.str();
}

}  // namespace quillmere
