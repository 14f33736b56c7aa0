#pragma once

#include <chrono>
#include <ostream>
#include <string>

namespace quillmere {

// Shows how far a long run has got on standard error: at most one line every
// five seconds, and a last one when the run is complete.
class ProgressMeter {
  public:
    ProgressMeter(std::ostream& out, std::string label);
    void operator()(long done, long total);

  private:
    std::ostream& out;
    std::string label;
    std::chrono::steady_clock::time_point start;
    std::chrono::steady_clock::time_point lastShown;
    bool finished = false;
};

}  // namespace quillmere
