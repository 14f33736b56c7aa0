#include <filesystem>
#include <sstream>
#include <system_error>

#include "config/config_file_reader.h"
#include "config/configuration_failure.h"
#include "config/trial_settings.h"

namespace quillmere {

namespace {

// The configuration file lies in the working directory; its absolute path is
// what the messages show. The host's directory separator joins the two.
std::string absolutePathIn(const std::string& directory, const std::string& fileName) {
    const char separator = static_cast<char>(std::filesystem::path::preferred_separator);
    if (!directory.empty() && directory.back() == separator) {
        return directory + fileName;
    }
    return directory + separator + fileName;
}

}  // namespace

void ConfigFileReader::loadTrialConfiguration() {
    std::error_code error;
    const std::filesystem::path directory = std::filesystem::current_path(error);
    if (!error) {
        loadTrialConfigurationIn(directory);
        return;
    }
    // Without a working directory there is no file to load; the run fails
    // with the same block as for a missing file, led by the cause.
    std::ostringstream messages;
    messages << "Failure to determine the working directory (" << error.message() << ")."
             << std::endl;
    messages << "Failure to load file (" << getFileName() << ")." << std::endl;
    validateTrialSettings(*this, messages);
    throw ConfigurationFailure(messages.str());
}

void ConfigFileReader::loadTrialConfigurationIn(const std::filesystem::path& directory) {
    std::ostringstream messages;
    const std::string path = absolutePathIn(directory.string(), getFileName());
    fileName = path;
    if (loadFile() == -1) {
        messages << "Failure to load file (" << path << ")." << std::endl;
    }
    validateTrialSettings(*this, messages);
    if (!messages.str().empty()) {
        throw ConfigurationFailure(messages.str());
    }
}

}  // namespace quillmere
