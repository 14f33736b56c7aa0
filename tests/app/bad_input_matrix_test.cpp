// Every kind of bad input a user can give the program, one case each, run
// through the built program: the exact console text, the exit status, and
// that a report written by an earlier run is left byte for byte as it was
// (the report is only appended to, and a failed run appends nothing).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <utility>
#include <vector>

#include "app/console_text.h"
#include "app/program_runner.h"
#include "app/trial_files.h"
#include "support/immutable_attribute.h"

namespace quillmere::testing {
namespace {

constexpr int configurationFailure = 2;
constexpr int inputFailure = 255;  // -1
constexpr int reportFailure = 1;
constexpr int noAnswer = 3;
constexpr int reportNotWritten = 4;

const std::string earlierReport =
    "\n\n----------------------------------------------------------------\n"
    "an earlier run\n---------------------The End---------------------\n";

const std::string head = bannerText + confirmationText("TOXICITY.");

// ---- configuration texts -------------------------------------------------

using Entries = std::vector<std::pair<std::string, std::string>>;

Entries soundEntries() {
    return {{"TrialType", "Toxicity"},
            {"RateBound", "0.3"},
            {"CutoffProbability", "0.9"},
            {"MaxEvaluationWindow", "30"},
            {"InputDataFileName", "data_toxicity.txt"}};
}

std::string configOf(const Entries& entries) {
    std::string text;
    for (const auto& [key, value] : entries) {
        text += key + " = " + value + "\n";
    }
    return text;
}

std::string configWithout(const std::string& key) {
    Entries entries = soundEntries();
    std::erase_if(entries, [&](const auto& entry) { return entry.first == key; });
    return configOf(entries);
}

std::string configWith(const std::string& key, const std::string& value) {
    Entries entries = soundEntries();
    for (auto& entry : entries) {
        if (entry.first == key) {
            entry.second = value;
        }
    }
    return configOf(entries);
}

// The sound configuration with the key given a second time, later in the file.
std::string configRepeating(const std::string& key, const std::string& value) {
    return configOf(soundEntries()) + key + " = " + value + "\n";
}

std::string missingKey(const std::string& key) {
    return "Failure to find key in file (" + key + ").\n";
}
std::string entryCount(int count) {
    return "Number of entries in config file is not appropriate, should have (5) entries, but (" +
           std::to_string(count) + ") entries.\n";
}
std::string typeMessage(const std::string& shown) {
    return "Type of event provided (" + shown +
           ") is not appropriate. Limit inputs to Toxicity, Efficacy, or DiseaseProgression\n";
}
std::string fileMessage(const std::string& shown) {
    return "Filename provided (" + shown +
           ") is not appropriate. \nLimit inputs to data_toxicity.txt, data_efficacy.txt, or "
           "data_diseaseProgression.txt\n";
}
std::string rangeMessage(const std::string& label, const std::string& shown) {
    return "The " + label + " was set to (" + shown +
           "). This value must lay within the open interval (0,1).\n";
}
std::string windowMessage(const std::string& shown) {
    return "The MaxEvaluationWindow was set to (" + shown +
           "). This value must be greater than zero.\n";
}
std::string notFinite(const std::string& label, const std::string& shown) {
    return "The " + label + " was set to (" + shown + "). This value is not a finite number.\n";
}
// A configuration block as the user sees it: its lines, then an empty line.
std::string block(const std::string& lines) {
    return lines + "\n";
}
// The block of a configuration with no usable entry at all.
std::string noEntriesBlock(const std::string& loadFailure) {
    return block(loadFailure + entryCount(0) + missingKey("TrialType") + typeMessage("") +
                 missingKey("RateBound") + missingKey("CutoffProbability") +
                 missingKey("MaxEvaluationWindow") + missingKey("InputDataFileName") +
                 fileMessage(""));
}

// ---- data texts ------------------------------------------------------------

const std::string dataHeader = "PatientData TOXICITY_EVENT Time FollowUp\n";

std::string recordMessage(const std::string& message) {
    return "\n" + message + "\n";
}

// ---- making files unwritable, also for root ----------------------------------

// Root ignores permission bits, so there the immutable attribute stands in
// for them; it also stops root from writing or creating files.
class Unwritable {
  public:
    // Makes the file or directory unwritable; false when this host offers no way.
    bool protect(const std::filesystem::path& path) {
        if (::geteuid() != 0) {
            std::filesystem::permissions(path,
                                         std::filesystem::perms::owner_write |
                                             std::filesystem::perms::group_write |
                                             std::filesystem::perms::others_write,
                                         std::filesystem::perm_options::remove);
            paths_.push_back(path);
            return true;
        }
        if (!setImmutable(path, true)) {
            return false;
        }
        paths_.push_back(path);
        return true;
    }
    Unwritable() = default;
    Unwritable(const Unwritable&) = delete;
    Unwritable& operator=(const Unwritable&) = delete;
    ~Unwritable() { release(); }

