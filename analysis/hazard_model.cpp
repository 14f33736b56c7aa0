// The hazard model a rule asks for: the prior of the six hazards and the
// range they are drawn from.
#include <cmath>

#include "analysis/analysis.h"
#include "config/trial_settings.h"
#include "numeric/number_text.h"

namespace quillmere {

namespace {

// The console program's range, per time unit of the data.
constexpr HazardBounds unitRange{0.001, 100.0};

}  // namespace

bool hasConsoleHazardModel(const MonitoringRule& rule) {
    return rule.hazardPriorShape == 0.0 && rule.hazardRange == HazardRange::Unit;
}

HazardBounds hazardBounds(const MonitoringRule& rule) {
    if (rule.hazardRange == HazardRange::Window) {
        return {windowRangeLower / rule.maxEvaluationWindow,
                windowRangeUpper / rule.maxEvaluationWindow};
    }
    return unitRange;
}

void configureHazardModel(EngineState& state, const MonitoringRule& rule) {
    // A record filled under the window range measures time in windows.
    const HazardBounds bounds = rule.hazardRange == HazardRange::Window
                                    ? HazardBounds{windowRangeLower, windowRangeUpper}
                                    : unitRange;
    state.hazardLowerBound = bounds.lower;
    state.hazardUpperBound = bounds.upper;
    // With shape 0 (-0 included, which would change the sign of a zero
    // prior term) the means have no effect; the console program's chained
    // means are kept so that its computation is untouched. With a proper
    // prior only independent means are offered: a chained mean without the
    // next interval's prior term is not the conditional of any joint prior.
    const bool proper = rule.hazardPriorShape > 0;
    state.hazardPriorShape.fill(proper ? rule.hazardPriorShape : 0.0);
    state.hazardPriorMeans = proper ? HazardPriorMeans::Lambda0 : HazardPriorMeans::Chained;
}

std::optional<std::string> hazardPriorShapeProblem(double shape) {
    if (shape >= 0 && shape <= maxHazardPriorShape) {
        return std::nullopt;
    }
    return "The Hazard Prior Shape was set to (" + shortestText(shape) +
           "). This value must lie within [0, " + shortestText(maxHazardPriorShape) + "].";
}

std::string hazardRangeName(HazardRange range) {
    return range == HazardRange::Window ? "window" : "unit";
}

std::optional<HazardRange> hazardRangeNamed(const std::string& name) {
    const std::string upper = upperCased(name);
    if (upper == "UNIT") {
        return HazardRange::Unit;
    }
    if (upper == "WINDOW") {
        return HazardRange::Window;
    }
    return std::nullopt;
}

}  // namespace quillmere
