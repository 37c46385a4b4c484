// The command line of nk-boardserver.
#pragma once

#include <string>
#include <vector>

#include "boardserver/accounts.h"
#include "boardserver/dataset.h"
#include "boardserver/endpoints.h"
#include "boardserver/server.h"

namespace boardserver {

struct ProgramOptions {
    ServerOptions server;
    DatasetOptions dataset;
    Endpoints endpoints;
    std::vector<Account> accounts; ///< the demo account first, unless --no-demo-account
    std::vector<std::string> faults;
    std::string dataDir; ///< empty: a temporary directory, removed at exit
};

enum class CommandLine { Run, Help, Error };

/// Reads the arguments ("--name value" or "--name=value"). Sizes are checked so that every
/// directory page stays within what the plug-in reads and the sample data within memory.
CommandLine ParseCommandLine(const std::vector<std::string> &args, ProgramOptions &out, std::string *error);

/// The --help text, with the defaults and the demo account.
std::string UsageText();

} // namespace boardserver
