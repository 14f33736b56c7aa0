#include "design/late_outcome_method.h"

#include <array>
#include <cctype>

namespace quillmere {
namespace {

constexpr std::array<const char*, 4> methodNames = {"imputation", "complete-case", "suspension",
                                                    "weighted"};

}  // namespace

std::string lateOutcomeMethodName(LateOutcomeMethod method) {
    return methodNames[static_cast<std::size_t>(method)];
}

std::optional<LateOutcomeMethod> lateOutcomeMethodNamed(const std::string& name) {
    std::string lower;
    for (const char c : name) {
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    for (std::size_t i = 0; i < methodNames.size(); ++i) {
        if (lower == methodNames[i]) {
            return static_cast<LateOutcomeMethod>(i);
        }
    }
    return std::nullopt;
}

}  // namespace quillmere
