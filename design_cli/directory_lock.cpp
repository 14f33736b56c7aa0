#include "design_cli/directory_lock.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace quillmere {

// Named like the staging directories: an entry of a run in progress, which a
// later run takes for no result.
const char* const directoryLockName = ".quillmere-design-partial-lock";

namespace {

using State = DirectoryLock::State;

// Tries a few times: the file may be removed by a run that ends meanwhile.
constexpr int attempts = 20;

#ifdef _WIN32

// The file goes when its last handle closes, also when the process dies.
State lockFile(const std::filesystem::path& file, std::intptr_t& handle) {
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const HANDLE opened =
            CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (opened == INVALID_HANDLE_VALUE) {
            // Refused while the file of an ending run is being removed.
            if (GetLastError() == ERROR_ACCESS_DENIED) {
                Sleep(20);
                continue;
            }
            return State::Unavailable;
        }
        OVERLAPPED whole{};
        if (LockFileEx(opened, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                       &whole)) {
            handle = reinterpret_cast<std::intptr_t>(opened);
            return State::Held;
        }
        const DWORD error = GetLastError();
        CloseHandle(opened);
        return error == ERROR_LOCK_VIOLATION ? State::Busy : State::Unavailable;
    }
    return State::Unavailable;
}

void release(const std::filesystem::path&, std::intptr_t handle) {
    CloseHandle(reinterpret_cast<HANDLE>(handle));
}

#else

bool sameFile(int descriptor, const std::filesystem::path& file) {
    struct stat open {};
    struct stat named {};
    return ::fstat(descriptor, &open) == 0 && ::stat(file.c_str(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

State lockFile(const std::filesystem::path& file, std::intptr_t& handle) {
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const int descriptor = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (descriptor < 0) {
            return State::Unavailable;
        }
        if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(descriptor);
            return error == EWOULDBLOCK ? State::Busy : State::Unavailable;
        }
        // A run that ended between the opening and the lock removed the file:
        // the lock is on a file nobody else will find, so take the new one.
        if (sameFile(descriptor, file)) {
            handle = descriptor;
            return State::Held;
        }
        ::close(descriptor);
    }
    return State::Unavailable;
}

// Removed while still locked, so that a run that opens the name afterwards
// finds a new file rather than one it could lock beside this run.
void release(const std::filesystem::path& file, std::intptr_t handle) {
    ::unlink(file.c_str());
    ::close(static_cast<int>(handle));
}

#endif

}  // namespace

DirectoryLock::DirectoryLock(const std::filesystem::path& directory)
    : file_(directory / directoryLockName) {
    state_ = lockFile(file_, handle_);
}

DirectoryLock::~DirectoryLock() {
    if (state_ == State::Held) {
        release(file_, handle_);
    }
}

}  // namespace quillmere
