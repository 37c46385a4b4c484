// The dispatch rules of OpenUrl.
#include "store/openurl.h"

#include "base/text.h"
#include "store/boardurls.h"

namespace store {

OpenAction DecideOpenUrl(std::string_view url, int start, int end, OpenMode mode, bool local, bool online,
                         std::string_view boardServer,
                         const std::function<std::optional<std::string>(std::string_view listUrl)> &findBoardName)
{
    OpenAction action;
    // The address box passes its text even when empty; there is nothing to open then.
    if (url.empty())
        return action;
    bool reuse = mode == OpenMode::ActiveTab;
    auto act = base::ExtractUrlParam("action=", url);
    if (mode == OpenMode::Browser || !act) {
        if (online) {
            action.kind = OpenAction::Kind::External;
            action.url = std::string(url);
        }
        return action;
    }
    auto board = base::ExtractUrlParam("board=", url);
    if (!board)
        return action;

    if (*act == "topics") {
        std::string listUrl = BoardListUrl(boardServer, *board);
        auto name = findBoardName ? findBoardName(listUrl) : std::nullopt;
        if (!name)
            return action;
        action.kind = (!online || local) ? OpenAction::Kind::TopicListLocal : OpenAction::Kind::TopicListOnline;
        action.url = std::move(listUrl);
        action.boardName = BoardCaption(*name);
        action.reuse = reuse;
        return action;
    }

    if (*act == "m") {
        auto tid = base::ExtractUrlParam("tid=", url);
        auto mid = base::ExtractUrlParam("mid=", url);
        if (!tid || !mid)
            return action;
        std::string key = TopicMessageUrl(boardServer, *board, *tid, *mid);
        if (online && !local) {
            if (start == 0 || end == 0) {
                // ParseInt falls back to either value only when mid is not a number.
                int number = base::ParseInt(*mid, 0);
                if (number != base::ParseInt(*mid, 1))
                    return action;
                if (start == 0)
                    start = number;
                if (end == 0)
                    end = number;
            }
            action.kind = OpenAction::Kind::TopicOnline;
            action.start = start;
            action.end = end;
        } else {
            action.kind = OpenAction::Kind::TopicLocal;
            action.target = -1;
        }
        action.url = std::move(key);
        action.reuse = reuse;
        return action;
    }
    return action;
}

std::string BoardCaption(std::string_view boardName)
{
    if (!boardName.empty() && boardName.back() == '@')
        boardName.remove_suffix(1);
    return std::string(boardName);
}

} // namespace store
