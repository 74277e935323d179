#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "shell/DataFolder.h"

namespace fs = std::filesystem;

namespace {

void write(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

std::string read(const fs::path& path)
{
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct Folders {
    fs::path root =
        fs::temp_directory_path() / ("veldrun-data-folder-" + std::to_string(std::random_device{}()));
    fs::path working = root / "work", user = root / "home/.local/share/veldrun",
             installed = root / "usr/share/veldrun";
    Folders()
    {
        fs::create_directories(working);
        write(installed / "config.ini", "Width=1024\n");
        write(installed / "map/test/map_qv.raw", "heights");
        write(installed / "tank/tank.md2", "tank");
    }
    ~Folders() { fs::remove_all(root); }
    fs::path choose(const fs::path& from, std::string& problem) const
    {
        return ChooseDataFolder(working, user, from, {"map/test/map_qv.raw", "tank/tank.md2"}, problem);
    }
};

} // namespace

TEST(DataFolder, ArgumentsRunHelpVersionOrAreRefused)
{
    using K = StartRequest::Kind;
    const struct {
        std::vector<std::string> args;
        K kind;
        std::string folder;
    } cases[] = {{{}, K::Run, ""},
                 {{"--data", "d"}, K::Run, "d"},
                 {{"--help"}, K::Help, ""},
                 {{"--version", "--bogus"}, K::Version, ""},
                 {{"--bogus", "--help"}, K::Refused, ""},
                 {{"-h"}, K::Refused, ""},
                 {{"--data"}, K::Refused, ""},
                 {{"--data", ""}, K::Refused, ""},
                 {{"--data", "a", "--data", "b"}, K::Refused, ""},
                 {{"d"}, K::Refused, ""}};
    for (const auto& c : cases) {
        const StartRequest r = ParseStartArguments(c.args);
        EXPECT_EQ(r.kind, c.kind) << testing::PrintToString(c.args);
        EXPECT_EQ(r.dataFolder, c.folder);
        EXPECT_EQ(r.refusal.empty(), c.kind != K::Refused);
    }
}

TEST(DataFolder, PerUserAndInstalledPlaces)
{
    EXPECT_EQ(UserDataFolder("/x/data", "/home/u"), "/x/data/veldrun");
    EXPECT_EQ(UserDataFolder(nullptr, "/home/u"), "/home/u/.local/share/veldrun");
    EXPECT_EQ(UserDataFolder("relative", "/home/u"), "/home/u/.local/share/veldrun");
    EXPECT_EQ(UserDataFolder("", ""), "");
    EXPECT_EQ(InstalledDataFolder("/opt/v/bin/veldrun"), "/opt/v/share/veldrun");
}

TEST(DataFolder, AWorkingDirectoryWithAnyOfTheFilesIsUsed)
{
    Folders f;
    write(f.working / "tank/tank.md2", "");
    std::string problem;
    EXPECT_EQ(f.choose(f.installed, problem), f.working);
    EXPECT_FALSE(fs::exists(f.user));
}

TEST(DataFolder, ThePerUserFolderLinksTheInstalledSetAndKeepsTheUsersFiles)
{
    Folders f;
    std::string problem;
    ASSERT_EQ(f.choose(f.installed, problem), f.user) << problem;
    EXPECT_EQ(fs::read_symlink(f.user / "map/test/map_qv.raw"), f.installed / "map/test/map_qv.raw");
    EXPECT_FALSE(fs::is_symlink(f.user / "config.ini"));
    EXPECT_EQ(read(f.user / "config.ini"), "Width=1024\n");

    // The user's edits and own files stay; a moved installation is followed.
    write(f.user / "config.ini", "Width=800\n");
    fs::remove(f.user / "tank/tank.md2");
    write(f.user / "tank/tank.md2", "own tank");
    const fs::path moved = f.root / "opt/share/veldrun";
    fs::create_directories(moved.parent_path());
    fs::rename(f.installed, moved);
    ASSERT_EQ(f.choose(moved, problem), f.user) << problem;
    EXPECT_EQ(read(f.user / "config.ini"), "Width=800\n");
    EXPECT_EQ(read(f.user / "tank/tank.md2"), "own tank");
    EXPECT_EQ(read(f.user / "map/test/map_qv.raw"), "heights");
}

TEST(DataFolder, NeitherPlaceHoldsDataWithoutAnInstalledSet)
{
    Folders f;
    std::string problem;
    EXPECT_EQ(f.choose(f.root / "nowhere", problem), fs::path());
    EXPECT_NE(problem.find((f.root / "nowhere").string()), std::string::npos);
    EXPECT_FALSE(fs::exists(f.user));
    // Links into a set that is gone are no data either.
    ASSERT_EQ(f.choose(f.installed, problem), f.user);
    fs::remove_all(f.installed);
    EXPECT_EQ(f.choose(f.installed, problem), fs::path());
}
