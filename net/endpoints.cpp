// Building the service URLs.
#include "net/endpoints.h"

#include "base/text.h"

namespace net {

std::string EscapeQueryValue(std::string_view value)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(value.size());
    for (char ch : value) {
        auto c = static_cast<unsigned char>(ch);
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (plain || std::string_view("@!$'()*-._").find(ch) != std::string_view::npos) {
            out += ch;
        } else if (c == ' ') {
            out += '+';
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
    return out;
}

std::string LoginUrl(std::string_view loginBase, std::string_view id, std::string_view password)
{
    std::string url(loginBase);
    url += "config/login?login=";
    url += EscapeQueryValue(id);
    url += "&passwd=";
    url += EscapeQueryValue(password);
    return url;
}

std::string LogoutUrl(std::string_view loginBase)
{
    return std::string(loginBase) + "config/login?logout=1";
}

std::string TopicListUrl(std::string_view boardBase, std::string_view board)
{
    std::string url(boardBase);
    url += "bbs?action=topics&board=";
    url += board;
    url += "&sid=";
    url += board;
    url += "&type=r";
    return url;
}

namespace {

std::string messagePrefix(std::string_view boardBase, std::string_view board, std::string_view topic)
{
    std::string url(boardBase);
    url += "bbs?action=m&board=";
    url += board;
    url += "&sid=";
    url += board;
    url += "&tid=";
    url += topic;
    url += "&mid=";
    return url;
}

} // namespace

std::string MessageUrl(std::string_view boardBase, std::string_view board, std::string_view topic, int number)
{
    return messagePrefix(boardBase, board, topic) + std::to_string(number);
}

std::string TopicRequestPrefix(std::string_view boardBase, std::string_view topicUrl)
{
    return messagePrefix(boardBase, base::ExtractUrlParam("board=", topicUrl).value_or(""),
                         base::ExtractUrlParam("tid=", topicUrl).value_or(""));
}

std::string PostUrl(std::string_view postBase)
{
    return std::string(postBase) + "bbs?";
}

std::string PostReferer(std::string_view postBase)
{
    return std::string(postBase) + "bbs";
}

} // namespace net