    void release() {
        for (const auto& path : paths_) {
            if (::geteuid() == 0) {
                setImmutable(path, false);
            } else {
                std::error_code ignored;
                std::filesystem::permissions(path, std::filesystem::perms::owner_write,
                                             std::filesystem::perm_options::add, ignored);
            }
        }
        paths_.clear();
    }

  private:
    std::vector<std::filesystem::path> paths_;
};

// ---- the cases ---------------------------------------------------------------

// What a case leaves of the report written by an earlier run.
enum class Report {
    Unchanged,   // the earlier report is byte for byte as it was
    NotCreated,  // there was none, and there still is none
    NotAFile,    // summary.txt is a directory or a device, left alone
};

struct Context {
    const TrialDirectory& dir;
    Unwritable& unwritable;
    // Absolute path of the configuration file as the program shows it.
    std::string configPath() const {
        return (std::filesystem::canonical(dir.path()) / toxicity.configFileName).string();
    }
};

using Prepare = std::function<std::string(const Context&)>;
using Message = std::function<std::string(const Context&)>;

struct BadInput {
    BadInput(std::string name, Prepare prepare, Message message, int status,
             Report report = Report::Unchanged, std::vector<std::string> arguments = {"1"},
             std::string input = "")
        : name(std::move(name)),
          prepare(std::move(prepare)),
          message(std::move(message)),
          status(status),
          report(report),
          arguments(std::move(arguments)),
          input(std::move(input)) {}

