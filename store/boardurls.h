// The board URLs the program builds: a board's topic list and a topic's message pages, after
// the board server's base URL (which ends with "/"). The board id fills both board and sid.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace store {

/// boardServer + "bbs?action=topics&board=%s&sid=%s&type=r".
std::string BoardListUrl(std::string_view boardServer, std::string_view board);

/// boardServer + "bbs?action=m&board=%s&sid=%s&tid=%s&mid=%s": a message, or with mid "1" a
/// topic as listed and restored; the page key keeps the mid text of the URL it was built from.
std::string TopicMessageUrl(std::string_view boardServer, std::string_view board, std::string_view topicId,
                            std::string_view mid);

/// The topic-list URL of the board a topic or list URL names (its "board=" value), or nullopt
/// when it names none: `ThrLstOpenCtg` and the favorites refresh find boards by it.
std::optional<std::string> BoardListUrlOf(std::string_view boardServer, std::string_view url);

} // namespace store
