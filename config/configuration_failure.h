#pragma once

#include <exception>
#include <stdexcept>
#include <string>

namespace quillmere {

// Carries a configuration or data-file label failure to the end of the run.
// Its text is the message block already shown to the user.
class ConfigurationFailure : public std::runtime_error {
  public:
    explicit ConfigurationFailure(const std::string& text)
        : std::runtime_error(text), text_(text) {}

    // The whole text: a value shown in it may hold a NUL character, where
    // what() would end.
    const std::string& text() const { return text_; }

  private:
    std::string text_;
};

// The full text of a failure caught on its way to the end of the run.
inline std::string failureText(const std::exception& failure) {
    if (const auto* configuration = dynamic_cast<const ConfigurationFailure*>(&failure)) {
        return configuration->text();
    }
    return failure.what();
}

}  // namespace quillmere