    std::string name;
    // Prepares the trial directory (which already holds the earlier report);
    // returns a reason when this host cannot provoke the case.
    Prepare prepare;
    // The console text after the banner and the confirmation.
    Message message;
    int status;
    Report report;
    std::vector<std::string> arguments;
    std::string input;
};

// A case with the given configuration and data file texts.
Prepare files(std::string config, std::string data) {
    return [config = std::move(config), data = std::move(data)](const Context& c) {
        c.dir.write(toxicity.configFileName, config);
        c.dir.write(toxicity.dataFileName, data);
        return std::string();
    };
}
Prepare config(std::string text) {
    return files(std::move(text), dataHeader + "A 0 30 30\n");
}
Prepare data(std::string text) {
    return files(configOf(soundEntries()), std::move(text));
}
Message text(std::string message) {
    return [message = std::move(message)](const Context&) { return message; };
}

std::string binaryBytes(std::size_t count, bool withSeparator) {
    std::string bytes;
    unsigned state = 12345;
    while (bytes.size() < count) {
        state = state * 1103515245u + 12345u;
        const char c = static_cast<char>((state >> 16) & 0xff);
        if (withSeparator || c != '=') {
            bytes.push_back(c);
        }
    }
    return bytes;
}

// Thirty lines of one million characters each, as extra keys.
std::string hugeConfig() {
    std::string text = configOf(soundEntries());
    for (int i = 0; i < 30; ++i) {
        text += "Filler" + std::to_string(i) + " = " + std::string(1000000, 'x') + "\n";
    }
    return text;
}

std::string patients(int count) {
    std::string records;
    for (int i = 0; i < count; ++i) {
        records += "P" + std::to_string(i + 1) + " 0 30 30\n";
    }
    return records;
}

const std::string recordIncomplete =
    ", the record is incomplete: the response indicator, event time and follow-up time must "
    "follow the identifier. Please re-enter!";
const std::string readFailure =
    "\nThe data file (data_toxicity.txt) could not be read. Please check that it is a readable "
    "file.\n";
const std::string badResponse =
    "For patient A, invalid response indicator! Only 0 or 1 is allowed. Please check.";
const std::string rateLimits =
    "). This value is too close to 0 or 1 for the computation; it must lie within [1e-07, "
    "0.9999999].\n";

std::vector<BadInput> configurationCases() {
    std::vector<BadInput> cases = {
        {"ConfigMissing",
         [](const Context& c) {
             c.dir.write(toxicity.dataFileName, dataHeader);
             return std::string();
         },
         [](const Context& c) {
             return noEntriesBlock("Failure to load file (" + c.configPath() + ").\n");
         },
         configurationFailure},
        {"ConfigEmpty", config(""), text(noEntriesBlock("")), configurationFailure},
        {"ConfigBinary", config(binaryBytes(4096, false)), text(noEntriesBlock("")),
         configurationFailure},
        {"ConfigHuge", config(hugeConfig()), text(block(entryCount(35))), configurationFailure},
        {"ConfigCarriageReturnsOnly",
         config("TrialType = Toxicity\rRateBound = 0.3\rCutoffProbability = 0.9\r"
                "MaxEvaluationWindow = 30\rInputDataFileName = data_toxicity.txt\r"),
         text(block(entryCount(1) +
                    typeMessage("TOXICITY\rRATEBOUND = 0.3\rCUTOFFPROBABILITY = 0.9\r"
                                "MAXEVALUATIONWINDOW = 30\rINPUTDATAFILENAME = DATA_TOXICITY.TXT") +
                    missingKey("RateBound") + missingKey("CutoffProbability") +
                    missingKey("MaxEvaluationWindow") + missingKey("InputDataFileName") +
                    fileMessage(""))),
         configurationFailure},
        {"ConfigWithNul", config(configWith("TrialType", std::string("Toxi\0city", 9))),
         text(block(typeMessage(std::string("TOXI\0CITY", 9)))), configurationFailure},
        {"ConfigIsADirectory",
         [](const Context& c) {
             std::filesystem::create_directory(c.dir.path() / toxicity.configFileName);
             c.dir.write(toxicity.dataFileName, dataHeader);
             return std::string();
         },
         [](const Context& c) {
             return noEntriesBlock("Failure to load file (" + c.configPath() + ").\n");
         },
         configurationFailure},
        {"ConfigUnreadable",
         [](const Context& c) {
             if (!std::filesystem::exists("/proc/self/mem")) {
                 return std::string("no /proc/self/mem to fail reads");
             }
             std::filesystem::create_symlink("/proc/self/mem",
                                             c.dir.path() / toxicity.configFileName);
             return std::string();
         },
         [](const Context& c) {
             return noEntriesBlock("Failure to load file (" + c.configPath() + ").\n");
         },
         configurationFailure},
        {"ConfigExtraKey", config(configOf(soundEntries()) + "Comment = extra\n"),
         text(block(entryCount(6))), configurationFailure},
        {"TrialTypeUnknown", config(configWith("TrialType", "Safety")),
         text(block(typeMessage("SAFETY"))), configurationFailure},
        {"DataFileNameUnknown", config(configWith("InputDataFileName", "../data_toxicity.txt")),
         text(block(fileMessage("../DATA_TOXICITY.TXT"))), configurationFailure},
        {"RateBoundTooCloseToZero", config(configWith("RateBound", "1e-17")),
         text(block("The Rate Bound was set to (1e-17" + rateLimits)), configurationFailure},
        {"RateBoundTooCloseToOne", config(configWith("RateBound", "0.99999999")),
         text(block("The Rate Bound was set to (0.99999999" + rateLimits)), configurationFailure},
        {"WindowTooSmall", config(configWith("MaxEvaluationWindow", "1e-310")),
         text(block("The MaxEvaluationWindow was set to (1e-310). This value is too small for "
                    "the computation; it must lie within [1e-300, 700000].\n")),
         configurationFailure},
        {"WindowTooLarge", config(configWith("MaxEvaluationWindow", "1e300")),
         text(block("The MaxEvaluationWindow was set to (1e+300). This value is too large for "
                    "the computation; it must lie within [1e-300, 700000].\n")),
         configurationFailure},
    };

    // Every key missing, given twice (the later, bad value counts) and empty.
    struct KeyCase {
        std::string key;
        std::string badValue;
        std::string badMessage;    // for the bad value
        std::string emptyMessage;  // for the empty value
    };
    const std::vector<KeyCase> keys = {
        {"TrialType", "Tox", typeMessage("TOX"), typeMessage("")},
        {"RateBound", "2", rangeMessage("Rate Bound", "2"), missingKey("RateBound")},
        {"CutoffProbability", "0", rangeMessage("Cutoff Probability", "0"),
         missingKey("CutoffProbability")},
        {"MaxEvaluationWindow", "-3", windowMessage("-3"), missingKey("MaxEvaluationWindow")},
        {"InputDataFileName", "data.txt", fileMessage("DATA.TXT"), fileMessage("")},
    };
    for (const KeyCase& k : keys) {
        const bool textKey = k.key == "TrialType" || k.key == "InputDataFileName";
        const std::string missing =
            entryCount(4) + missingKey(k.key) + (textKey ? k.emptyMessage : "");
        cases.push_back({k.key + "Missing", config(configWithout(k.key)), text(block(missing)),
                         configurationFailure});
        cases.push_back({k.key + "Repeated", config(configRepeating(k.key, k.badValue)),
                         text(block(k.badMessage)), configurationFailure});
        cases.push_back({k.key + "Empty", config(configWith(k.key, "")),
                         text(block(k.emptyMessage)), configurationFailure});
    }

    // Every numeric key not a number, out of range, NaN and infinite.
    struct NumberCase {
        std::string key;
        std::string label;
        std::string outOfRange;
        std::string outOfRangeMessage;
    };
    const std::vector<NumberCase> numbers = {
        {"RateBound", "Rate Bound", "1.5", rangeMessage("Rate Bound", "1.5")},
        {"CutoffProbability", "Cutoff Probability", "-0.5",
         rangeMessage("Cutoff Probability", "-0.5")},
        {"MaxEvaluationWindow", "MaxEvaluationWindow", "0", windowMessage("0")},
    };
    for (const NumberCase& n : numbers) {
        cases.push_back({n.key + "NotANumber", config(configWith(n.key, "thirty")),
                         text(block(missingKey(n.key))), configurationFailure});
        cases.push_back({n.key + "OutOfRange", config(configWith(n.key, n.outOfRange)),
                         text(block(n.outOfRangeMessage)), configurationFailure});
        cases.push_back({n.key + "NaN", config(configWith(n.key, "NaN")),
                         text(block(missingKey(n.key) + notFinite(n.label, "NaN"))),
                         configurationFailure});
        cases.push_back({n.key + "Infinite", config(configWith(n.key, "-inf")),
                         text(block(missingKey(n.key) + notFinite(n.label, "-inf"))),
                         configurationFailure});
    }
    return cases;
}

std::vector<BadInput> dataCases() {
    return {
        {"DataMissing",
         [](const Context& c) {
             c.dir.write(toxicity.configFileName, configOf(soundEntries()));
             return std::string();
         },
         text("The data file does not exist!\n"), inputFailure},
        {"DataEmpty", data(""),
         text(recordMessage("The data file (data_toxicity.txt) is empty. It must start with four "
                            "header words, the second being the event label.")),
         inputFailure},
        {"DataBinary", data(binaryBytes(4096, true)),
         text("Event label in (data_toxicity.txt) does not match the required version "
              "(toxicity_event). This may be due to user error, please revise and make sure file "
              "is correct file.\n\n"),
         configurationFailure},
        {"DataHuge", data(dataHeader + std::string(30000000, ' ') + "\nA 0 40 40\n"),
         text(recordMessage("For patient A, event time is not allowed to be larger than maximum "
                            "follow up time you entered. Please re-enter!")),
         inputFailure},
        {"DataCarriageReturnsOnly",
         data("PatientData\rTOXICITY_EVENT\rTime\rFollowUp\rA\r0\r30\r30\rB\r1\r40\r40\r"),
         text(recordMessage("For patient B, event time is not allowed to be larger than maximum "
                            "follow up time you entered. Please re-enter!")),
         inputFailure},
        {"DataWithNulInIdentifier", data(dataHeader + std::string("A\0B 0 30 30\n", 12)),
         text(recordMessage("The identifier of patient number 1 (A...) is longer than 99 "
                            "characters or holds a NUL character. Please re-enter!")),
         inputFailure},
        {"DataWithNulInLabel",
         data("PatientData TOXICITY_EVENT" + std::string(1, '\0') + " Time FollowUp\nA 0 30 30\n"),
         text("Event label in (data_toxicity.txt) does not match the required version "
              "(toxicity_event). This may be due to user error, please revise and make sure file "
              "is correct file.\n\n"),
         configurationFailure},
        {"DataIsADirectory",
         [](const Context& c) {
             c.dir.write(toxicity.configFileName, configOf(soundEntries()));
             std::filesystem::create_directory(c.dir.path() / toxicity.dataFileName);
             return std::string();
         },
         text(readFailure), inputFailure},
        {"DataUnreadable",
         [](const Context& c) {
             c.dir.write(toxicity.configFileName, configOf(soundEntries()));
             if (!std::filesystem::exists("/proc/self/mem")) {
                 return std::string("no /proc/self/mem to fail reads");
             }
             // Reading a process's own memory from offset 0 fails for any user.
             std::filesystem::create_symlink("/proc/self/mem",
                                             c.dir.path() / toxicity.dataFileName);
             return std::string();
         },
         text(readFailure), inputFailure},
        {"DataWrongLabel", data("PatientData EFFICACY_EVENT Time FollowUp\nA 0 30 30\n"),
         text("Event label in (data_toxicity.txt) does not match the required version "
              "(toxicity_event). This may be due to user error, please revise and make sure file "
              "is correct file.\n\n"),
         configurationFailure},
        {"DataSingleWord", data("PatientData"),
         text(recordMessage("The data file (data_toxicity.txt) holds a single word and no event "
                            "label. It must start with four header words, the second being the "
                            "event label.")),
         inputFailure},
        {"RecordTruncated", data(dataHeader + "A 0 30 30\nB 0 30"),
         text(recordMessage("For patient B" + recordIncomplete)), inputFailure},
        {"IdentifierTooLong", data(dataHeader + std::string(100, 'I') + " 0 30 30\n"),
         text(recordMessage("The identifier of patient number 1 (" + std::string(99, 'I') +
                            "...) is longer than 99 characters or holds a NUL character. Please "
                            "re-enter!")),
         inputFailure},
        {"HeaderWordTooLong",
         data("PatientData TOXICITY_EVENT " + std::string(1000, 'H') + " FollowUp\n"),
         text(recordMessage("Header word 3 of the data file (data_toxicity.txt) is longer than "
                            "999 characters. Please check the file.")),
         inputFailure},
        {"NumberWordTooLong", data(dataHeader + "A 0 " + std::string(2000, '1') + " 30\n"),
         text(recordMessage("Invalid event time! Please check the data for patient A")),
         inputFailure},
        {"EventTimeNegative", data(dataHeader + "A 0 -1 30\n"),
         text(recordMessage("Invalid event time! Please check the data for patient A")),
         inputFailure},
        {"EventTimeNaN", data(dataHeader + "A 0 nan 30\n"),
         text(recordMessage("Invalid event time! Please check the data for patient A")),
         inputFailure},
        {"EventTimeInfinite", data(dataHeader + "A 0 inf 30\n"),
         text(recordMessage("For patient A, event time is not allowed to be larger than maximum "
                            "follow up time you entered. Please re-enter!")),
         inputFailure},
        {"EventTimeMinusInfinite", data(dataHeader + "A 0 -inf 30\n"),
         text(recordMessage("Invalid event time! Please check the data for patient A")),
         inputFailure},
        {"FollowUpNegative", data(dataHeader + "A 0 3 -5\n"),
         text(recordMessage("For patient A, event time is larger than follow-up time which is "
                            "impossible. Please re-enter!")),
         inputFailure},
        {"FollowUpNaN", data(dataHeader + "A 0 3 nan\n"),
         text(recordMessage("For patient A, Invalid event time! Please re-enter!")), inputFailure},
        {"FollowUpInfinite", data(dataHeader + "A 0 3 inf\n"),
         text(recordMessage("For patient A, Invalid event time! Please re-enter!")), inputFailure},
        {"FollowUpZero", data(dataHeader + "A 0 0 0\n"),
         text(recordMessage("For patient A, follow-up time is 0 which indicates he/she has not "
                            "been enrolled. Please re-enter!")),
         inputFailure},
        {"Patients501", data(dataHeader + patients(501)),
         text("\nThe number of patients entered exceed the limits. Please only enter less or "
              "equal to 500 patients"),
         inputFailure},
        {"ResponseNotInteger", data(dataHeader + "A 0.5 3 30\n"), text(recordMessage(badResponse)),
         inputFailure},
        {"ResponseNegative", data(dataHeader + "A -1 3 30\n"), text(recordMessage(badResponse)),
         inputFailure},
        {"ResponseHuge", data(dataHeader + "A 99999999999999999999 3 30\n"),
         text(recordMessage(badResponse)), inputFailure},
        {"ResponseTwo", data(dataHeader + "A 2 3 30\n"), text(recordMessage(badResponse)),
         inputFailure},
    };
}

std::vector<BadInput> runCases() {
    const auto noSummary = [](const Context& c) {
        std::filesystem::remove(c.dir.path() / "summary.txt");
    };
    const std::string cannotOpen = " can not open summary.txt\n";
    return {
        {"NoInputAtTheQuestion",
         config(configOf(soundEntries())),
         text("\nNo answer was given: the input ended before 1, 2 or 3 was entered.\n"),
         noAnswer,
         Report::Unchanged,
         {},
         ""},
        {"OnlyWrongInputAtTheQuestion",
         config(configOf(soundEntries())),
         text(incorrectResponseText + incorrectResponseText +
              "\nNo answer was given: the input ended before 1, 2 or 3 was entered.\n"),
         noAnswer,
         Report::Unchanged,
         {"x"},
         "seven\n"},
        {"SummaryNotWritable",
         [](const Context& c) {
             c.dir.write(toxicity.configFileName, configOf(soundEntries()));
             c.dir.write(toxicity.dataFileName, dataHeader + "A 0 30 30\n");
             return c.unwritable.protect(c.dir.path() / "summary.txt")
                        ? std::string()
                        : std::string("this file system cannot make a file unwritable for root");
         },
         text(cannotOpen), reportFailure},
        {"SummaryIsADirectory",
         [=](const Context& c) {
             noSummary(c);
             std::filesystem::create_directory(c.dir.path() / "summary.txt");
             c.dir.write(toxicity.configFileName, configOf(soundEntries()));
             c.dir.write(toxicity.dataFileName, dataHeader + "A 0 30 30\n");
             return std::string();
         },
         text(cannotOpen), reportFailure, Report::NotAFile},
        {"SummaryInReadOnlyDirectory",
         [=](const Context& c) {
             noSummary(c);
             c.dir.write(toxicity.configFileName, configOf(soundEntries()));
             c.dir.write(toxicity.dataFileName, dataHeader + "A 0 30 30\n");
             return c.unwritable.protect(c.dir.path())
                        ? std::string()
                        : std::string(
                              "this file system cannot make a directory unwritable for "
                              "root");
         },
         text(cannotOpen), reportFailure, Report::NotCreated},
        {"SummaryOnAFullDisk",
         [=](const Context& c) {
             if (!std::filesystem::exists("/dev/full")) {
                 return std::string("no /dev/full on this machine");
             }
             noSummary(c);
             std::filesystem::create_symlink("/dev/full", c.dir.path() / "summary.txt");
             c.dir.write(toxicity.configFileName, configOf(soundEntries()));
             c.dir.write(toxicity.dataFileName, dataHeader + "A 0 30 30\nB 1 3 30\n");
             return std::string();
         },
         [](const Context&) {
             // The whole analysis runs; only its recording fails, and the
             // run says so instead of completing.
             return std::string(
                 "\n\nWe suggest to CONTINUE the trial. Please check the input data and see "
                 "decision details in summary.txt.\n\n"
                 "\nThe report file summary.txt could not be written completely "
                 "(disk full or write error): the decision of this run is not "
                 "recorded in it.\n");
         },
         reportNotWritten, Report::NotAFile},
    };
}

std::vector<BadInput> allCases() {
    std::vector<BadInput> cases = configurationCases();
    for (auto* more : {&dataCases, &runCases}) {
        for (BadInput& c : more()) {
            cases.push_back(std::move(c));
        }
    }
    return cases;
}

class BadInputMatrix : public ::testing::TestWithParam<BadInput> {};

TEST_P(BadInputMatrix, GivesItsMessageAndStatusAndLeavesTheReport) {
    const BadInput& c = GetParam();
    TrialDirectory dir;
    Unwritable unwritable;  // released before the directory is removed
    dir.write("summary.txt", earlierReport);
    const Context context{dir, unwritable};
    const std::string unavailable = c.prepare(context);
    if (!unavailable.empty()) {
        GTEST_SKIP() << unavailable;
    }
    const ProgramRun run = dir.run(c.arguments, c.input);
    // Without an answer there is no confirmation.
    EXPECT_EQ(run.out, (c.status == noAnswer ? bannerText : head) + c.message(context));
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.err, "");
    switch (c.report) {
        case Report::Unchanged:
            EXPECT_EQ(dir.read("summary.txt"), earlierReport);
            break;
        case Report::NotCreated:
            EXPECT_FALSE(std::filesystem::exists(dir.path() / "summary.txt"));
            break;
        case Report::NotAFile:
            EXPECT_FALSE(std::filesystem::is_regular_file(dir.path() / "summary.txt"));
            break;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryKind, BadInputMatrix, ::testing::ValuesIn(allCases()),
                         [](const ::testing::TestParamInfo<BadInput>& info) {
                             return info.param.name;
                         });

}  // namespace
}  // namespace quillmere::testing
