// Posting without widgets: the post form URLs, the query a post carries, the title check, what
// a reply dialog starts with, the message size and the preview page. Texts are Shift_JIS bytes.
#pragma once

#include <cstddef>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace post {

/// " にレス" (reply to), after the subject of a reply dialog's caption.
inline constexpr const char kReplyCaptionSuffix[] = " \x82\xc9\x83\x8c\x83X";
/// " にスレッドを作成" (create a topic in), after the board of a new-topic dialog's caption.
inline constexpr const char kNewTopicCaptionSuffix[] = " \x82\xc9\x83X\x83\x8c\x83"
                                                       "b\x83h\x82\xf0\x8d\xec\x90\xac";
/// What a reply's title starts with.
inline constexpr const char kReplyTitlePrefix[] = "Re:";
/// The message size the board takes; the counter turns red above it.
inline constexpr std::size_t kMemoLimit = 4000;
/// The title field holds at most this many bytes (20 full-width characters).
inline constexpr std::size_t kTitleLimit = 40;

/// Percent-encodes bytes for the post query: letters, digits and "@!$'()*-._" stay, a blank
/// becomes "+", every other byte (control bytes, 0x7F, both bytes of a double-byte character)
/// becomes "%" and two lower-case hex digits.
std::string UrlEncode(std::string_view bytes);

/// The post form of a reply: postBase + "bbs?action=r&board=B&sid=B&tid=T&mid=N"; N is 0 for a
/// reply to the topic as a whole.
std::string ReplyFormUrl(std::string_view postBase, std::string_view board, std::string_view topic, int message);

/// The post form of a new topic: postBase + "bbs?action=r&sid=B&board=B".
std::string NewTopicFormUrl(std::string_view postBase, std::string_view board);

/// Line ends of a typed text (LF, CR LF or a lone CR) made CR LF, as the board receives them.
std::string WithCrLf(std::string_view text);

/// What a post sends besides its form URL.
struct PostContent {
    int nickname = 0;  ///< index of the chosen nickname, 0 for the first
    std::string memo;  ///< the message, lines ending in CR LF
    std::string title; ///< as typed
};

/// The query of a reply: "action=post&board=B&sid=B&tid=T&mid=M&identity=chat_pf_K&posting=P&Subject=S"
/// with B, T and M the "board=", "tid=" and "mid=" values of formUrl, K the nickname's index
/// plus 1, P and S the memo and the title encoded with UrlEncode.
std::string ReplyQuery(std::string_view formUrl, const PostContent &content);

/// The query of a new topic: the reply's without tid and mid.
std::string NewTopicQuery(std::string_view formUrl, const PostContent &content);

/// True when title holds nothing but blanks: full-width spaces count as spaces, and spaces and
/// control bytes at both ends are trimmed. The title itself is sent as typed.
bool TitleIsEmpty(std::string_view title);

/// The longest start of text that fits limit bytes without splitting a double-byte character.
std::string_view CutToBytes(std::string_view text, std::size_t limit);

/// The message size counter: n + " / 4000 Bytes".
std::string MemoSizeText(std::size_t bytes);
/// Whether the counter shows the size as too large (it is still sent).
inline bool MemoOverLimit(std::size_t bytes)
{
    return bytes > kMemoLimit;
}

/// What a reply dialog starts with.
struct ReplyStart {
    std::string formUrl;
    std::string caption; ///< the subject followed by kReplyCaptionSuffix
    std::string title;   ///< "Re:" followed by the subject
    std::string memo;    ///< lines separated by LF: ">>N" and, when quoting, "> " + each quoted line
};

/// The reply to the topic at topicUrl (its "board=" and "tid=" values), to message target or to
/// the topic as a whole when target is -1. The subject is the tab's caption for the whole topic,
/// else the title of the first log line numbered target (empty when no line is; nothing is
/// quoted then). Subjects are shown as the board shows them: entities are decoded.
ReplyStart StartReply(std::string_view postBase, std::string_view topicUrl, std::string_view tabCaption,
                      const std::vector<std::string> &lines, int target, bool quote);

/// The new topic in the board of listUrl ("board="), captioned with boardName.
struct NewTopicStart {
    std::string formUrl;
    std::string caption;
};
NewTopicStart StartNewTopic(std::string_view postBase, std::string_view listUrl, std::string_view boardName);

/// The date of the preview: "yyyy/mm/dd h:n", hour and minute without leading zeros.
std::string PreviewDate(const std::tm &time);

/// The preview page: header followed by the message block with date, nickname, title and memo
/// (line ends of any kind, shown as breaks). Title and memo are escaped as the board escapes
/// what it is sent, so the preview shows them as the topic will.
std::string PreviewPage(std::string_view header, std::string_view date, std::string_view nickname,
                        std::string_view title, std::string_view memo);

/// The header of the preview: the default skin's "Header.html".
std::string PreviewHeader();

} // namespace post
