#include "design_cli/output_file.h"

#include <fstream>
#include <stdexcept>

namespace quillmere {

std::vector<std::string> fileNames(const std::vector<ResultFile>& files) {
    std::vector<std::string> names;
    for (const ResultFile& file : files) {
        names.push_back(file.name);
    }
    return names;
}

void writeStagedFiles(const StagedResults& staged, const std::vector<ResultFile>& files,
                      const std::filesystem::path& directory) {
    for (const ResultFile& file : files) {
        std::ofstream out(staged.path(file.name), std::ios::binary);
        file.write(out);
        out.close();
        if (!out) {
            throw std::runtime_error("Failure to write the results into (" + directory.string() +
                                     ").");
        }
    }
}

}  // namespace quillmere
