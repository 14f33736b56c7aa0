#pragma once

// Runs the built quillmere-design in a directory of its own and looks at
// what it left there.
#include <sys/types.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace quillmere::testing {

struct ProgramOutput {
    int status = -1;  // the exit status, or 128 + the signal that ended it
    std::string out;
    std::string err;
};

// Runs the program in `directory` with standard input from /dev/null. With a
// file size limit (in 512-byte blocks) every file it writes is cut there.
ProgramOutput runDesignProgram(const std::filesystem::path& directory,
                               const std::vector<std::string>& arguments, int fileSizeBlocks = 0);

// Starts the program in `directory` without waiting for it; its console
// streams go to the two files.
pid_t startDesignProgram(const std::filesystem::path& directory,
                         const std::vector<std::string>& arguments,
                         const std::filesystem::path& outFile,
                         const std::filesystem::path& errFile);

// Waits for a started program; its exit status, or 128 + the ending signal.
int waitForProgram(pid_t process);

// Every entry under `directory` by relative path: a file with its contents,
// a directory as "<directory>".
std::map<std::string, std::string> treeOf(const std::filesystem::path& directory);

void writeFile(const std::filesystem::path& path, const std::string& text);
std::string readFile(const std::filesystem::path& path);

// Makes a directory unwritable, also for root (through the immutable
// attribute); gives it back on destruction. active() is false when this
// host offers no way.
class UnwritableDirectory {
  public:
    explicit UnwritableDirectory(std::filesystem::path directory);
    ~UnwritableDirectory();
    UnwritableDirectory(const UnwritableDirectory&) = delete;
    UnwritableDirectory& operator=(const UnwritableDirectory&) = delete;
    bool active() const { return active_; }
    // What creating a file in it fails with.
    std::string reason() const;

  private:
    std::filesystem::path directory_;
    bool active_ = false;
};

}  // namespace quillmere::testing
