#pragma once

#include <cstdio>
#include <filesystem>

namespace quillmere {

// Opens a file for reading as text, by a path in the system's own encoding
// (wide characters on Windows, so that any path a directory listing gives
// opens). Null when it cannot be opened.
std::FILE* openForReading(const std::filesystem::path& path);

}  // namespace quillmere
