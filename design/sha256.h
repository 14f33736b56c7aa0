#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quillmere {

// SHA-256 (FIPS 180-4) of a byte string, and its lowercase hexadecimal text
// as sha256sum prints it: the checksum by which a report names the files it
// was made from.
std::array<std::uint8_t, 32> sha256(std::string_view bytes);
std::string sha256Text(std::string_view bytes);

// The checksum of a whole file; nothing when it cannot be read.
std::optional<std::string> fileSha256Text(const std::filesystem::path& file);

}  // namespace quillmere
