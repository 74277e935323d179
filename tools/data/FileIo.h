#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace datagen {

// Writes the bytes, creating missing parent folders. What is at `path` is
// removed first, so a symbolic link there is replaced, never written through.
// False with a message in `error`.
bool writeFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes, std::string& error);

} // namespace datagen
