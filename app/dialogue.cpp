#include "app/dialogue.h"

#include <array>
#include <limits>

#include "app/console.h"
#include "config/trial_settings.h"

namespace quillmere {

namespace {

constexpr std::array<const char*, 3> choiceWords = {"TOXICITY.", "EFFICACY.",
                                                    "DISEASE PROGRESSION."};

bool isValidAnswer(int answer) {
    return answer >= 1 && answer <= 3;
}

// Reads one integer. A line that does not start with one is skipped, so the
// question can be asked again; empty at the end of the input.
std::optional<int> readAnswer(std::istream& in) {
    int answer = 0;
    if (in >> answer) {
        return answer;
    }
    if (in.eof()) {
        return std::nullopt;
    }
    in.clear();
    in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    if (in.eof()) {
        return std::nullopt;
    }
    return 0;  // not an integer: answered like any other wrong answer
}

void askAgain(std::ostream& out) {
    out << "Response was incorrect!";
    lineEnd(out);
    out << "Please enter a 1, 2 or 3 as described above";
    lineEnd(out);
}

}  // namespace

std::optional<int> obtainEventTypeAnswer(int argc, const char* const* argv, std::istream& in,
                                         std::ostream& out) {
    std::optional<int> answer = argc > 1 ? std::optional<int>(argv[1][0] - '0') : readAnswer(in);
    while (answer && !isValidAnswer(*answer)) {
        askAgain(out);
        answer = readAnswer(in);
    }
    if (!answer) {
        lineEnd(out);
        out << "No answer was given: the input ended before 1, 2 or 3 was entered.";
        lineEnd(out);
    }
    return answer;
}

std::string confirmChoice(int answer, std::ostream& out) {
    lineEnd(out);
    lineEnd(out);
    out << "You have chosen make a decision based upon "
        << choiceWords[static_cast<std::size_t>(answer - 1)];
    lineEnd(out);
    lineEnd(out);
    lineEnd(out);
    return *configurationFileForAnswer(answer);
}

}  // namespace quillmere
