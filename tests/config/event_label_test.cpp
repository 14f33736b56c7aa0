#include "config/event_label.h"

#include <gtest/gtest.h>

#include "config/config_test_support.h"
#include "config/configuration_failure.h"

namespace quillmere {
namespace {

std::string mismatchMessage(const std::string& fileName, const std::string& version) {
    return "Event label in (" + fileName + ") does not match the required version (" + version +
           "). This may be due to user error, please revise and make sure file is correct file.\n";
}

// Runs the check, which itself writes nothing; returns what the console
// program shows for a failure (its text and a line end), and the failure's
// text through the last argument (empty when the label was accepted).
std::string check(const std::string& label, EventType eventType, const std::string& fileName,
                  std::string& failure) {
    testing::CapturedConsole console;
    failure.clear();
    try {
        checkEventLabel(label, eventType, fileName);
    } catch (const ConfigurationFailure& raised) {
        failure = raised.what();
    }
    EXPECT_EQ(console.text(), "") << "the check wrote to the console itself";
    return failure.empty() ? "" : failure + "\n";
}

TEST(EventLabel, AcceptsTheWholeLabelInAnyLetterCase) {
    struct Case {
        const char* label;
        EventType eventType;
    };
    const Case accepted[] = {
        {"TOXICITY_EVENT", EventType::Toxicity},
        {"toxicity_event", EventType::Toxicity},
        {"Toxicity_Event", EventType::Toxicity},
        {"EFFICACY_EVENT", EventType::Efficacy},
        {"efficacy_event", EventType::Efficacy},
        {"DISEASEPROGRESSION_EVENT", EventType::DiseaseProgression},
        {"diseaseProgression_event", EventType::DiseaseProgression},
    };
    for (const Case& c : accepted) {
        std::string failure;
        EXPECT_EQ(check(c.label, c.eventType, "data_toxicity.txt", failure), "") << c.label;
        EXPECT_EQ(failure, "") << c.label;
    }
}

TEST(EventLabel, ToxicityRunRejectsOtherLabels) {
    for (const char* label : {"EFFICACY_EVENT", "TOXICITY_EVENTS", "TOXICITY_EVENT,", "TOXICITY",
                              " TOXICITY_EVENT", ""}) {
        std::string failure;
        const std::string console = check(label, EventType::Toxicity, "Data_Toxicity.txt", failure);
        const std::string message = mismatchMessage("Data_Toxicity.txt", "toxicity_event");
        EXPECT_EQ(failure, message) << label;
        EXPECT_EQ(console, message + "\n") << label;
    }
}

TEST(EventLabel, EfficacyRunNamesConfiguredFileAsWritten) {
    std::string failure;
    const std::string console =
        check("TOXICITY_EVENT", EventType::Efficacy, "data_toxicity.txt", failure);
    EXPECT_EQ(console,
              "Event label in (data_toxicity.txt) does not match the required version "
              "(efficacy_event). This may be due to user error, please revise and make sure file "
              "is correct file.\n\n");
    EXPECT_EQ(failure, mismatchMessage("data_toxicity.txt", "efficacy_event"));
}

TEST(EventLabel, DiseaseProgressionRunRejectsOtherLabels) {
    for (const char* label :
         {"EFFICACY_EVENT", "DISEASE_PROGRESSION_EVENT", "DISEASEPROGRESSION"}) {
        std::string failure;
        const std::string console =
            check(label, EventType::DiseaseProgression, "data_diseaseProgression.txt", failure);
        const std::string message =
            mismatchMessage("data_diseaseProgression.txt", "diseaseProgression_event");
        EXPECT_EQ(failure, message) << label;
        EXPECT_EQ(console, message + "\n") << label;
    }
}

}  // namespace
}  // namespace quillmere
