#pragma once

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include <unistd.h>

namespace quillmere::testing {

// A fresh, empty directory under the system's temporary directory that the
// test works in; the previous working directory is restored and the
// directory removed at the end.
class WorkingDirectory {
  public:
    WorkingDirectory() : previous(std::filesystem::current_path()) {
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        for (int attempt = 0;; ++attempt) {
            path = base / ("quillmere-config-" + std::to_string(::getpid()) + "-" +
                           std::to_string(attempt));
            if (std::filesystem::create_directory(path)) {
                break;
            }
        }
        path = std::filesystem::canonical(path);
        std::filesystem::current_path(path);
    }
    ~WorkingDirectory() {
        std::filesystem::current_path(previous);
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

    // Writes the bytes exactly as given (no line end added or translated).
    std::string write(const std::string& name, const std::string& content) const {
        const std::filesystem::path file = path / name;
        std::ofstream out(file, std::ios::binary);
        out << content;
        return file.string();
    }

    std::filesystem::path path;

  private:
    std::filesystem::path previous;
};

// Collects everything written to std::cout while it lives.
class CapturedConsole {
  public:
    CapturedConsole() : saved(std::cout.rdbuf(captured.rdbuf())) {}
    ~CapturedConsole() { std::cout.rdbuf(saved); }
    CapturedConsole(const CapturedConsole&) = delete;
    CapturedConsole& operator=(const CapturedConsole&) = delete;

    std::string text() const { return captured.str(); }

  private:
    std::ostringstream captured;
    std::streambuf* saved;
};

}  // namespace quillmere::testing
