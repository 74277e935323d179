#pragma once

// Where a program reads its files, and its command line. The programs read
// their data relative to the working directory. A working directory that
// holds none of a program's files (a terminal in the home folder, the desktop
// menu) gives way to the per-user folder, $XDG_DATA_HOME/veldrun: made on the
// first such start with a link to each file of the installed data set
// (../share/veldrun from the program's own bin/) and a copy of its config.ini.

#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

// What the command line asks for: run (in `dataFolder` when given), print
// the help or the version, or nothing at all (`refusal` says why).
struct StartRequest {
    enum class Kind { Run, Help, Version, Refused };
    Kind kind = Kind::Run;
    std::string dataFolder;
    std::string refusal;
};

// The arguments after the program name: --data DIR, --help, --version.
StartRequest ParseStartArguments(const std::vector<std::string>& args);

// $XDG_DATA_HOME/veldrun when that is an absolute path, else
// $HOME/.local/share/veldrun; empty when neither is set.
std::filesystem::path UserDataFolder(const char* xdgDataHome, const char* home);

// The installed data set of a program at `executable`: ../share/veldrun from
// its folder, so a moved installation still finds its own.
std::filesystem::path InstalledDataFolder(const std::filesystem::path& executable);

// True when any of the files (relative paths) exists below the folder; a
// link to a file that is gone does not count.
bool HoldsAnyOf(const std::filesystem::path& folder, std::initializer_list<const char*> files);

// Makes the per-user folder or brings it up to date: every file of the
// installed data set gets a link at the same place below `user`, where there
// is none yet or only a link (so a moved installation is followed). Files of
// the user's own, such as a data set written there by veldrun-data, are kept,
// and config.ini is copied only when the folder has none. False with the
// reason in `error` when something could not be made.
bool PrepareUserFolder(const std::filesystem::path& user, const std::filesystem::path& installed,
                       std::string& error);

// The folder to run in: `working` when it holds any of the files; else the
// per-user folder, prepared from the installed data set, when it then holds
// any; else empty, with what went wrong in `problem`.
std::filesystem::path ChooseDataFolder(const std::filesystem::path& working,
                                       const std::filesystem::path& user,
                                       const std::filesystem::path& installed,
                                       std::initializer_list<const char*> files, std::string& problem);

// The start of every program, before its window: reads the arguments and
// enters the folder to run in. True to go on; otherwise the program ends with
// `exitCode`: 0 after --help or --version, 2 for a refused argument (a usage
// line on standard error), 1 when no data was found (after one message box
// naming both places looked in).
bool EnterDataFolder(int argc, char** argv, const char* program, std::initializer_list<const char*> files,
                     int& exitCode);
