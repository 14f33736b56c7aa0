#include "design_cli/design_program.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/immutable_attribute.h"

namespace quillmere::testing {
namespace {

std::vector<char*> argumentVector(std::vector<std::string>& words) {
    std::vector<char*> vector;
    for (std::string& word : words) {
        vector.push_back(word.data());
    }
    vector.push_back(nullptr);
    return vector;
}

// In the child: never returns.
[[noreturn]] void runChild(const std::filesystem::path& directory, std::vector<std::string> words,
                           const std::filesystem::path& outFile,
                           const std::filesystem::path& errFile, int fileSizeBlocks) {
    const int in = ::open("/dev/null", O_RDONLY);
    const int out = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 ||
        ::dup2(err, 2) < 0 || ::chdir(directory.c_str()) != 0) {
        ::_exit(120);
    }
    if (fileSizeBlocks > 0) {
        // A write beyond the limit then fails instead of ending the process.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlim_t bytes = static_cast<rlim_t>(fileSizeBlocks) * 512;
        const rlimit limit{bytes, bytes};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    std::vector<char*> argv = argumentVector(words);
    ::execv(argv[0], argv.data());
    ::_exit(121);
}

pid_t start(const std::filesystem::path& directory, const std::vector<std::string>& arguments,
            const std::filesystem::path& outFile, const std::filesystem::path& errFile,
            int fileSizeBlocks) {
    std::vector<std::string> words = {QUILLMERE_DESIGN_BINARY};
    words.insert(words.end(), arguments.begin(), arguments.end());
    const pid_t process = ::fork();
    if (process == 0) {
        runChild(directory, words, outFile, errFile, fileSizeBlocks);
    }
    return process;
}

}  // namespace

ProgramOutput runDesignProgram(const std::filesystem::path& directory,
                               const std::vector<std::string>& arguments, int fileSizeBlocks) {
    const std::filesystem::path io = directory.string() + "-io";
    std::filesystem::create_directories(io);
    const pid_t process = start(directory, arguments, io / "out", io / "err", fileSizeBlocks);
    ProgramOutput output;
    output.status = waitForProgram(process);
    output.out = readFile(io / "out");
    output.err = readFile(io / "err");
    std::filesystem::remove_all(io);
    return output;
}

pid_t startDesignProgram(const std::filesystem::path& directory,
                         const std::vector<std::string>& arguments,
                         const std::filesystem::path& outFile,
                         const std::filesystem::path& errFile) {
    return start(directory, arguments, outFile, errFile, 0);
}

int waitForProgram(pid_t process) {
    int raw = 0;
    if (process <= 0 || ::waitpid(process, &raw, 0) != process) {
        return -1;
    }
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : WIFSIGNALED(raw) ? 128 + WTERMSIG(raw) : -1;
}

std::map<std::string, std::string> treeOf(const std::filesystem::path& directory) {
    std::map<std::string, std::string> tree;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(directory)) {
        const std::string name = entry.path().lexically_relative(directory).string();
        tree[name] = entry.is_directory() ? "<directory>" : readFile(entry.path());
    }
    return tree;
}

void writeFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

UnwritableDirectory::UnwritableDirectory(std::filesystem::path directory)
    : directory_(std::move(directory)) {
    if (::geteuid() == 0) {
        // Root ignores permission bits; the immutable attribute stops it too.
        active_ = setImmutable(directory_, true);
    } else {
        std::error_code error;
        std::filesystem::permissions(
            directory_, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec,
            error);
        active_ = !error;
    }
}

UnwritableDirectory::~UnwritableDirectory() {
    if (!active_) {
        return;
    }
    if (::geteuid() == 0) {
        setImmutable(directory_, false);
    } else {
        std::error_code ignored;
        std::filesystem::permissions(directory_, std::filesystem::perms::owner_all, ignored);
    }
}

std::string UnwritableDirectory::reason() const {
    return ::geteuid() == 0 ? "Operation not permitted" : "Permission denied";
}

}  // namespace quillmere::testing
