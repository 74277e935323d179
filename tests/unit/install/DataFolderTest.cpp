#include <gtest/gtest.h>

#include "TempFiles.h"
#include "shell/DataFolder.h"

namespace fs = std::filesystem;

TEST(DataFolder, Arguments)
{
    using K = StartRequest::Kind;
    const struct {
        std::vector<std::string> args;
        K kind;
        std::string folder;
    } cases[] = {{{}, K::Run, ""},
                 {{"--data", "d"}, K::Run, "d"},
                 {{"--help"}, K::Help, ""},
                 {{"--version", "-x"}, K::Version, ""},
                 {{"-x", "--help"}, K::Refused, ""},
                 {{"--data"}, K::Refused, ""},
                 {{"--data", "a", "--data", "b"}, K::Refused, ""}};
    for (const auto& c : cases) {
        const StartRequest r = ParseStartArguments(c.args);
        EXPECT_EQ(r.kind, c.kind) << testing::PrintToString(c.args);
        EXPECT_EQ(r.dataFolder, c.folder);
    }
    // What the program then ends with, before its window: 0 after --help, 2 for a refused argument
    // or a folder it cannot run in.
    for (const auto& [argument, value, code] :
         {std::tuple{"--help", "", 0}, {"-x", "", 2}, {"--data", "/nowhere", 2}}) {
        const char* argv[] = {"veldrun", argument, value};
        int exitCode = -1;
        EXPECT_FALSE(EnterDataFolder(*value ? 3 : 2, const_cast<char**>(argv), "veldrun", {"x"}, exitCode));
        EXPECT_EQ(exitCode, code) << argument;
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

TEST(DataFolder, ThePerUserFolderLinksTheInstalledSetAndKeepsTheUsersFiles)
{
    const fs::path root = tempPath("folders");
    const fs::path working = root / "work", user = root / "user", installed = root / "usr/share/veldrun";
    fs::create_directories(working);
    write(installed / "config.ini", "Width=1024\n");
    write(installed / "map/test/map_qv.raw", "heights");
    write(installed / "tank/tank.md2", "tank");
    std::string problem;
    const auto choose = [&](const fs::path& from) {
        return ChooseDataFolder(working, user, from, {"map/test/map_qv.raw", "tank/tank.md2"}, problem);
    };
    EXPECT_EQ(choose(root / "nowhere"), fs::path());
    EXPECT_NE(problem.find((root / "nowhere").string()), std::string::npos);
    EXPECT_FALSE(fs::exists(user));

    ASSERT_EQ(choose(installed), user) << problem;
    EXPECT_EQ(fs::read_symlink(user / "map/test/map_qv.raw"), installed / "map/test/map_qv.raw");
    EXPECT_FALSE(fs::is_symlink(user / "config.ini"));
    EXPECT_EQ(read(user / "config.ini"), "Width=1024\n");
    // The user's edits and own files stay; a moved installation is followed.
    write(user / "config.ini", "Width=800\n");
    fs::remove(user / "tank/tank.md2");
    write(user / "tank/tank.md2", "own tank");
    const fs::path moved = root / "moved";
    fs::rename(installed, moved);
    ASSERT_EQ(choose(moved), user) << problem;
    EXPECT_EQ(read(user / "config.ini"), "Width=800\n");
    EXPECT_EQ(read(user / "tank/tank.md2"), "own tank");
    EXPECT_EQ(read(user / "map/test/map_qv.raw"), "heights");
    // Links into a set that is gone are no data; any one file in the working directory is.
    fs::remove_all(moved);
    fs::remove(user / "tank/tank.md2");
    EXPECT_EQ(choose(moved), fs::path());
    write(working / "tank/tank.md2", "");
    EXPECT_EQ(choose(moved), working);
    fs::remove_all(root);
}
