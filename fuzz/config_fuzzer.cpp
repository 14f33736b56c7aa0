// Fuzzes the configuration file reader and the trial settings validation
// through the program's own entry: the input is written as the configuration
// file in a private working directory and loaded with loadTrialConfiguration.
// Settings it accepts must give a sound prior hazard and interval bounds.
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "config/config.h"
#include "fuzz/fuzz_support.h"
#include "trial/trial_record.h"

namespace {

const char* const configFileName = "TrialConfig_Toxicity.config";
std::filesystem::path workingDirectory;

void removeWorkingDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(workingDirectory, ignored);
}

bool writeConfiguration(const std::uint8_t* bytes, std::size_t size) {
    std::FILE* file = std::fopen(configFileName, "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(bytes, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

void checkAcceptedSettings(quillmere::ConfigFileReader& reader) {
    using namespace quillmere;
    const TrialSettings settings = readTrialSettings(reader);
    QUILLMERE_FUZZ_REQUIRE(settings.rateBound > 0 && settings.rateBound < 1);
    QUILLMERE_FUZZ_REQUIRE(settings.cutoffProbability > 0 && settings.cutoffProbability < 1);
    QUILLMERE_FUZZ_REQUIRE(std::isfinite(settings.maxEvaluationWindow) &&
                           settings.maxEvaluationWindow > 0);
    const double lambda0 =
        lambda0For(settings.eventType, settings.rateBound, settings.maxEvaluationWindow);
    QUILLMERE_FUZZ_REQUIRE(std::isfinite(lambda0) && lambda0 > 0);
    // The bound the sampler hands to the beta function in single precision.
    const double bound = settings.eventType == EventType::DiseaseProgression
                             ? 1 - settings.rateBound
                             : settings.rateBound;
    const float singleBound = static_cast<float>(bound);
    QUILLMERE_FUZZ_REQUIRE(singleBound > 0 && singleBound < 1);
    TrialData data;
    data.maxEvaluationWindow = settings.maxEvaluationWindow;
    prepareRecord(data);
    for (int k = 0; k < intervalCount; ++k) {
        QUILLMERE_FUZZ_REQUIRE(std::isfinite(data.intervalBound[k + 1]) &&
                               data.intervalBound[k] < data.intervalBound[k + 1]);
    }
    // The smallest hazard over the whole window keeps a survival above zero.
    QUILLMERE_FUZZ_REQUIRE(std::exp(-0.001 * settings.maxEvaluationWindow) > 0);
}

// A memory file system where there is one: rewriting a file on a disk file
// system may force it to the disk at every input.
std::filesystem::path scratchBase() {
    std::error_code error;
    if (std::filesystem::is_directory("/dev/shm", error) && ::access("/dev/shm", W_OK) == 0) {
        return "/dev/shm";
    }
    return std::filesystem::temp_directory_path();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string pattern = (scratchBase() / "quillmere-config-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr || ::chdir(pattern.c_str()) != 0) {
        std::perror("quillmere config fuzzer: no private working directory");
        std::abort();
    }
    workingDirectory = pattern;
    std::atexit(removeWorkingDirectory);
    quillmere::fuzzing::silenceConsole();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (!writeConfiguration(bytes, size)) {
        std::abort();
    }
    quillmere::ConfigFileReader reader(configFileName);
    try {
        reader.loadTrialConfiguration();
    } catch (const quillmere::ConfigurationFailure&) {
        return 0;
    }
    checkAcceptedSettings(reader);
    return 0;
}
