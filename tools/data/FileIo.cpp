#include "tools/data/FileIo.h"

#include <fstream>
#include <system_error>

namespace datagen {

bool writeFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes, std::string& error)
{
    std::error_code ec;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
    if (ec) {
        error = "cannot create folder " + path.parent_path().string() + ": " + ec.message();
        return false;
    }
    std::filesystem::remove(path, ec); // a folder in the way stays and fails below
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (f) f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!f) {
        error = "cannot write " + path.string();
        return false;
    }
    return true;
}

} // namespace datagen
