#include <gtest/gtest.h>

#include "design/design_test_support.h"

namespace quillmere {
namespace {

bool holds(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Runs boundaries, simulate and (when asked) calibrate into a fresh results
// directory, then the report; returns the report's text.
std::string reportOf(const DesignSettings& design, bool calibrate, const std::string& name) {
    const std::string file = testing::writeDesignFile(design, name);
    const auto results = testing::freshDirectory(name + "-results");
    EXPECT_EQ(testing::runTool({"boundaries", file, "--out", results.string()}).status, 0);
    EXPECT_EQ(testing::runTool({"simulate", file, "--out", results.string()}).status, 0);
    if (calibrate) {
        EXPECT_EQ(testing::runTool({"calibrate", file, "--out", results.string()}).status, 0);
    }
    const auto html = results / "report.html";
    const testing::ToolRun run =
        testing::runTool({"report", file, "--from", results.string(), "--out", html.string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Written: " + html.string() + "\n");
    return testing::readText(html);
}

DesignSettings reportDesign() {
    DesignSettings design = testing::smallDesign(EventType::Toxicity);
    design.calibrationRate = 0.25;
    design.maxErrorStop = 0.2;
    return design;
}

TEST(DesignReport, IsSelfContainedAndHoldsEveryElement) {
    const DesignSettings design = reportDesign();
    const std::string html = reportOf(design, true, "report-full");
    EXPECT_EQ(html.rfind("<!DOCTYPE html>\n", 0), 0u);
    EXPECT_TRUE(holds(html, "</html>\n"));
    // Nothing is fetched: no scripts, links, images, imports or addresses
    // besides the SVG namespace name.
    for (const char* outside :
         {"<script", "<link", "<img", "<iframe", "src=", "href=", "@import", "url(", "https:"}) {
        EXPECT_FALSE(holds(html, outside)) << outside;
    }
    std::string rest = html;
    for (std::size_t at; (at = rest.find("http://www.w3.org/2000/svg")) != std::string::npos;) {
        rest.erase(at, 26);
    }
    EXPECT_FALSE(holds(rest, "http:"));
    EXPECT_TRUE(holds(html, "<style>"));
    for (const char* id :
         {"rule", "boundaries", "operating", "plots", "plot-operating", "plot-looks",
          "late-outcomes", "plot-late-outcomes", "calibration", "plot-calibration",
          "reproducibility", "design-file", "commands", "unit-caution"}) {
        EXPECT_TRUE(holds(html, std::string("id=\"") + id + "\"")) << id;
    }
    // Four plots, each a whole SVG.
    std::size_t plots = 0;
    for (std::size_t at = 0; (at = html.find("<svg ", at)) != std::string::npos; ++at) {
        ++plots;
    }
    EXPECT_EQ(plots, 4u);
    std::size_t closed = 0;
    for (std::size_t at = 0; (at = html.find("</svg>", at)) != std::string::npos; ++at) {
        ++closed;
    }
    EXPECT_EQ(closed, 4u);
    // The rule in words, with its cut-off; the intervals; the reproducibility block.
    EXPECT_TRUE(holds(html, "terminated for safety as soon as this probability exceeds 0.8"));
    EXPECT_TRUE(holds(html, "Pr(toxicity rate &gt; 0.3)"));
    EXPECT_TRUE(holds(html, "95% interval"));
    EXPECT_TRUE(holds(html, "seed 987654321"));
    EXPECT_TRUE(holds(html, "TrialType = Toxicity\nRateBound = 0.29999999999999999\n"));
    EXPECT_TRUE(holds(html, "quillmere-design calibrate "));
    EXPECT_TRUE(holds(html, "The smallest cut-off that keeps it: <b>"));
}

TEST(DesignReport, LeavesOutWhatWasNotRunOrDoesNotApply) {
    DesignSettings design = reportDesign();
    design.maxEvaluationWindow = 12;  // short in its unit: no caution
    const std::string html = reportOf(design, false, "report-plain");
    EXPECT_FALSE(holds(html, "id=\"calibration\""));
    EXPECT_FALSE(holds(html, "id=\"unit-caution\""));
    EXPECT_FALSE(holds(html, "quillmere-design calibrate "));
    EXPECT_TRUE(holds(html, "id=\"plot-looks\""));
}

// A design simulated with another hazard model than quillmere's says so
// where the rule is described; quillmere's own model is not mentioned.
TEST(DesignReport, NamesAHazardModelQuillmereDoesNotCompute) {
    DesignSettings design = reportDesign();
    design.hazardPriorShape = 1;
    design.hazardRange = HazardRange::Window;
    const std::string html = reportOf(design, false, "report-hazard");
    const std::string model =
        "Hazard model: gamma prior of shape 1 with mean lambda0 in every interval; hazards "
        "sampled with lambda*W in [0.0001, 10000]";
    EXPECT_TRUE(holds(html, "<p class=\"caution\">" + model + ". This is not quillmere's"));
    EXPECT_FALSE(holds(html, "id=\"unit-caution\""));  // the unit plays no part
    const std::string plain = reportOf(reportDesign(), false, "report-hazard-plain");
    EXPECT_FALSE(holds(plain, "Hazard model"));
}

TEST(DesignReport, NeedsTheSimulationOfThisDesign) {
    const DesignSettings design = reportDesign();
    const std::string file = testing::writeDesignFile(design, "report-missing");
    const auto results = testing::freshDirectory("report-missing-results");
    const testing::ToolRun missing = testing::runTool(
        {"report", file, "--from", results.string(), "--out", (results / "r.html").string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "The report needs the results of simulate in (" + results.string() +
                               "): replicates.csv is missing. Run: quillmere-design simulate " +
                               file + " --out " + results.string() + "\n");
    EXPECT_FALSE(std::filesystem::exists(results / "r.html"));
    // Results of another design are refused, by the replicate reader.
    DesignSettings other = design;
    other.seed += 1;
    const std::string otherFile = testing::writeDesignFile(other, "report-other");
    ASSERT_EQ(testing::runTool({"simulate", otherFile, "--out", results.string()}).status, 0);
    const testing::ToolRun foreign =
        testing::runTool({"report", file, "--from", results.string(), "--out",
                          (testing::freshDirectory("report-foreign") / "r.html").string()});
    EXPECT_EQ(foreign.status, 1);
    EXPECT_TRUE(holds(foreign.err, "another design")) << foreign.err;
}

}  // namespace
}  // namespace quillmere
