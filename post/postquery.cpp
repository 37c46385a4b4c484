// Posting without widgets: form URLs, post queries, the title check, reply starts, the preview.
#include "post/postquery.h"

#include "base/text.h"
#include "store/threadlog.h"
#include "view/skin.h"
#include "view/texttransform.h"

#include <cstdio>

namespace post {

namespace {

/// "メッセージ: 777 / 1000" and "投稿者: " are fixed texts of the preview's message block.
constexpr std::string_view kPreviewBody =
    "<table width=\"100%\" border=\"0\" bgcolor=eeeeee><tr><td><big><b><TITLE/></b></big></td>"
    "<td align=right><small><DATE/><br>\x83\x81\x83"
    "b\x83Z\x81[\x83W: 777 / 1000</small></td></tr><tr><td><small>\x93\x8a\x8d"
    "e\x8e\xd2: <NAME/></small></tr></td><tr><td colspan=2><br><MESSAGE/></td></tr></table><br>\r\n"
    "</dl></font></body>\r\n";

bool isLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

std::string param(std::string_view name, std::string_view url)
{
    return base::ExtractUrlParam(name, url).value_or("");
}

/// The identity, posting and Subject parameters shared by both queries.
std::string contentParams(const PostContent &content)
{
    std::string q = "&identity=chat_pf_" + std::to_string(content.nickname + 1);
    q += "&posting=";
    q += UrlEncode(content.memo);
    q += "&Subject=";
    q += UrlEncode(content.title);
    return q;
}

/// Text as the board puts what it is sent into its pages.
std::string escapeAsBoard(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

/// Splits text at LF, which is never a byte of a double-byte character.
std::vector<std::string_view> splitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return lines;
}

} // namespace

std::string UrlEncode(std::string_view bytes)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 3);
    auto escape = [&](unsigned char c) {
        out += '%';
        out += kHex[c >> 4];
        out += kHex[c & 0xF];
    };
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        auto c = static_cast<unsigned char>(bytes[i]);
        if (isLeadByte(c) && i + 1 < bytes.size()) {
            // The trail byte too, also when it is a letter.
            escape(c);
            escape(static_cast<unsigned char>(bytes[++i]));
        } else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                   std::string_view("@!$'()*-._").find(static_cast<char>(c)) != std::string_view::npos) {
            out += static_cast<char>(c);
        } else if (c == ' ') {
            out += '+';
        } else {
            escape(c);
        }
    }
    return out;
}

std::string ReplyFormUrl(std::string_view postBase, std::string_view board, std::string_view topic, int message)
{
    std::string url(postBase);
    url += "bbs?action=r&board=";
    url += board;
    url += "&sid=";
    url += board;
    url += "&tid=";
    url += topic;
    url += "&mid=";
    url += std::to_string(message);
    return url;
}

std::string NewTopicFormUrl(std::string_view postBase, std::string_view board)
{
    std::string url(postBase);
    url += "bbs?action=r&sid=";
    url += board;
    url += "&board=";
    url += board;
    return url;
}

std::string WithCrLf(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

std::string ReplyQuery(std::string_view formUrl, const PostContent &content)
{
    std::string board = param("board=", formUrl);
    std::string q = "action=post&board=" + board + "&sid=" + board;
    q += "&tid=" + param("tid=", formUrl);
    q += "&mid=" + param("mid=", formUrl);
    return q + contentParams(content);
}

std::string NewTopicQuery(std::string_view formUrl, const PostContent &content)
{
    std::string board = param("board=", formUrl);
    return "action=post&board=" + board + "&sid=" + board + contentParams(content);
}

bool TitleIsEmpty(std::string_view title)
{
    for (std::size_t i = 0; i < title.size(); ++i) {
        auto c = static_cast<unsigned char>(title[i]);
        if (c == 0x81 && i + 1 < title.size() && title[i + 1] == '\x40') {
            ++i; // the full-width space
            continue;
        }
        if (c > 0x20 && c != 0x7F)
            return false;
    }
    return true;
}

std::string_view CutToBytes(std::string_view text, std::size_t limit)
{
    std::size_t end = 0;
    while (end < text.size()) {
        std::size_t width = isLeadByte(static_cast<unsigned char>(text[end])) && end + 1 < text.size() ? 2 : 1;
        if (end + width > limit)
            break;
        end += width;
    }
    return text.substr(0, end);
}

std::string MemoSizeText(std::size_t bytes)
{
    return std::to_string(bytes) + " / " + std::to_string(kMemoLimit) + " Bytes";
}

ReplyStart StartReply(std::string_view postBase, std::string_view topicUrl, std::string_view tabCaption,
                      const std::vector<std::string> &lines, int target, bool quote)
{
    ReplyStart start;
    const std::string board = param("board=", topicUrl);
    const std::string topic = param("tid=", topicUrl);
    std::string subject;
    if (target == -1) {
        start.formUrl = ReplyFormUrl(postBase, board, topic, 0);
        subject = view::DecodeEntities(tabCaption);
    } else {
        start.formUrl = ReplyFormUrl(postBase, board, topic, target);
        start.memo = ">>" + std::to_string(target) + "\n";
        for (const std::string &line : lines) {
            if (store::LogLineNumber(line, 0) != target)
                continue;
            store::LogFields fields = store::SplitLogLine(line);
            subject = view::DecodeEntities(fields.title);
            if (quote) {
                std::string text =
                    view::DecodeEntities(view::ConvertBreaks(fields.body, false, view::BreakDirection::FromBreaks));
                for (std::string_view quoted : splitLines(text)) {
                    start.memo += "> ";
                    start.memo += quoted;
                    start.memo += '\n';
                }
            }
            break;
        }
    }
    start.caption = subject + kReplyCaptionSuffix;
    start.title = kReplyTitlePrefix + subject;
    return start;
}

NewTopicStart StartNewTopic(std::string_view postBase, std::string_view listUrl, std::string_view boardName)
{
    return {NewTopicFormUrl(postBase, param("board=", listUrl)), std::string(boardName) + kNewTopicCaptionSuffix};
}

std::string PreviewDate(const std::tm &time)
{
    char text[64];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %d:%d", time.tm_year + 1900, time.tm_mon + 1, time.tm_mday,
                  time.tm_hour, time.tm_min);
    return text;
}

std::string PreviewPage(std::string_view header, std::string_view date, std::string_view nickname,
                        std::string_view title, std::string_view memo)
{
    std::string lf;
    lf.reserve(memo.size());
    std::string crlf = WithCrLf(memo);
    for (char c : crlf)
        if (c != '\r')
            lf += c;
    std::string message = view::ConvertBreaks(escapeAsBoard(lf), false, view::BreakDirection::ToBreaks);
    std::string body = view::ReplaceAll(kPreviewBody, "<DATE/>", date);
    body = view::ReplaceAll(body, "<NAME/>", escapeAsBoard(nickname));
    body = view::ReplaceAll(body, "<TITLE/>", escapeAsBoard(title));
    body = view::ReplaceAll(body, "<MESSAGE/>", message);
    return std::string(header) + body;
}

std::string PreviewHeader()
{
    for (const auto &[name, content] : view::DefaultSkinFiles(""))
        if (name == view::kHeaderFile)
            return content;
    return {};
}

} // namespace post
