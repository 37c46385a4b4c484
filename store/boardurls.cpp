// Building the board URLs.
#include "store/boardurls.h"

#include "base/text.h"
#include "net/endpoints.h"

namespace store {

std::string BoardListUrl(std::string_view boardServer, std::string_view board)
{
    return net::TopicListUrl(boardServer, board);
}

std::string TopicMessageUrl(std::string_view boardServer, std::string_view board, std::string_view topicId,
                            std::string_view mid)
{
    std::string url(boardServer);
    url += "bbs?action=m&board=";
    url += board;
    url += "&sid=";
    url += board;
    url += "&tid=";
    url += topicId;
    url += "&mid=";
    url += mid;
    return url;
}

std::optional<std::string> BoardListUrlOf(std::string_view boardServer, std::string_view url)
{
    auto board = base::ExtractUrlParam("board=", url);
    if (!board)
        return std::nullopt;
    return BoardListUrl(boardServer, *board);
}

} // namespace store
