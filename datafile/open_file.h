#pragma once

#include <cstdio>
#include <filesystem>

namespace quillmere {

// Opens a file for reading, by a path in the system's own encoding (wide
// characters on Windows, so that any path a directory listing gives opens),
// its bytes as they are on every system (no line-end translation, no end of
// file at a Ctrl-Z on Windows). Null when it cannot be opened.
std::FILE* openForReading(const std::filesystem::path& path);

}  // namespace quillmere
