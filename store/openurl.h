// The decision of `OpenUrl`, the one way to open a board, a topic or the external browser:
// which kind of URL opens what, online or from the logs, in the active tab or a new one.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace store {

/// `OpenMode`.
enum class OpenMode : int {
    ActiveTab = 0, ///< reuse the pane's active tab when no tab has the key
    NewTab = 1,
    Browser = 2, ///< the external browser
};

/// What OpenUrl is to do. The window carries it out with the opening operation of the kind.
struct OpenAction {
    enum class Kind {
        Nothing,
        TopicListOnline, ///< `OpenTopicListOnline` (url = list URL, boardName, reuse)
        TopicListLocal,  ///< `OpenTopicListLocal` (url = list URL, boardName, reuse)
        TopicOnline,     ///< `OpenTopicOnline` (url = page key, start, end, reuse)
        TopicLocal,      ///< `OpenTopicLocal` (url = page key, reuse, target -1)
        External,        ///< `OpenExternal` (url as given)
    };
    Kind kind = Kind::Nothing;
    std::string url;
    std::string boardName; ///< the board's name from the category file, a final "@" removed
    int start = 0;
    int end = 0;
    bool reuse = false;
    int target = -1;
    bool operator==(const OpenAction &) const = default;
};

/// `OpenUrl` (url, start, end, mode, local) as a decision.
/// Not mode 2 and the URL holds "action=": without "board=" nothing; action "topics" opens the
/// board's list (from the board list file when offline or local) if the category file names
/// the board (findBoardName, usually FindBoardName), else nothing; action "m" with "tid=" and
/// "mid=" opens the topic by its page key, online with a start or end of 0 taken from mid, else
/// from the log; any other action nothing. Mode 2, or a URL without "action=": the external
/// browser while online, nothing offline. A mid that is not a number cannot give a range and
/// opens nothing online. An empty URL opens nothing.
OpenAction DecideOpenUrl(std::string_view url, int start, int end, OpenMode mode, bool local, bool online,
                         std::string_view boardServer,
                         const std::function<std::optional<std::string>(std::string_view listUrl)> &findBoardName);

/// The caption of a board's tab: its name without a final "@".
std::string BoardCaption(std::string_view boardName);

} // namespace store
