#include "design_cli/progress_meter.h"

#include <cstdio>

namespace quillmere {

ProgressMeter::ProgressMeter(std::ostream& out, std::string label)
    : out(out),
      label(std::move(label)),
      start(std::chrono::steady_clock::now()),
      lastShown(start) {}

void ProgressMeter::operator()(long done, long total) {
    const auto now = std::chrono::steady_clock::now();
    const bool complete = done >= total;
    if (finished || (!complete && now - lastShown < std::chrono::seconds(5))) {
        return;
    }
    lastShown = now;
    finished = complete;
    const double seconds = std::chrono::duration<double>(now - start).count();
    char line[160];
    std::snprintf(line, sizeof line, "%s: %ld of %ld trials (%.0f%%), %.1f s", label.c_str(), done,
                  total, total > 0 ? static_cast<double>(done * 100 / total) : 100.0, seconds);
    out << line << std::endl;
}

}  // namespace quillmere
