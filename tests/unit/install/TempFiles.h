#pragma once

// Whole files as text, and fresh paths below the system temp folder.

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

inline std::string read(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void write(const std::filesystem::path& path, const std::string& text)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

inline std::filesystem::path tempPath(const std::string& name)
{
    return std::filesystem::temp_directory_path() /
           ("veldrun-" + std::to_string(std::random_device{}()) + name);
}
