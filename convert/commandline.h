// nk-convert: the log conversion for scripts, with the dialog's fields as options.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace convert {

/// Exit codes of nk-convert.
enum ExitCode : int {
    kExitOk = 0,
    kExitFailed = 1,  ///< the log could not be read or an output file could not be written
    kExitInvalid = 2, ///< a check failed, or the command line is wrong
};

/// Runs nk-convert with args (without the program name):
///   --dat LOG.dat --html OUT.html [--skin DIR] [--start N] [--end N] [--per-file N] [--overwrite]
/// An option left out is a blank field; without --skin the skin is programDir + "skin" (programDir
/// is the directory that plays the program directory: the one the settings live in). Each file
/// written is printed on out, one path a line; messages go to err, in UTF-8.
int RunCommandLine(const std::vector<std::string> &args, const std::string &programDir, std::ostream &out,
                   std::ostream &err);

/// A Shift_JIS message as UTF-8, for the terminal.
std::string SjisToUtf8(std::string_view sjis);

} // namespace convert
