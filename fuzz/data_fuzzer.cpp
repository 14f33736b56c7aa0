// Fuzzes the patient data reader and the event label check through
// readPatientData, the function the program reads its data file with. The
// first byte chooses the event type, the rest is the file. Records it
// accepts must satisfy every check the engine relies on, and the exposure
// table built from them must hold finite, non-negative times.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <sstream>

#include "config/config.h"
#include "datafile/patient_data_reader.h"
#include "engine/engine.h"
#include "fuzz/fuzz_support.h"
#include "trial/trial_record.h"

namespace {

using quillmere::TrialData;

constexpr double window = 30.0;

void checkAcceptedRecord(TrialData& data) {
    using namespace quillmere;
    QUILLMERE_FUZZ_REQUIRE(data.patientCount >= 0 && data.patientCount <= maxPatients);
    for (int i = 0; i < data.patientCount; ++i) {
        const double t = data.timeToEvent[i];
        const double u = data.followUpTime[i];
        const int r = data.responseIndicator[i];
        QUILLMERE_FUZZ_REQUIRE(r == 0 || r == 1);
        QUILLMERE_FUZZ_REQUIRE(t >= 0 && t <= window);
        QUILLMERE_FUZZ_REQUIRE(std::isfinite(u) && u > 0 && t <= u);
        QUILLMERE_FUZZ_REQUIRE(data.observedTime[i] >= 0 && data.observedTime[i] <= window);
        QUILLMERE_FUZZ_REQUIRE(data.patientId[i][patientIdSize - 1] == '\0');
    }
    prepareRecord(data);
    computeExposureTable(data);
    for (int i = 0; i < data.patientCount; ++i) {
        for (int j = 0; j < intervalCount; ++j) {
            QUILLMERE_FUZZ_REQUIRE(std::isfinite(data.exposure[i][j]) && data.exposure[i][j] >= 0);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quillmere::fuzzing::silenceConsole();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const auto eventType = static_cast<quillmere::EventType>(1 + bytes[0] % 3);
    // fmemopen does not take an empty buffer everywhere: an empty file is
    // the empty device.
    std::FILE* file = size > 1 ? ::fmemopen(const_cast<std::uint8_t*>(bytes + 1), size - 1, "r")
                               : std::fopen("/dev/null", "r");
    if (file == nullptr) {
        return 0;
    }
    static auto data = std::make_unique<TrialData>();
    *data = TrialData{};
    data->maxEvaluationWindow = window;
    bool accepted = false;
    std::ostringstream messages;
    try {
        accepted =
            quillmere::readPatientData(file, "data_toxicity.txt", *data, eventType, messages);
    } catch (const quillmere::ConfigurationFailure& failure) {
        // The label check ends the run this way, with its own message.
        messages << failure.text();
    }
    std::fclose(file);
    if (accepted) {
        checkAcceptedRecord(*data);
    } else if (messages.str().empty()) {
        std::abort();  // a rejected file must always say why
    }
    return 0;
}
