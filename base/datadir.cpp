// Choosing and preparing the directory that holds the settings and the logs.
#include "base/datadir.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

#include "base/programdir.h"
#include "base/textfile.h"

namespace base {

namespace fs = std::filesystem;

namespace {

bool IsAbsolute(const char *path)
{
    return path && path[0] == '/';
}

/// A link name -> target in dir, unless dir already has an entry of that name that leads
/// somewhere: a dangling link (an install moved) is replaced, anything else is left alone.
void LinkInto(const std::string &dir, const char *name, const std::string &target)
{
    std::error_code ec;
    const fs::path link = fs::path(dir) / name;
    if (fs::exists(link, ec))
        return;
    if (fs::is_symlink(fs::symlink_status(link, ec)))
        fs::remove(link, ec);
    if (!fs::exists(target, ec))
        return;
    fs::create_symlink(target, link, ec);
}

/// Copies the regular files of from into to, each written atomically like every file the
/// program writes; what cannot be read is left out (a missing template is restored at render).
void CopyTree(const fs::path &from, const fs::path &to)
{
    std::error_code ec;
    MakeDirs(to.string());
    for (auto it = fs::recursive_directory_iterator(from, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        const fs::path target = to / fs::relative(it->path(), from, ec);
        if (it->is_directory(ec)) {
            MakeDirs(target.string());
        } else if (it->is_regular_file(ec)) {
            if (std::optional<std::string> bytes = ReadFile(it->path().string()))
                WriteFileAtomic(target.string(), *bytes);
        }
    }
}

} // namespace

bool IsWritableDir(const std::string &dir)
{
    // Written the way every file of the program is, so that the answer is about exactly that.
    const std::string probe = JoinPath(dir, ".nekomado-probe-" + std::to_string(::getpid()));
    if (!WriteFileAtomic(probe, {}))
        return false;
    ::unlink(probe.c_str());
    return true;
}

std::string UserDataDir()
{
    const char *xdg = std::getenv("XDG_DATA_HOME");
    if (IsAbsolute(xdg))
        return JoinPath(xdg, "nekomado/");
    const char *home = std::getenv("HOME");
    if (IsAbsolute(home))
        return JoinPath(home, ".local/share/nekomado/");
    return {};
}

DataDirChoice ChooseDataDir(const std::string &installDir)
{
    if (IsWritableDir(installDir))
        return {installDir, false, {}};
    const std::string dir = UserDataDir();
    if (dir.empty())
        return {installDir, false, "HOME is not set"};
    return PrepareUserDataDir(installDir, dir);
}

DataDirChoice PrepareUserDataDir(const std::string &installDir, const std::string &dir)
{
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec || !IsWritableDir(dir))
        return {installDir, false, dir + ": " + (ec ? ec.message() : "not writable")};

    LinkInto(dir, "Hakobune.so", JoinPath(installDir, "Hakobune.so"));
    LinkInto(dir, "help", JoinPath(installDir, "help"));
    const fs::path skin = fs::path(dir) / "skin";
    const fs::path installedSkin = fs::path(installDir) / "skin";
    if (!fs::exists(skin, ec) && fs::is_directory(installedSkin, ec)) {
        // Copied, not linked: the skin is the user's to edit.
        CopyTree(installedSkin, skin);
    }
    return {dir, true, {}};
}

} // namespace base
