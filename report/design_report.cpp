#include "report/design_report.h"

#include <cmath>
#include <functional>
#include <sstream>

#include "design/look_schedule.h"
#include "design/text_format.h"
#include "numeric/numeric.h"
#include "report/calibration_report.h"
#include "report/report_svg.h"
#include "report/report_text.h"
#include "report/svg_plot.h"

namespace quillmere {
namespace {

const char* const style =
    "body{font-family:sans-serif;max-width:60em;margin:2em auto;color:#222;line-height:1.4}"
    "h1{font-size:1.5em}h2{font-size:1.2em;border-bottom:1px solid #ccc;margin-top:2em}"
    "table{border-collapse:collapse;margin:1em 0}th,td{border:1px solid #bbb;padding:.2em .6em;"
    "text-align:right}th{background:#eee}pre{background:#f6f6f6;padding:1em;overflow-x:auto}"
    ".caution{border-left:4px solid #c60;background:#fff4e6;padding:.5em 1em}"
    "figure{margin:1em 0}svg{max-width:100%;height:auto}";

std::string stopReason(EventType eventType) {
    return eventType == EventType::Toxicity ? "for safety" : "for futility";
}

// What happens at a look, up to the probability compared with the cut-off.
std::string lookSentence(const DesignSettings& design) {
    const std::string probability = markupEscaped(ruleProbabilityText(design));
    switch (design.method) {
        case LateOutcomeMethod::Imputation:
            break;
        case LateOutcomeMethod::CompleteCase:
            return ", the rule computes " + probability +
                   " under a Beta(0.1, 0.2) prior from the events and the patients followed for "
                   "the whole window, leaving out the patients still inside their window.";
        case LateOutcomeMethod::Suspension:
            return ", enrolment waits until every enrolled patient's outcome is known (the "
                   "wait lengthens the trial), and the rule then computes " +
                   probability + " under a Beta(0.1, 0.2) prior from the complete data.";
        case LateOutcomeMethod::Weighted:
            return ", the rule computes " + probability +
                   " under a Beta(0.1, 0.2) prior, counting each patient still inside the window "
                   "without the event as the fraction follow-up / window of a non-event.";
    }
    return ", the trial statistician runs quillmere on the data. It imputes the outcomes of the "
           "patients still inside their window and reports " +
           probability + " under a Beta(0.1, 0.2) prior.";
}

void writeRule(std::ostream& out, const DesignSettings& design) {
    out << "<h2 id=\"rule\">The monitoring rule</h2>\n<p>Patients are enrolled one at a time, up "
           "to "
        << design.maxPatients << ". Each is followed for an evaluation window of "
        << formatted("%g %s", design.maxEvaluationWindow, design.timeUnit.name.c_str())
        << ". Before the next patient is enrolled once " << design.firstLook
        << " patients are enrolled, and then after every " << design.lookEvery
        << " further patients (" << scheduledLookCount(design) << " looks)";
    if (design.minCompleted > 0) {
        out << ", provided the outcomes of at least " << design.minCompleted
            << " patients are known";
    }
    out << lookSentence(design) << " The trial is terminated " << stopReason(design.eventType)
        << " as soon as this probability exceeds " << roundTripText(design.cutoffProbability)
        << "; otherwise enrolment continues.</p>\n";
    if (!hasConsoleHazardModel(design)) {
        out << "<p class=\"caution\">" << markupEscaped(hazardModelText(design))
            << ". This is not quillmere's computation: quillmere run on a look's data does not "
               "give the probabilities this design was simulated with, so each interim analysis "
               "must use the same hazard model through the Quillmere library.</p>\n";
    }
    if (design.method != LateOutcomeMethod::Imputation) {
        out << "<p class=\"caution\">This is not quillmere's rule, which imputes the outcomes "
               "of the patients still inside their window: the design shows how the "
            << lateOutcomeMethodName(design.method)
            << " method behaves on the same simulated patients, for comparison.</p>\n";
    }
}

void writeBoundaries(std::ostream& out, const DesignSettings& design,
                     const std::vector<BoundaryRow>& rows) {
    const bool efficacy = design.eventType == EventType::Efficacy;
    out << "<h2 id=\"boundaries\">Stopping boundaries</h2>\n<p>With every outcome known: "
        << (efficacy ? "the largest number of responses at which the rule terminates"
                     : "the smallest number of events at which the rule terminates")
        << ", with the probability there.</p>\n<table><tr><th>patients</th><th>boundary</th>"
           "<th>probability at the boundary</th></tr>\n";
    for (const BoundaryRow& row : rows) {
        out << "<tr><td>" << row.patients << "</td><td>"
            << (row.boundary ? std::to_string(*row.boundary) : "never stops") << "</td><td>"
            << (row.boundary ? formatted("%.4f", row.probabilityAtBoundary) : "") << "</td></tr>\n";
    }
    out << "</table>\n";
}

void writeOperatingCharacteristics(std::ostream& out, const DesignSettings& design,
                                   const std::vector<ScenarioSummary>& summaries) {
    out << "<h2 id=\"operating\">Operating characteristics</h2>\n<p>" << design.trials
        << " simulated trials per true rate (seed " << design.seed
        << "). Probabilities with their 95% Wilson interval; means with their Monte Carlo "
           "standard error.</p>\n<table><tr><th>true rate</th><th>P(early termination)</th>"
           "<th>95% interval</th><th>expected patients</th><th>expected duration ("
        << design.timeUnit.name << ")</th></tr>\n";
    for (const ScenarioSummary& s : summaries) {
        out << formatted(
            "<tr><td>%g</td><td>%.4f</td><td>[%.4f, %.4f]</td><td>%.2f (%.2f)</td>"
            "<td>%.2f (%.2f)</td></tr>\n",
            s.trueRate, s.earlyStop, s.earlyStopInterval.low, s.earlyStopInterval.high,
            s.meanEnrolled, s.meanEnrolledError, s.meanDuration, s.meanDurationError);
    }
    out << "</table>\n";
}

void writeFigure(std::ostream& out, const std::string& id, const std::string& caption,
                 const std::function<void(std::ostream&)>& plot) {
    out << "<figure id=\"" << id << "\">\n";
    plot(out);
    out << "<figcaption>" << markupEscaped(caption) << "</figcaption>\n</figure>\n";
}

void writePlots(std::ostream& out, const DesignReportContent& content) {
    const DesignSettings& design = content.design;
    out << "<h2 id=\"plots\">Plots</h2>\n";
    writeFigure(out, "plot-operating",
                "Probability of early termination and expected number of patients against the "
                "true rate.",
                [&](std::ostream& svg) { writeOperatingPlot(svg, design, content.summaries); });
    writeFigure(out, "plot-looks", "Probability of stopping at each look, by true rate.",
                [&](std::ostream& svg) { writeStopByLookPlot(svg, design, content.summaries); });
}

void writeLateOutcomes(std::ostream& out, const DesignReportContent& content) {
    const DesignSettings& design = content.design;
    out << "<h2 id=\"late-outcomes\">Late outcomes: duration and overrun</h2>\n<p>Method: "
        << lateOutcomeMethodName(design.method)
        << ". The overrun of a trial counts the patients it enrolled after the first look at "
           "which the complete outcomes of the patients then enrolled already crossed the "
           "stopping boundary: what deciding before the outcomes are known costs. Waiting for "
           "them costs time instead.</p>\n<table><tr><th>true rate</th><th>expected duration ("
        << design.timeUnit.name
        << ")</th><th>expected overrun (patients)</th><th>P(overrun)</th>"
           "<th>95% interval</th></tr>\n";
    for (const LateOutcomeSummary& s : content.lateOutcomes) {
        out << formatted(
            "<tr><td>%g</td><td>%.2f (%.2f)</td><td>%.2f (%.2f)</td><td>%.4f</td>"
            "<td>[%.4f, %.4f]</td></tr>\n",
            s.trueRate, s.duration.mean, s.duration.error, s.overrun.mean, s.overrun.error,
            s.overrunShare, s.overrunShareInterval.low, s.overrunShareInterval.high);
    }
    out << "</table>\n";
    writeFigure(
        out, "plot-late-outcomes", "Expected duration and expected overrun against the true rate.",
        [&](std::ostream& svg) { writeLateOutcomePlot(svg, design, content.lateOutcomes); });
}

void writeCalibration(std::ostream& out, const DesignReportContent& content) {
    const CalibrationResult& result = *content.calibration;
    const DesignSettings& design = content.design;
    out << "<h2 id=\"calibration\">Calibration of the cut-off</h2>\n<p>Stopping is an error at a "
           "true rate of "
        << roundTripText(design.calibrationRate.value_or(0.0))
        << "; its probability is to be at most " << roundTripText(design.maxErrorStop.value_or(0.0))
        << ". One simulation of every look gives the figures of every cut-off exactly ("
        << result.cutoffs.size() << " cut-offs change a figure).</p>\n";
    if (result.chosen) {
        const ScenarioSummary& at = result.summaries[*result.chosen][result.calibrationScenario];
        out << "<p>The smallest cut-off that keeps it: <b>"
            << roundTripText(result.cutoffs[*result.chosen])
            << formatted("</b> (P(early termination) %.4f, 95%% interval [%.4f, %.4f]).</p>\n",
                         at.earlyStop, at.earlyStopInterval.low, at.earlyStopInterval.high);
    } else {
        out << "<p>No cut-off keeps it within the limit.</p>\n";
    }
    writeFigure(out, "plot-calibration",
                "Probability of early termination against the cut-off, for every rate.",
                [&](std::ostream& svg) { writeCalibrationPlot(svg, design, result); });
}

void writeUnitCaution(std::ostream& out, const DesignSettings& design) {
    const double window = design.maxEvaluationWindow;
    // Under the window range the hazards are sampled per window: the unit
    // plays no part.
    if (window <= longWindowUnits || design.hazardRange == HazardRange::Window ||
        design.method != LateOutcomeMethod::Imputation) {
        return;
    }
    out << "<div class=\"caution\" id=\"unit-caution\"><p><b>Time unit.</b> The window measures "
        << formatted("%g %s", window, design.timeUnit.name.c_str())
        << ". Every hazard is sampled within [0.001, 100] per unit of time, so the floor alone "
           "gives a pending patient an imputed event probability of at least "
        << formatted("%.3f", 1 - quillmere::exp(-0.001 * window))
        << " over a whole window, and the rule leans towards stopping. A unit in which the "
           "window measures between about 1 and 15 units avoids this; the units command shows "
           "the effect.</p></div>\n";
}

void writeReproducibility(std::ostream& out, const DesignReportContent& content) {
    const DesignSettings& design = content.design;
    const std::string file = content.designFileName;
    const std::string dir = content.resultsDirectory;
    out << "<h2 id=\"reproducibility\">Reproducibility</h2>\n<p>quillmere-design "
        << markupEscaped(content.version) << "; seed " << design.seed << "; " << design.trials
        << " trials per true rate. The design file:</p>\n<pre id=\"design-file\">"
        << markupEscaped(content.designText)
        << "</pre>\n<p>The commands that rebuild every figure:</p>\n"
        << "<pre id=\"commands\">quillmere-design boundaries " << markupEscaped(file) << " --out "
        << markupEscaped(dir) << "\nquillmere-design simulate " << markupEscaped(file) << " --out "
        << markupEscaped(dir) << '\n';
    if (content.calibration) {
        out << "quillmere-design calibrate " << markupEscaped(file) << " --out "
            << markupEscaped(dir) << '\n';
    }
    out << "quillmere-design report " << markupEscaped(file) << " --from " << markupEscaped(dir)
        << "</pre>\n";
}

}  // namespace

void writeDesignReport(std::ostream& out, const DesignReportContent& content) {
    const DesignSettings& design = content.design;
    out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>"
        << "Monitoring rule: " << eventTypeName(design.eventType) << "</title>\n<style>" << style
        << "</style>\n</head>\n<body>\n<h1>Interim monitoring of "
        << eventTypeName(design.eventType) << ": design and operating characteristics</h1>\n";
    writeRule(out, design);
    writeUnitCaution(out, design);
    writeBoundaries(out, design, content.boundaries);
    writeOperatingCharacteristics(out, design, content.summaries);
    writePlots(out, content);
    writeLateOutcomes(out, content);
    if (content.calibration) {
        writeCalibration(out, content);
    }
    writeReproducibility(out, content);
    out << "</body>\n</html>\n";
}

}  // namespace quillmere
