#include "design/time_units.h"

#include "config/trial_settings.h"

namespace quillmere {

const std::vector<TimeUnit>& knownTimeUnits() {
    static const std::vector<TimeUnit> units = {
        {"hours", 1.0}, {"days", 24.0}, {"weeks", 168.0}, {"months", 730.5}, {"years", 8766.0}};
    return units;
}

std::optional<TimeUnit> findTimeUnit(const std::string& name) {
    const std::string wanted = upperCased(name);
    for (const TimeUnit& unit : knownTimeUnits()) {
        if (upperCased(unit.name) == wanted) {
            return unit;
        }
    }
    return std::nullopt;
}

double conversionFactor(const TimeUnit& from, const TimeUnit& to) {
    return from.hours / to.hours;
}

}  // namespace quillmere
