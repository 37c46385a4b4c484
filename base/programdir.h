// The program directory: where the program file lies, and with it the settings and the logs.
#pragma once

#include <string>

namespace base {

/// The directory of the running program file, with a trailing "/". Falls back to the current
/// directory ("./") when the program file cannot be found.
std::string ProgramDir();

/// path joined to dir, with exactly one "/" between them.
std::string JoinPath(const std::string &dir, const std::string &name);

} // namespace base
