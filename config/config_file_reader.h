#pragma once

#include <cstddef>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>

namespace quillmere {

// Removes leading and trailing blanks and tabs, nothing else.
void trimBlanks(std::string& text);

// Reads a file of "key = value" lines into an ordered table and answers
// lookups. Never prints: failures are results plus text in its error buffer.
class ConfigFileReader {
  public:
    explicit ConfigFileReader(std::string fileName);
    virtual ~ConfigFileReader();
    virtual std::string getErrorText() const;
    virtual void clearErrors();
    virtual std::string listEntries() const;
    virtual int loadFile();

    bool getValue(std::string& value, const std::string& key);
    bool getValue(double& value, const std::string& key);
    std::string getFileName() const;
    // Number of distinct keys in the table.
    std::size_t entryCount() const { return entries.size(); }

    // Makes the file name absolute in the working directory, loads the file
    // and validates the trial settings; on any problem throws
    // ConfigurationFailure carrying every message, and writes nothing.
    void loadTrialConfiguration();
    // The same in the given (absolute) directory.
    void loadTrialConfigurationIn(const std::filesystem::path& directory);

  private:
    std::string fileName;
    std::map<std::string, std::string> entries;
    std::ostringstream errorBuffer;
    char commentChar;
    char lineDelimiter;
    char separator;
};

}  // namespace quillmere
