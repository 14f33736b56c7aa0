#include "datafile/patient_data_reader.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <ostream>
#include <string>

#include "config/event_label.h"
#include "datafile/data_words.h"
#include "trial/trial_record.h"

namespace quillmere {

namespace {

constexpr std::size_t headerWordLimit = 999;
constexpr std::size_t identifierLimit = patientIdSize - 1;
constexpr std::size_t numberWordLimit = 999;

// A line end, the message and a line end, as every record check shows it.
bool reject(std::ostream& console, const std::string& message) {
    console << std::endl << message << std::endl;
    return false;
}

// False, after a message, when a header word does not fit the word buffer.
bool headerWordFits(const DataWord& word, int position, const std::string& dataFileName,
                    std::ostream& console) {
    if (!word.truncated) {
        return true;
    }
    return reject(console, "Header word " + std::to_string(position) + " of the data file (" +
                               dataFileName +
                               ") is longer than 999 characters. Please check the file.");
}

// A header word the file cannot do without, or empty after a message.
std::optional<std::string> readHeaderWord(std::FILE* file, const std::string& dataFileName,
                                          int position, const char* missingMessage,
                                          std::ostream& console) {
    const std::optional<DataWord> word = readDataWord(file, headerWordLimit);
    if (!word) {
        reject(console, "The data file (" + dataFileName + ") " + missingMessage);
        return std::nullopt;
    }
    if (!headerWordFits(*word, position, dataFileName, console)) {
        return std::nullopt;
    }
    return word->text;
}

// Reads and checks the header; true when the records may follow.
bool readHeader(std::FILE* file, const std::string& dataFileName, EventType eventType,
                std::ostream& console) {
    const std::optional<std::string> first = readHeaderWord(
        file, dataFileName, 1,
        "is empty. It must start with four header words, the second being the event label.",
        console);
    if (!first) {
        return false;
    }
    const std::optional<std::string> label = readHeaderWord(
        file, dataFileName, 2,
        "holds a single word and no event label. It must start with four header words, the "
        "second being the event label.",
        console);
    if (!label) {
        return false;
    }
    checkEventLabel(*label, eventType, dataFileName);
    for (int position = 3; position <= 4; ++position) {
        const std::optional<DataWord> word = readDataWord(file, headerWordLimit);
        if (word && !headerWordFits(*word, position, dataFileName, console)) {
            return false;
        }
    }
    return true;
}

struct RecordValues {
    std::optional<int> response;  // empty: not a whole number
    double eventTime = 0.0;       // NaN when the word is not a number
    double followUpTime = 0.0;
};

double numberOrNaN(const DataWord& word) {
    const std::optional<double> value = word.truncated ? std::nullopt : wholeNumber(word.text);
    return value ? *value : std::nan("");
}

// The three words after an identifier; empty when the file ends first.
std::optional<RecordValues> readRecordValues(std::FILE* file) {
    const std::optional<DataWord> response = readDataWord(file, numberWordLimit);
    const std::optional<DataWord> eventTime =
        response ? readDataWord(file, numberWordLimit) : std::nullopt;
    const std::optional<DataWord> followUp =
        eventTime ? readDataWord(file, numberWordLimit) : std::nullopt;
    if (!followUp) {
        return std::nullopt;
    }
    RecordValues values;
    values.response = response->truncated ? std::nullopt : wholeInteger(response->text);
    values.eventTime = numberOrNaN(*eventTime);
    values.followUpTime = numberOrNaN(*followUp);
    return values;
}

// Reads one record after its identifier into slot `index`; false after a
// message.
bool readRecord(std::FILE* file, const DataWord& identifier, int index, TrialData& data,
                std::ostream& console) {
    if (const std::optional<std::string> problem =
            patientIdentifierProblem(identifier.text, identifier.truncated, index)) {
        return reject(console, *problem);
    }
    const std::string& id = identifier.text;
    const std::optional<RecordValues> values = readRecordValues(file);
    if (!values) {
        return reject(console,
                      "For patient " + id +
                          ", the record is incomplete: the response indicator, event time and "
                          "follow-up time must follow the identifier. Please re-enter!");
    }
    if (const std::optional<std::string> problem =
            patientRecordProblem(id, values->response, values->eventTime, values->followUpTime,
                                 data.maxEvaluationWindow)) {
        return reject(console, *problem);
    }
    std::copy(id.begin(), id.end(), data.patientId[index].begin());
    data.patientId[index][id.size()] = '\0';
    data.responseIndicator[index] = *values->response;
    data.timeToEvent[index] = values->eventTime;
    data.followUpTime[index] = values->followUpTime;
    data.observedTime[index] = observedTimeFor(*values->response, values->eventTime,
                                               values->followUpTime, data.maxEvaluationWindow);
    return true;
}

// The header and every record; false after a message.
bool readHeaderAndRecords(std::FILE* file, const std::string& dataFileName, TrialData& data,
                          EventType eventType, std::ostream& console) {
    if (!readHeader(file, dataFileName, eventType, console)) {
        return false;
    }
    int count = 0;
    for (std::optional<DataWord> identifier = readDataWord(file, identifierLimit); identifier;
         identifier = readDataWord(file, identifierLimit)) {
        if (count == maxPatients) {
            console << std::endl
                    << "The number of patients entered exceed the limits. Please only enter "
                       "less or equal to 500 patients";
            console.flush();
            return false;
        }
        if (!readRecord(file, *identifier, count, data, console)) {
            return false;
        }
        ++count;
    }
    data.patientCount = count;
    return true;
}

}  // namespace

std::optional<std::string> patientIdentifierProblem(const std::string& id, bool truncated,
                                                    int index) {
    if (!truncated && id.size() <= identifierLimit && id.find('\0') == std::string::npos) {
        return std::nullopt;
    }
    const std::string shown = id.substr(0, std::min(id.find('\0'), identifierLimit));
    return "The identifier of patient number " + std::to_string(index + 1) + " (" + shown +
           "...) is longer than 99 characters or holds a NUL character. Please re-enter!";
}

// The checks of one record in their fixed order; the first that fails gives
// the message. An empty result means the record is accepted.
std::optional<std::string> patientRecordProblem(const std::string& id,
                                                std::optional<int> responseIndicator,
                                                double eventTime, double followUpTime,
                                                double window) {
    const double t = eventTime;
    const double u = followUpTime;
    if (t > window) {
        return "For patient " + id +
               ", event time is not allowed to be larger than maximum follow up time you "
               "entered. Please re-enter!";
    }
    if (t < 0 || std::isnan(t)) {
        return "Invalid event time! Please check the data for patient " + id;
    }
    if (u == 0) {
        return "For patient " + id +
               ", follow-up time is 0 which indicates he/she has not been enrolled. Please "
               "re-enter!";
    }
    if (t > u) {
        return "For patient " + id +
               ", event time is larger than follow-up time which is impossible. Please re-enter!";
    }
    if (!std::isfinite(u)) {
        return "For patient " + id + ", Invalid event time! Please re-enter!";
    }
    if (!responseIndicator || (*responseIndicator != 0 && *responseIndicator != 1)) {
        return "For patient " + id +
               ", invalid response indicator! Only 0 or 1 is allowed. Please check.";
    }
    return std::nullopt;
}

bool readPatientData(std::FILE* file, const std::string& dataFileName, TrialData& data,
                     EventType eventType, std::ostream& console) {
    try {
        return readHeaderAndRecords(file, dataFileName, data, eventType, console);
    } catch (const DataReadError&) {
        return reject(console, "The data file (" + dataFileName +
                                   ") could not be read. Please check that it is a readable file.");
    }
}

}  // namespace quillmere
