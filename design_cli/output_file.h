#pragma once

#include <filesystem>
#include <fstream>
#include <initializer_list>

namespace quillmere {

// Opens a file for writing, or throws std::runtime_error naming it.
std::ofstream openOutputFile(const std::filesystem::path& path);

// Closes a file opened by openOutputFile; throws std::runtime_error naming it
// when anything written to it was lost.
void closeOutputFile(std::ofstream& file, const std::filesystem::path& path);

// The same for the files of one result directory; the failure names the
// directory.
void closeResultFiles(std::initializer_list<std::ofstream*> files,
                      const std::filesystem::path& directory);

}  // namespace quillmere
