// Complete runs of the built program: the console text and the section each
// run appends to summary.txt, byte for byte (the date line aside).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <regex>
#include <sstream>

#include "app/console_text.h"
#include "app/program_runner.h"
#include "app/trial_files.h"
#include "numeric/incomplete_beta.h"

namespace quillmere::testing {
namespace {

// Ten patients followed to the end of a 30-day window, two with the event:
// nothing is pending, so the engine's result is I_0.3(2.1, 8.2) = 0.797543.
const std::string tenPatients =
    "P01 1 4.5 30\nP02 0 30 30\nP03 0 30 41\nP04 1 29 35\nP05 0 30 30\n"
    "P06 0 30 30\nP07 0 30 60\nP08 0 30 30\nP09 0 30 30.5\nP10 0 30 30\n";

const std::string tableRows =
    "patient ID          P01\tP02\tP03\tP04\tP05\tP06\tP07\tP08\tP09\tP10\t\n"
    "%EVENT%1\t0\t0\t1\t0\t0\t0\t0\t0\t0\t\n"
    "Time to event       4.5\t30\t30\t29\t30\t30\t30\t30\t30\t30\t\n"
    "Follow-up time      30\t30\t41\t35\t30\t30\t60\t30\t30.5\t30\t\n";

const std::string stars84(84, '*');
const std::string stars49(49, '*');

std::string replaced(std::string text, const std::string& marker, const std::string& by) {
    text.replace(text.find(marker), marker.size(), by);
    return text;
}

// The report section with its date line replaced by "<date>".
std::string withoutDate(const std::string& report) {
    return std::regex_replace(report,
                              std::regex("\n[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9]\\d "
                                         "\\d\\d:\\d\\d:\\d\\d \\d{4}\n"),
                              "\n<date>\n");
}

std::string sectionHead(int count, const std::string& window) {
    return "\n\n" + std::string(64, '-') +
           "\n<date>\n\n\nNumber of patients entered=" + std::to_string(count) +
           "\n\nMaximum Follow up time = " + window + "\n";
}

// The section of a run on the ten patients: the settings lines, the echo
// with the event row's label, then the result, the comparison and the box.
std::string tenPatientSection(const std::string& settings, const std::string& eventLabel,
                              const std::string& result) {
    return sectionHead(10, "30") + settings +
           "\nPlease check the following data whether they are the same as you entered.\n\n" +
           stars84 + "\n" + replaced(tableRows, "%EVENT%", eventLabel) + stars84 + result +
           "\n\n---------------------The End---------------------\n";
}

std::string decisionBox(const std::string& heading, const std::string& reason) {
    return "\n" + stars49 + "\n" + heading + "\n" + reason + "\n" + stars49;
}

const std::string continueBox = decisionBox("*****************        Decision         *******",
                                            "*****************  CONTINUE the trial     *******");
const std::string futilityBox = decisionBox("*******             Decision              *******",
                                            "*******TERMINATE the trial due to futility*******");

const std::string toxicitySection = tenPatientSection(
    "\nUpper bound of toxicity rate= 0.3\n"
    "\nTrial will be terminated if Pr(toxicity rate>0.3)>0.9\n",
    "Toxicity            ",
    "\nRESULTS: Pr(Toxicity rate >0.3)=0.202457"
    "\nCompared with cut-off 0.9, it is LOWER than the cut-off, therefore we suggest to "
    "CONTINUE the trial.\n" +
        continueBox);

TEST(CompleteRun, ToxicityReportAndConsoleByteForByte) {
    TrialDirectory dir;
    writeTrial(dir, toxicity, tenPatients);
    const ProgramRun run = dir.run({"1"}, "x");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(withoutDate(dir.read("summary.txt")), toxicitySection);
    EXPECT_EQ(run.out, bannerText + confirmationText("TOXICITY.") +
                           "\n\nWe suggest to CONTINUE the trial. Please check the input data and "
                           "see decision details in summary.txt.\n\n" +
                           closingText);
}

TEST(CompleteRun, EfficacyTerminatesForFutility) {
    TrialDirectory dir;
    writeTrial(dir, efficacy, tenPatients, "30", "0.3", "0.7");
    const ProgramRun run = dir.run({"2"}, "x");
    EXPECT_EQ(run.status, 0);
    const std::string expected = tenPatientSection(
        "\nLower bound of efficacy rate= 0.3\n"
        "\nTrial will be terminated if Pr(efficacy rate<0.3)>0.7\n",
        "Efficacy event      ",
        "\nRESULTS: Pr(Efficacy rate <0.3)=0.797543"
        "\nCompared with cut-off 0.7, it is HIGHER than the cut-off, therefore we suggest to "
        "TERMINATE the trial.\n" +
            futilityBox);
    EXPECT_EQ(withoutDate(dir.read("summary.txt")), expected);
    EXPECT_EQ(run.out, bannerText + confirmationText("EFFICACY.") +
                           "\n\nWe suggest to TERMINATE the trial. Please check the input data "
                           "and see decision details in summary.txt.\n\n" +
                           closingText);
}

TEST(CompleteRun, DiseaseProgressionUsesTheEfficacyWordingAndTheComplementBound) {
    TrialDirectory dir;
    writeTrial(dir, diseaseProgression, tenPatients, "30", "0.7", "0.1");
    const ProgramRun run = dir.run({"3"}, "x");
    EXPECT_EQ(run.status, 0);
    const std::string expected = tenPatientSection(
        "\nLower bound of efficacy rate= 0.7\n"
        "\nTrial will be terminated if Pr(efficacy rate<0.7)>0.1\n",
        "Disease progression ",
        "\nRESULTS: Pr(Efficacy rate <0.7)=0.202457"
        "\nCompared with cut-off 0.1, it is HIGHER than the cut-off, therefore we suggest to "
        "TERMINATE the trial.\n" +
            futilityBox);
    EXPECT_EQ(withoutDate(dir.read("summary.txt")), expected);
}

TEST(CompleteRun, ToxicityTerminationBoxAndAppendedSections) {
    TrialDirectory dir;
    dir.write("summary.txt", "kept\n");
    writeTrial(dir, toxicity, tenPatients, "30", "0.3", "0.2");
    ASSERT_EQ(dir.run({"1"}, "x").status, 0);
    ASSERT_EQ(dir.run({"1"}, "x").status, 0);
    const std::string section = withoutDate(dir.read("summary.txt")).substr(5);
    const std::string one = section.substr(0, section.size() / 2);
    EXPECT_EQ(one + one, section);
    EXPECT_NE(one.find("\n*******TERMINATE the trial due to safety  *******\n"), std::string::npos);
    EXPECT_NE(one.find("it is HIGHER than the cut-off"), std::string::npos);
    EXPECT_EQ(dir.read("summary.txt").rfind("kept\n\n\n---", 0), 0u);
}

TEST(CompleteRun, TypedAnswerLeavesTheLineEndForTheFinalKey) {
    // The answer comes from the question; its line end is still pending and
    // serves as the final key, so the run ends without more input.
    TrialDirectory dir;
    writeTrial(dir, toxicity, tenPatients);
    const ProgramRun run = dir.run({}, "1\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.substr(run.out.size() - closingText.size()), closingText);
}

TEST(CompleteRun, NoPatientsGivesThePriorProbability) {
    TrialDirectory dir;
    writeTrial(dir, efficacy, "", "30", "0.3", "0.9");
    ASSERT_EQ(dir.run({"2"}, "x").status, 0);
    // I_0.3(0.1, 0.2) = 0.622843; every table row holds only its label.
    const std::string report = dir.read("summary.txt");
    EXPECT_NE(report.find("\npatient ID          \nEfficacy event      \nTime to event       \n"
                          "Follow-up time      \n"),
              std::string::npos);
    EXPECT_NE(report.find("RESULTS: Pr(Efficacy rate <0.3)=0.622843\n"), std::string::npos);
}

TEST(CompleteRun, SameInputsGiveTheSameOutput) {
    TrialDirectory first;
    TrialDirectory second;
    first.copyFrom(sourceDir / "examples" / "diseaseprogression");
    second.copyFrom(sourceDir / "examples" / "diseaseprogression");
    const ProgramRun a = first.run({"3"}, "x");
    const ProgramRun b = second.run({"3"}, "x");
    EXPECT_EQ(a.status, 0);
    EXPECT_EQ(a.out, b.out);
    EXPECT_EQ(withoutDate(first.read("summary.txt")), withoutDate(second.read("summary.txt")));
}

// The cut-off written with every digit, so that it equals p exactly.
std::string exactText(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

TEST(Decision, ProbabilityEqualToTheCutOffContinues) {
    // No pending patient: every retained sweep adds the same value, so p is
    // known; a cut-off equal to p continues, one just below terminates.
    const double value = static_cast<double>(betai(2.1f, 8.2f, 0.3f));
    double sum = 0.0;
    for (int i = 0; i < 20; ++i) {
        sum += value;
    }
    const double p = 1 - sum / 20;
    TrialDirectory dir;
    writeTrial(dir, toxicity, tenPatients, "30", "0.3", exactText(p));
    ASSERT_EQ(dir.run({"1"}, "x").status, 0);
    EXPECT_NE(dir.read("summary.txt").find("it is LOWER than the cut-off"), std::string::npos);

    TrialDirectory below;
    writeTrial(below, toxicity, tenPatients, "30", "0.3", exactText(std::nextafter(p, 0.0)));
    ASSERT_EQ(below.run({"1"}, "x").status, 0);
    EXPECT_NE(below.read("summary.txt").find("it is HIGHER than the cut-off"), std::string::npos);
}

std::string defaultFormatted(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

struct ReferenceRun {
    const char* directory;
    const char* answer;
    double posteriorResult;  // computed independently
    bool efficacyWording;
    bool reportedIsComplement;
};

TEST(CompleteRun, ReferenceRunsReportTheIndependentResult) {
    for (const ReferenceRun& reference :
         {ReferenceRun{"toxicity-n60", "1", 0.72416841015219691, false, true},
          ReferenceRun{"efficacy-n80", "2", 0.95149456262588505, true, false},
          ReferenceRun{"diseaseprogression-n45", "3", 0.91927130371332166, true, true}}) {
        TrialDirectory dir;
        dir.copyFrom(testDataDir / "reference-runs" / reference.directory);
        const ProgramRun run = dir.run({reference.answer}, "x");
        EXPECT_EQ(run.status, 0) << reference.directory;
        const double p = reference.reportedIsComplement ? 1 - reference.posteriorResult
                                                        : reference.posteriorResult;
        const std::string report = dir.read("summary.txt");
        EXPECT_NE(report.find(std::string(reference.efficacyWording ? "Efficacy rate <"
                                                                    : "Toxicity rate >")),
                  std::string::npos);
        EXPECT_NE(report.find(")=" + defaultFormatted(p) + "\n"), std::string::npos)
            << reference.directory << "\n"
            << report;
    }
}

TEST(CompleteRun, ExamplesRunToTheEnd) {
    for (const auto& [folder, answer] : {std::pair{"toxicity", "1"}, std::pair{"efficacy", "2"},
                                         std::pair{"diseaseprogression", "3"}}) {
        TrialDirectory dir;
        dir.copyFrom(sourceDir / "examples" / folder);
        const ProgramRun run = dir.run({answer}, "x");
        EXPECT_EQ(run.status, 0) << folder << run.out;
        EXPECT_NE(run.out.find("Execution has completed."), std::string::npos);
    }
}

}  // namespace
}  // namespace quillmere::testing
