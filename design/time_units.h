#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quillmere {

// A time unit the design can be expressed in, measured in hours so that the
// conversion factors between hours, days and weeks are exact.
struct TimeUnit {
    std::string name;
    double hours = 1.0;
};

// hours, days, weeks, months (365.25 / 12 days) and years (365.25 days).
const std::vector<TimeUnit>& knownTimeUnits();

// Looks a unit up by name, ignoring letter case.
std::optional<TimeUnit> findTimeUnit(const std::string& name);

// The factor that turns a time in unit `from` into the same time in unit `to`
// (exactly 1 when the units are the same).
double conversionFactor(const TimeUnit& from, const TimeUnit& to);

}  // namespace quillmere
