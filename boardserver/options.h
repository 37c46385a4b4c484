// The command line of nk-boardserver.
#pragma once

#include <cstdint>
#include <optional>
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
    /// --vary-markup SEED: a board server written by someone else would not write its pages
    /// byte for byte as this one does, so with a seed every page the plug-in reads is written
    /// with choices drawn from the seed and the page's URL (without its host), only among bytes
    /// the parsers leave free, and reads back exactly as the plain page does:
    /// - CR LF or LF line ends, except the byte after a message's "<p>", the line feed before
    ///   its "</td>" and the end of each post form option (those bytes are counted or copied);
    /// - letter case, extra blanks and extra attributes in tags no parser searches for (html,
    ///   head, meta, title, body, table, tr, th, hr, h2, h3, ul, li, form, input, select,
    ///   textarea; never a, b, td, font, small, p, br, big, strong, center, option);
    /// - a doctype, and comment lines between elements where no search runs through them;
    /// - links quoted or not, and an attribute before href, where the parser finds "href" alone
    ///   (the single-topic forms keep "<a href=" whole and vary only the quoting);
    /// - the two bytes before "- name" of a board link shown by its id, the byte a row link
    ///   loses before "</a>", blanks before a topic count, attributes before "nowrap" in the
    ///   count and date cells;
    /// - "&nbsp;", "&#160;" or a blank between date and time of the first single-topic form;
    /// - a post form option's value quoted or not, and an attribute after it.
    /// Markers the parsers search for, link targets and texts never change. Unset: the plain
    /// pages, as always.
    std::optional<std::uint64_t> markupSeed;
};

enum class CommandLine { Run, Help, Error };

/// Reads the arguments ("--name value" or "--name=value"). Sizes are checked so that every
/// directory page stays within what the plug-in reads and the sample data within memory.
CommandLine ParseCommandLine(const std::vector<std::string> &args, ProgramOptions &out, std::string *error);

/// The --help text, with the defaults and the demo account.
std::string UsageText();

} // namespace boardserver
