#pragma once

#include <stdexcept>
#include <string>

namespace quillmere {

// Carries a configuration or data-file label failure to the end of the run.
// Its text is the message block already shown to the user.
class ConfigurationFailure : public std::runtime_error {
  public:
    explicit ConfigurationFailure(const std::string& text) : std::runtime_error(text) {}
};

}  // namespace quillmere
