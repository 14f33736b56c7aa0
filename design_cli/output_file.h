#pragma once

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "design_cli/staged_results.h"

namespace quillmere {

// A result file: its name in the output directory and what writes it.
struct ResultFile {
    std::string name;
    std::function<void(std::ostream&)> write;
};

std::vector<std::string> fileNames(const std::vector<ResultFile>& files);

// Writes every file into the staging directory of `staged`; throws
// std::runtime_error naming the output directory when anything written was
// lost (nothing reaches the output directory then).
void writeStagedFiles(const StagedResults& staged, const std::vector<ResultFile>& files,
                      const std::filesystem::path& directory);

}  // namespace quillmere
