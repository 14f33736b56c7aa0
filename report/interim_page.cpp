// The interim analysis page: its frame, the rule and the data, the
// follow-up and quillmere's decision.
#include "design/design_settings.h"
#include "design/text_format.h"
#include "report/interim_sections.h"

namespace quillmere {
namespace {

// Screen and print alike: nothing wider than the page, figures and tables
// not split across a page, A4 margins.
const char* const style =
    "body{font-family:sans-serif;max-width:60em;margin:2em auto;padding:0 1em;color:#222;"
    "line-height:1.4}h1{font-size:1.5em}h2{font-size:1.2em;border-bottom:1px solid #ccc;"
    "margin-top:2em;break-after:avoid}table{border-collapse:collapse;margin:1em 0}"
    "th,td{border:1px solid #bbb;padding:.2em .6em;text-align:left;vertical-align:top}"
    "th{background:#eee}td.n{text-align:right}code,pre{font-family:monospace}"
    "pre{background:#f6f6f6;padding:.8em;white-space:pre-wrap;overflow-wrap:break-word}"
    ".caution{border-left:4px solid #c60;background:#fff4e6;padding:.5em 1em}"
    ".decision{font-size:1.15em;font-weight:bold}figure{margin:1em 0;break-inside:avoid}"
    "svg{max-width:100%;height:auto}tr{break-inside:avoid}#checksums "
    "code{font-size:.8em;overflow-wrap:anywhere}"
    "@page{size:A4;margin:14mm}@media print{body{margin:0;max-width:none}"
    "pre{background:none;border:1px solid #ccc}}";

std::string eventWord(EventType eventType) {
    return eventType == EventType::DiseaseProgression ? "disease progression"
                                                      : eventTypeName(eventType);
}

void writePendingTable(std::ostream& out, const InterimReport& report) {
    const double window = report.input.rule.maxEvaluationWindow;
    out << "<table id=\"pending\"><tr><th>pending patient</th><th>follow-up</th>"
           "<th>left of the window</th></tr>\n";
    for (const PatientObservation& patient : report.input.patients) {
        if (patient.eventIndicator == 0 && patient.followUp < window) {
            out << "<tr><td>" << markupEscaped(patient.id) << "</td><td class=\"n\">"
                << roundTripText(patient.followUp) << "</td><td class=\"n\">"
                << formatted("%g", window - patient.followUp) << "</td></tr>\n";
        }
    }
    out << "</table>\n";
}

}  // namespace

std::string interimProbabilityText(const MonitoringRule& rule) {
    const std::string bound = roundTripText(rule.rateBound);
    switch (rule.eventType) {
        case EventType::Toxicity:
            return "Pr(toxicity rate > " + bound + ")";
        case EventType::Efficacy:
            return "Pr(efficacy rate < " + bound + ")";
        default:
            return "Pr(progression-free rate < " + bound + ")";
    }
}

std::string adviceText(EventType eventType, bool terminate) {
    if (!terminate) {
        return "CONTINUE the trial";
    }
    return eventType == EventType::Toxicity ? "TERMINATE the trial due to safety"
                                            : "TERMINATE the trial due to futility";
}

std::string exactCell(const std::string& shown, double value) {
    return "<td class=\"n\" data-exact=\"" + roundTripText(value) + "\">" + shown + "</td>";
}

void writeRuleSection(std::ostream& out, const InterimReport& report) {
    const MonitoringRule& rule = report.input.rule;
    const TrialFacts& facts = report.facts;
    out << "<h2 id=\"rule\">The monitoring rule and the data</h2>\n<p>The trial monitors "
        << eventWord(rule.eventType)
        << ". Each patient's outcome is known once the event is "
           "observed or the patient has been followed for the evaluation window of "
        << roundTripText(rule.maxEvaluationWindow)
        << " (in the time unit of the data file, which the files do not name). quillmere "
           "imputes the outcomes of the patients still inside their window and reports "
        << markupEscaped(interimProbabilityText(rule))
        << " under a Beta(0.1, 0.2) prior. It advises to terminate the trial "
        << (rule.eventType == EventType::Toxicity ? "for safety" : "for futility")
        << " when this probability exceeds the cut-off " << roundTripText(rule.cutoffProbability)
        << ", and otherwise to continue.</p>\n";
    out << "<table id=\"facts\"><tr><th>patients</th><td class=\"n\">" << facts.patients
        << "</td></tr>\n<tr><th>events observed</th><td class=\"n\">" << facts.events
        << "</td></tr>\n<tr><th>followed for the whole window without an event</th>"
           "<td class=\"n\">"
        << facts.completeNonEvents
        << "</td></tr>\n<tr><th>pending (inside the window, no event yet)</th><td class=\"n\">"
        << facts.pending << "</td></tr>\n<tr><th>latest enrolment</th><td>"
        << markupEscaped(facts.latestId) << ", followed for " << roundTripText(facts.latestFollowUp)
        << "</td></tr>\n</table>\n";
    if (facts.pending > 0) {
        writePendingTable(out, report);
    }
}

void writeFollowUpSection(std::ostream& out, const InterimReport& report) {
    const AnalysisResult& fixed = report.study.fixed;
    out << "<h2 id=\"follow-up\">Follow-up</h2>\n<p>Each line runs from a patient's enrolment "
           "to the time followed so far; a cross marks an event, the dashed line the end of the "
           "window, an arrowhead a follow-up that goes on beyond twice the window.";
    if (fixed.uninformedFrom) {
        out << " The shaded band is the part of the window in which no patient has been "
               "followed.";
    }
    out << "</p>\n";
    if (fixed.uninformedFrom) {
        out << "<p class=\"caution\" id=\"prior-only\">"
            << markupEscaped(
                   priorOnlyWarning(*fixed.uninformedFrom, report.input.rule.maxEvaluationWindow))
            << "</p>\n";
    }
    writeFollowUpCharts(out, report.input, fixed);
}

void writeDecisionSection(std::ostream& out, const InterimReport& report) {
    const MonitoringRule& rule = report.input.rule;
    const AnalysisResult& fixed = report.study.fixed;
    out << "<h2 id=\"decision\">The decision</h2>\n<p>Exactly as quillmere computes it on these "
           "files (its fixed random streams). quillmere's report gives:</p>\n<pre "
           "id=\"quillmere-lines\">"
        << markupEscaped(quillmereResultLine(rule, fixed.reportedProbability)) << '\n'
        << markupEscaped(quillmereComparison(rule, fixed.terminate)) << "</pre>\n";
    out << "<table><tr><th>" << markupEscaped(interimProbabilityText(rule))
        << "</th><td class=\"n\" id=\"probability\">" << roundTripText(fixed.reportedProbability)
        << "</td></tr>\n<tr><th>cut-off</th><td class=\"n\">"
        << roundTripText(rule.cutoffProbability)
        << "</td></tr>\n<tr><th>advice</th><td class=\"decision\" id=\"advice\">"
        << adviceText(rule.eventType, fixed.terminate) << "</td></tr>\n</table>\n<p>The "
        << "probability is given to full precision: the shortest decimal that reads back as "
           "exactly the number quillmere compared with the cut-off.</p>\n";
}

void writeInterimPage(std::ostream& out, const InterimReport& report,
                      const InterimPageSource& source) {
    const std::string event = eventWord(report.input.rule.eventType);
    out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>Interim "
           "analysis: "
        << event << "</title>\n<style>" << style << "</style>\n</head>\n<body>\n<h1>Interim "
        << "analysis of " << event << "</h1>\n";
    writeRuleSection(out, report);
    writeFollowUpSection(out, report);
    writeDecisionSection(out, report);
    writeFirmnessSection(out, report);
    writeSensitivitySection(out, report);
    writeReproducibilitySection(out, report, source);
    out << "</body>\n</html>\n";
}

}  // namespace quillmere
