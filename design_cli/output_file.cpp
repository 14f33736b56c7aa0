#include "design_cli/output_file.h"

#include <stdexcept>

namespace quillmere {

std::ofstream openOutputFile(const std::filesystem::path& path) {
    std::ofstream out(path);
    if (!out) {
        throw std::runtime_error("Failure to write file (" + path.string() + ").");
    }
    return out;
}

void closeOutputFile(std::ofstream& file, const std::filesystem::path& path) {
    file.close();
    if (!file) {
        throw std::runtime_error("Failure to write file (" + path.string() + ").");
    }
}

void closeResultFiles(std::initializer_list<std::ofstream*> files,
                      const std::filesystem::path& directory) {
    for (std::ofstream* file : files) {
        file->close();
        if (!*file) {
            throw std::runtime_error("Failure to write the results into (" + directory.string() +
                                     ").");
        }
    }
}

}  // namespace quillmere
