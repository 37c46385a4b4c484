// Where the program keeps what it writes: its own directory when that is writable (a portable
// install), otherwise a directory of the user's under $XDG_DATA_HOME (a system install).
#pragma once

#include <string>

namespace base {

/// Whether a file can be created in dir: tried, not guessed from permission bits, so that a
/// read-only mount and a directory of another user are both seen for what they are.
bool IsWritableDir(const std::string &dir);

/// $XDG_DATA_HOME/nekomado/, or ~/.local/share/nekomado/ when XDG_DATA_HOME is unset or not
/// absolute; "" when neither XDG_DATA_HOME nor HOME gives an absolute path. Ends with "/".
std::string UserDataDir();

/// The result of ChooseDataDir: the directory that plays the program directory (ends with "/"),
/// and a message when the user's directory could not be set up (the program then still starts
/// from installDir, read-only).
struct DataDirChoice {
    std::string dir;
    bool separate = false; ///< dir is the user's directory, not installDir
    std::string error;
};

/// Makes dataDir (ending with "/") ready to play the program directory of installDir: created
/// when missing, with links to the installed plug-in and help (so that the defaults of [path]
/// and the help window find them) and a copy of the installed skin when it has none. Never
/// changes a skin or a link the user made; a dangling link (a moved install) is renewed.
DataDirChoice PrepareUserDataDir(const std::string &installDir, const std::string &dataDir);

/// installDir when it is writable, otherwise PrepareUserDataDir with UserDataDir().
DataDirChoice ChooseDataDir(const std::string &installDir);

} // namespace base
