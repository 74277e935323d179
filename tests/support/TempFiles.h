#pragma once

// Real files for the tests that need them: whole files read and written, and
// fresh names and folders below the system temp folder.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

// The whole file, as text or (Bytes = std::vector<uint8_t>) as bytes.
template <typename Contents = std::string> Contents read(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Makes the folders on the way.
inline void write(const std::filesystem::path& path, std::string_view contents)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(contents.data(), std::streamsize(contents.size()));
}

inline std::filesystem::path tempPath(const std::string& name)
{
    return std::filesystem::temp_directory_path() /
           ("veldrun-" + std::to_string(std::random_device{}()) + name);
}

// A fresh empty folder, removed with the object.
struct TempDir {
    const std::filesystem::path path = tempPath("");
    TempDir() { std::filesystem::create_directories(path); }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string file(const std::string& name) const { return (path / name).string(); }
    // The file's path once the bytes are in it.
    std::string write(const std::string& name, const std::vector<uint8_t>& bytes) const
    {
        ::write(path / name, {reinterpret_cast<const char*>(bytes.data()), bytes.size()});
        return file(name);
    }
};
