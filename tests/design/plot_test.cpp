#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "design/design_test_support.h"
#include "report/report_svg.h"
#include "report/report_text.h"

namespace quillmere {
namespace {

// Scenario summaries of the small design from made-up outcomes: the plots
// need figures, not an engine run.
std::vector<ScenarioSummary> madeUpSummaries(const DesignSettings& design) {
    std::vector<ScenarioSummary> summaries;
    for (std::size_t s = 0; s < design.trueRates.size(); ++s) {
        std::vector<TrialOutcome> outcomes(design.trials, TrialOutcome{0, 12, 80.0, 4, 9, 0});
        for (int r = 0; r < static_cast<int>(s) * 3; ++r) {
            outcomes[r] = {2, 6, 40.0 + r, 2, 4, 1};
        }
        summaries.push_back(summariseScenario(design.trueRates[s], outcomes, 4));
    }
    return summaries;
}

struct TextAt {
    double x = 0.0;
    double y = 0.0;
    std::string text;
};

std::string unescaped(std::string text) {
    for (const auto& [entity, character] :
         {std::pair{"&lt;", "<"}, std::pair{"&gt;", ">"}, std::pair{"&amp;", "&"}}) {
        for (std::size_t at = text.find(entity); at != std::string::npos;
             at = text.find(entity, at + 1)) {
            text.replace(at, std::string(entity).size(), character);
        }
    }
    return text;
}

std::vector<TextAt> textsOf(const std::string& svg) {
    std::vector<TextAt> texts;
    const std::regex text("<text x=\"([-0-9.]+)\" y=\"([-0-9.]+)\"[^>]*>([^<]*)</text>");
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), text); it != std::sregex_iterator();
         ++it) {
        texts.push_back({std::stod((*it)[1]), std::stod((*it)[2]), unescaped((*it)[3])});
    }
    return texts;
}

std::size_t countOf(const std::string& svg, const std::string& piece) {
    std::size_t count = 0;
    for (std::size_t at = svg.find(piece); at != std::string::npos; at = svg.find(piece, at + 1)) {
        ++count;
    }
    return count;
}

// No label may lie on a curve: inside the plot area there is no text at all.
void expectNoTextInsideThePlotArea(const std::string& svg) {
    for (const TextAt& text : textsOf(svg)) {
        const bool inside = text.x > 80 && text.x < 680 && text.y > 64 && text.y < 364;
        EXPECT_FALSE(inside) << text.text << " at " << text.x << "," << text.y;
    }
}

// The caption states the design behind the plot.
void expectDesignCaption(const std::string& svg, const DesignSettings& design) {
    std::string caption;
    for (const TextAt& text : textsOf(svg)) {
        if (text.y > 430) {
            caption += (caption.empty() ? "" : " ") + text.text;
        }
    }
    EXPECT_NE(caption.find(designFacts(design)), std::string::npos) << caption;
    EXPECT_NE(caption.find("up to 12 patients"), std::string::npos);
    EXPECT_NE(caption.find("(4 looks)"), std::string::npos);
    EXPECT_NE(caption.find("6 trials per rate, seed 987654321"), std::string::npos);
}

TEST(Plots, OperatingCharacteristicsCarryErrorBarsTheDesignAndNoLabelOnACurve) {
    const DesignSettings design = testing::smallDesign(EventType::Toxicity);
    std::ostringstream svg;
    writeOperatingPlot(svg, design, madeUpSummaries(design));
    expectNoTextInsideThePlotArea(svg.str());
    expectDesignCaption(svg.str(), design);
    // One bar per rate for each of the two curves.
    EXPECT_EQ(countOf(svg.str(), "<path d=\"M"), 2 * design.trueRates.size());
    EXPECT_NE(svg.str().find(">bound 0.3</text>"), std::string::npos);
}

TEST(Plots, StoppingByLookHasOneCurveWithBarsPerRate) {
    const DesignSettings design = testing::smallDesign(EventType::Efficacy);
    std::ostringstream svg;
    writeStopByLookPlot(svg, design, madeUpSummaries(design));
    expectNoTextInsideThePlotArea(svg.str());
    expectDesignCaption(svg.str(), design);
    EXPECT_EQ(countOf(svg.str(), "<polyline"), design.trueRates.size());
    EXPECT_EQ(countOf(svg.str(), "<path d=\"M"), 4 * design.trueRates.size());
    for (const char* tick : {">(4)<", ">(6)<", ">(8)<", ">(10)<", ">true rate 0.6<"}) {
        EXPECT_NE(svg.str().find(tick), std::string::npos) << tick;
    }
}

TEST(Plots, UnitsPlotExplainsItsLineStylesAndMarksTheReference) {
    const DesignSettings design = testing::smallDesign(EventType::DiseaseProgression);
    const std::vector<ScenarioSummary> summaries = madeUpSummaries(design);
    std::ostringstream svg;
    writeUnitsPlot(svg, design, {{"hours", summaries}, {"days", summaries}, {"weeks", summaries}});
    expectNoTextInsideThePlotArea(svg.str());
    expectDesignCaption(svg.str(), design);
    for (const char* legend : {">days (the design's unit: reference)<", ">hours<", ">weeks<",
                               ">solid: P(early termination), left axis<",
                               ">dashed: E[patients enrolled], right axis<"}) {
        EXPECT_EQ(countOf(svg.str(), legend), 1u) << legend;
    }
    // Only the reference carries bars; its lines are drawn first, under the others.
    EXPECT_EQ(countOf(svg.str(), "<path d=\"M"), 2 * design.trueRates.size());
    EXPECT_LT(svg.str().find("stroke-opacity"),
              svg.str().find("<polyline fill=\"none\" stroke=\"#1f77b4\""));
}

TEST(Plots, TheRateAxisHoldsEveryRateAndTheBoundInsideIt) {
    const struct {
        EventType type;
        double bound;
        std::vector<double> rates;
        double first, last;
    } cases[] = {
        {EventType::Toxicity, 0.3, {0.3}, 0.1, 0.5},  // one rate, at the bound
        {EventType::Toxicity, 0.3, {0.1, 0.2, 0.3, 0.45}, 0.0, 0.5},
        {EventType::DiseaseProgression, 0.4, {0.4, 0.5, 0.6, 0.75}, 0.3, 0.8},
        {EventType::Efficacy, 0.9, {0.95}, 0.8, 1.0},
        {EventType::Efficacy, 0.2, {0.01}, 0.0, 0.3},
    };
    for (const auto& c : cases) {
        DesignSettings design = testing::smallDesign(c.type);
        design.rateBound = c.bound;
        design.trueRates = c.rates;
        const RateAxis axis = rateAxis(design);
        EXPECT_DOUBLE_EQ(axis.first, c.first) << c.rates.front();
        EXPECT_DOUBLE_EQ(axis.last, c.last) << c.rates.front();
    }
}

// The facts under every plot name a hazard model other than quillmere's.
TEST(PlotCaption, NamesAHazardModelQuillmereDoesNotCompute) {
    DesignSettings design = testing::smallDesign(EventType::Toxicity);
    EXPECT_EQ(designFacts(design).find("Hazard model"), std::string::npos);
    design.hazardPriorShape = 0.5;
    const std::string facts = designFacts(design);
    EXPECT_EQ(facts.substr(facts.find(" Hazard model")),
              " Hazard model: gamma prior of shape 0.5 with mean lambda0 in every interval; "
              "hazards sampled with lambda in [0.001, 100] per day.");
}

}  // namespace
}  // namespace quillmere
