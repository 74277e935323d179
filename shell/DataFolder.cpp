#include "shell/DataFolder.h"

#include "platform/Platform.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace fs = std::filesystem;

StartRequest ParseStartArguments(const std::vector<std::string>& args)
{
    StartRequest request;
    const auto refuse = [](std::string why) {
        StartRequest refused;
        refused.kind = StartRequest::Kind::Refused;
        refused.refusal = std::move(why);
        return refused;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "--version") {
            request.kind = args[i] == "--help" ? StartRequest::Kind::Help : StartRequest::Kind::Version;
            return request;
        }
        if (args[i] != "--data") return refuse("unknown argument '" + args[i] + "'");
        if (i + 1 == args.size() || args[i + 1].empty()) return refuse("--data needs a folder");
        if (!request.dataFolder.empty()) return refuse("--data given twice");
        request.dataFolder = args[++i];
    }
    return request;
}

fs::path UserDataFolder(const char* xdgDataHome, const char* home)
{
    // A relative XDG_DATA_HOME is invalid and to be ignored.
    if (xdgDataHome != nullptr && xdgDataHome[0] == '/') return fs::path(xdgDataHome) / "veldrun";
    if (home != nullptr && home[0] != '\0') return fs::path(home) / ".local/share/veldrun";
    return {};
}

fs::path InstalledDataFolder(const fs::path& executable)
{
    return (executable.parent_path() / "../share/veldrun").lexically_normal();
}

bool HoldsAnyOf(const fs::path& folder, std::initializer_list<const char*> files)
{
    std::error_code ec;
    return std::any_of(files.begin(), files.end(),
                       [&](const char* file) { return fs::exists(folder / file, ec); });
}

bool PrepareUserFolder(const fs::path& user, const fs::path& installed, std::string& error)
{
    std::error_code ec;
    if (!fs::is_directory(installed, ec)) {
        error = "no installed data set in " + installed.string();
        return false;
    }
    for (fs::recursive_directory_iterator it(installed, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        const fs::path relative = it->path().lexically_relative(installed);
        const fs::path mine = user / relative;
        fs::create_directories(mine.parent_path(), ec);
        const fs::file_status status = fs::symlink_status(mine, ec);
        if (relative == "config.ini") {
            // The user's to edit: copied once, never replaced.
            if (!fs::exists(status)) fs::copy_file(it->path(), mine, ec);
        } else if (!fs::exists(status)) {
            fs::create_symlink(it->path(), mine, ec);
        } else if (fs::is_symlink(status) && fs::read_symlink(mine, ec) != it->path()) {
            fs::remove(mine, ec);
            if (!ec) fs::create_symlink(it->path(), mine, ec);
        }
        if (ec) {
            error = "cannot make " + mine.string() + ": " + ec.message();
            return false;
        }
    }
    if (ec) error = "cannot read " + installed.string() + ": " + ec.message();
    return !ec;
}

fs::path ChooseDataFolder(const fs::path& working, const fs::path& user, const fs::path& installed,
                          std::initializer_list<const char*> files, std::string& problem)
{
    if (HoldsAnyOf(working, files)) return working;
    if (user.empty()) {
        problem = "neither XDG_DATA_HOME nor HOME is set";
        return {};
    }
    // A folder that cannot be brought up to date may still hold data of its own.
    PrepareUserFolder(user, installed, problem);
    if (HoldsAnyOf(user, files)) return user;
    if (problem.empty()) problem = "the installed data set holds none of the program's files";
    return {};
}

bool EnterDataFolder(int argc, char** argv, const char* program, std::initializer_list<const char*> files,
                     int& exitCode)
{
    const StartRequest request = ParseStartArguments({argv + 1, argv + argc});
    exitCode = 0;
    switch (request.kind) {
    case StartRequest::Kind::Help:
        std::printf("Usage: %s [--data DIR] [--help] [--version]\n"
                    "Runs in the working directory when it holds any of the program's data files,\n"
                    "otherwise in the per-user folder ($XDG_DATA_HOME/veldrun, by default\n"
                    "~/.local/share/veldrun), made on the first start with links to the installed\n"
                    "data set and a copy of its config.ini, which is yours to edit.\n"
                    "  --data DIR   run in DIR\n"
                    "  --help       show this text\n"
                    "  --version    show the version\n"
                    "The manual: man 6 veldrun\n",
                    program);
        return false;
    case StartRequest::Kind::Version: std::printf("%s %s\n", program, VELDRUN_VERSION); return false;
    case StartRequest::Kind::Refused:
        std::fprintf(stderr, "%s: %s\nUsage: %s [--data DIR] [--help] [--version]\n", program,
                     request.refusal.c_str(), program);
        exitCode = 2;
        return false;
    case StartRequest::Kind::Run: break;
    }
    std::error_code ec;
    if (!request.dataFolder.empty()) {
        fs::current_path(request.dataFolder, ec);
        if (!ec) return true;
        std::fprintf(stderr, "%s: cannot run in %s: %s\n", program, request.dataFolder.c_str(),
                     ec.message().c_str());
        exitCode = 2;
        return false;
    }
    const fs::path working = fs::current_path(ec);
    const fs::path user = UserDataFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    std::string problem;
    const fs::path chosen = ChooseDataFolder(
        working, user, InstalledDataFolder(fs::read_symlink("/proc/self/exe", ec)), files, problem);
    if (chosen == working && !chosen.empty()) return true;
    if (!chosen.empty()) {
        fs::current_path(chosen, ec);
        if (!ec) {
            platform::WriteConsole("Data folder " + chosen.string() + "\n");
            return true;
        }
        problem = ec.message();
    }
    const std::string text = "No data files found.\n\nLooked in the working directory\n  " +
                             working.string() + "\nand in the per-user folder\n  " +
                             (user.empty() ? "(none)" : user.string()) + "\n(" + problem + ").\n\nStart " +
                             program + " in a folder written by veldrun-data, or with --data DIR.";
    platform::MessageBox(text, program, platform::Buttons::Ok, platform::Icon::Exclamation);
    exitCode = 1;
    return false;
}
