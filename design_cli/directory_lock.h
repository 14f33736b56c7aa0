#pragma once

// One run at a time in an output directory: two runs writing into one would
// each report success while the results of one of them are lost. The hold
// is the operating system's exclusive lock on a file in the directory
// (directoryLockName), taken without waiting; the system releases it also
// when the process dies. The file is removed when the hold ends.

#include <cstdint>
#include <filesystem>

namespace quillmere {

extern const char* const directoryLockName;

class DirectoryLock {
  public:
    enum class State {
        Held,
        Busy,  // another process holds it
        // The file cannot be made or locked here (a directory that cannot be
        // written, a file system without locks): nothing is held, and the
        // run's own writing will say whether results can go there.
        Unavailable,
    };

    explicit DirectoryLock(const std::filesystem::path& directory);
    ~DirectoryLock();
    DirectoryLock(const DirectoryLock&) = delete;
    DirectoryLock& operator=(const DirectoryLock&) = delete;

    State state() const { return state_; }

  private:
    std::filesystem::path file_;
    std::intptr_t handle_ = -1;  // a file descriptor, or a Windows handle
    State state_ = State::Unavailable;
};

}  // namespace quillmere
