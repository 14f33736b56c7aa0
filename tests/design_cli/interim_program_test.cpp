// The interim command of the built quillmere-design against the built
// quillmere and the stability command: the decision, the stability figures
// and the checksums in the page are theirs; the page names nothing outside
// itself; a directory quillmere refuses gives quillmere's message and status
// and no page; an existing page is replaced only with --force.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <sstream>

#include "design/design_test_support.h"
#include "design_cli/design_program.h"

namespace quillmere::testing {
namespace {

namespace fs = std::filesystem;

const fs::path examples = fs::path(QUILLMERE_SOURCE_DIR) / "examples";

std::string unescaped(std::string text) {
    for (const auto& [entity, c] : std::vector<std::pair<std::string, std::string>>{
             {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}}) {
        for (std::size_t at = text.find(entity); at != std::string::npos;
             at = text.find(entity, at + 1)) {
            text.replace(at, entity.size(), c);
        }
    }
    return text;
}

// The text between `open` and the next `close` after it; empty when absent.
std::string between(const std::string& text, const std::string& open, const std::string& close) {
    const std::size_t start = text.find(open);
    if (start == std::string::npos) {
        return "";
    }
    const std::size_t from = start + open.size();
    return text.substr(from, text.find(close, from) - from);
}

// The line of a console text that starts with `label`, without it.
std::string lineAfter(const std::string& text, const std::string& label) {
    return between(text, label, "\n");
}

std::string configText(const std::string& type, const std::string& bound, const std::string& cutoff,
                       const std::string& window, const std::string& dataFile) {
    return "TrialType = " + type + "\nRateBound = " + bound + "\nCutoffProbability = " + cutoff +
           "\nMaxEvaluationWindow = " + window + "\nInputDataFileName = " + dataFile + "\n";
}

std::string manyPatients(int count) {
    std::string records = "PatientData TOXICITY_EVENT Time FollowUp\n";
    for (int i = 0; i < count; ++i) {
        const double followUp = 200 - 1.6 * i;
        const bool event = i % 4 == 1;
        records +=
            "T" + std::to_string(i + 1) + (event ? " 1 " : " 0 ") +
            std::to_string(event ? std::min(followUp, 3.0 + i % 20) : std::min(followUp, 28.0)) +
            " " + std::to_string(followUp) + "\n";
    }
    return records;
}

struct Trial {
    std::string name;
    int answer;
    std::function<void(const fs::path&)> write;
};

std::function<void(const fs::path&)> example(const std::string& folder) {
    return [folder](const fs::path& directory) {
        for (const auto& entry : fs::directory_iterator(examples / folder)) {
            fs::copy_file(entry.path(), directory / entry.path().filename());
        }
    };
}

std::function<void(const fs::path&)> files(std::string configName, std::string config,
                                           std::string dataName, std::string data) {
    return [=](const fs::path& directory) {
        writeText(directory / configName, config);
        writeText(directory / dataName, data);
    };
}

const std::vector<Trial> trials = {
    {"toxicity", 1, example("toxicity")},
    {"efficacy", 2, example("efficacy")},
    {"diseaseprogression", 3, example("diseaseprogression")},
    // The data say nothing beyond half the window: the prior-only warning.
    {"prior-only", 2,
     files("TrialConfig_Efficacy.config",
           configText("efficacy", "0.3", "0.8", "12", "data_efficacy.txt"), "data_efficacy.txt",
           "PatientData EFFICACY_EVENT Time FollowUp\nA01 1 2 5.5\nA02 0 5 5\nA03 0 4.2 4.2\n"
           "A04 1 1.5 3.9\nA05 0 3.1 3.1\nA06 0 0.6 0.6\n")},
    // Every outcome known and the rule stops; the configuration read from
    // the toxicity answer's file although it concerns progression.
    {"all-known", 1,
     files("TrialConfig_Toxicity.config",
           configText("DiseaseProgression", "0.5", "0.6", "8", "data_diseaseProgression.txt"),
           "data_diseaseProgression.txt",
           "x DISEASEPROGRESSION_EVENT a b\nD1 0 8 9\nD2 0 8 12\nD3 0 8 10\nD4 0 8 8\n"
           "D5 1 2 9\n")},
    // Three charts' worth of patients.
    {"many", 1,
     files("TrialConfig_Toxicity.config",
           configText("Toxicity", "0.25", "0.85", "28", "DATA_TOXICITY.TXT"), "DATA_TOXICITY.TXT",
           manyPatients(120))},
};

void PrintTo(const Trial& value, std::ostream* out) {
    *out << value.name;
}

class InterimPage : public ::testing::TestWithParam<Trial> {};

TEST_P(InterimPage, HoldsWhatQuillmereAndStabilityGive) {
    const Trial& trial = GetParam();
    const fs::path work = freshDirectory("interim-" + trial.name);
    fs::create_directories(work / "trial");
    trial.write(work / "trial");
    const auto before = treeOf(work / "trial");
    const std::string answer = std::to_string(trial.answer);
    const std::vector<std::string> common = {"--answer", answer, "--runs",    "6",
                                             "--seed",   "11",   "--threads", "2"};
    std::vector<std::string> interim = {"interim", "trial", "--out", "pages/look.html"};
    interim.insert(interim.end(), common.begin(), common.end());
    const ProgramOutput made = runDesignProgram(work, interim);
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(treeOf(work / "trial"), before);  // summary.txt neither read nor written
    EXPECT_EQ(treeOf(work / "pages").size(), 1u);
    const std::string page = readFile(work / "pages" / "look.html");

    std::vector<std::string> stability = {"stability", "trial", "--out", "stability"};
    stability.insert(stability.end(), common.begin(), common.end());
    const ProgramOutput study = runDesignProgram(work, stability);
    ASSERT_EQ(study.status, 0) << study.err;
    const ConsoleRun console = runQuillmere(work / "trial", answer[0]);
    ASSERT_EQ(console.status, 0);

    // The decision: quillmere's lines, and its probability to the last bit.
    EXPECT_EQ(unescaped(between(page, "<pre id=\"quillmere-lines\">", "</pre>")),
              console.resultLine + "\n" + console.decisionLine);
    const std::string exact = between(page, "id=\"probability\">", "</td>");
    EXPECT_EQ(exact, lineAfter(study.out, "  exact value: "));
    std::ostringstream asQuillmerePrints;
    asQuillmerePrints << std::strtod(exact.c_str(), nullptr);
    EXPECT_EQ(console.resultLine.substr(console.resultLine.find(")=") + 2),
              asQuillmerePrints.str());

    // The stability figures and histogram, as the stability command gives them.
    const std::string figures = between(page, "<table id=\"stability-figures\">", "</table>");
    double mean = 0, error = 0, deviation = 0;
    ASSERT_EQ(std::sscanf(lineAfter(study.out, "Mean probability over runs:").c_str(),
                          " %lf (standard error %lf)", &mean, &error),
              2);
    ASSERT_EQ(std::sscanf(lineAfter(study.out, "SD of one run's probability:").c_str(), " %lf",
                          &deviation),
              1);
    for (const double value : {mean, error, deviation}) {
        char shown[32];
        std::snprintf(shown, sizeof shown, "\">%.6f</td>", value);
        EXPECT_NE(figures.find(shown), std::string::npos) << shown;
    }
    const std::string otherwise = lineAfter(study.out, "Runs advising otherwise:");
    EXPECT_NE(figures.find(otherwise.substr(otherwise.find_first_not_of(' '))), std::string::npos);
    std::string svg = readFile(work / "stability" / "stability.svg");
    svg.erase(svg.find(" xmlns=\"http://www.w3.org/2000/svg\""), 35);
    EXPECT_NE(page.find(svg), std::string::npos);

    // The checksums of the files as sha256sum gives them.
    for (const auto& [name, content] : before) {
        EXPECT_NE(page.find("<code>" + sha256sumOf(work / "trial" / name) + "</code>"),
                  std::string::npos)
            << name;
    }

    // Nothing outside the page.
    for (const char* reference : {"http:", "https:", "//", "src=", "href=", "@import", "url("}) {
        EXPECT_EQ(page.find(reference), std::string::npos) << reference;
    }

    // The prior-only warning when quillmere gives it.
    const std::string consoleText = readFile(work / "trial" / "console.txt");
    const std::string warning = lineAfter(consoleText, "\n\nWARNING: ");
    EXPECT_EQ(page.find("id=\"prior-only\"") != std::string::npos, !warning.empty());
    if (!warning.empty()) {
        EXPECT_NE(unescaped(page).find("WARNING: " + warning), std::string::npos);
        EXPECT_EQ(made.out, "WARNING: " + warning + "\nWritten: pages/look.html\n");
    } else {
        EXPECT_EQ(made.out, "Written: pages/look.html\n");
    }
}

INSTANTIATE_TEST_SUITE_P(Trials, InterimPage, ::testing::ValuesIn(trials),
                         [](const ::testing::TestParamInfo<Trial>& info) {
                             std::string name = info.param.name;
                             std::erase(name, '-');
                             return name;
                         });

}  // namespace
}  // namespace quillmere::testing
