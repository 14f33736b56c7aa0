#pragma once

// Runs the built program in a temporary trial directory and collects what it
// printed, its exit status and the files it left.
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace quillmere::testing {

struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string readWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void writeWholeFile(const std::filesystem::path& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
}

class TrialDirectory {
  public:
    TrialDirectory() {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path() /
                ("quillmere-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        io_ = path_.string() + "-io";
        std::filesystem::remove_all(path_);
        std::filesystem::remove_all(io_);
        std::filesystem::create_directories(path_);
        std::filesystem::create_directories(io_);
    }
    ~TrialDirectory() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
        std::filesystem::remove_all(io_, ignored);
    }
    TrialDirectory(const TrialDirectory&) = delete;
    TrialDirectory& operator=(const TrialDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }
    void write(const std::string& name, const std::string& content) const {
        writeWholeFile(path_ / name, content);
    }
    std::string read(const std::string& name) const { return readWholeFile(path_ / name); }
    bool exists(const std::string& name) const { return std::filesystem::exists(path_ / name); }
    // Copies every file of a directory (an example or a reference run).
    void copyFrom(const std::filesystem::path& source) const {
        for (const auto& entry : std::filesystem::directory_iterator(source)) {
            std::filesystem::copy_file(entry.path(), path_ / entry.path().filename());
        }
    }

    // Runs the program here with the given arguments and standard input. The
    // console streams go to files beside the directory, so that a run in a
    // directory that cannot be written still has them.
    ProgramRun run(const std::vector<std::string>& arguments, const std::string& input = "") const {
        writeWholeFile(io_ / "stdin", input);
        std::string command = "cd '" + path_.string() + "' && '" QUILLMERE_BINARY "'";
        for (const std::string& argument : arguments) {
            command += " '" + argument + "'";
        }
        command += " < '" + (io_ / "stdin").string() + "' > '" + (io_ / "stdout").string() +
                   "' 2> '" + (io_ / "stderr").string() + "'";
        const int raw = std::system(command.c_str());
        ProgramRun result;
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.out = readWholeFile(io_ / "stdout");
        result.err = readWholeFile(io_ / "stderr");
        return result;
    }

  private:
    std::filesystem::path path_;
    std::filesystem::path io_;
};

// Splits a text at its newlines (the last piece may be empty).
inline std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    if (!text.empty() && text.back() == '\n') {
        lines.push_back("");
    }
    return lines;
}

inline const std::filesystem::path sourceDir{QUILLMERE_SOURCE_DIR};
inline const std::filesystem::path testDataDir{QUILLMERE_TEST_DATA_DIR};

}  // namespace quillmere::testing
