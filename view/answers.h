// Who answered whom in a topic: each message's answers, by its reply number and by the reply
// markers of the other messages' texts, and the reply count a skin can show.
#pragma once

#include "store/threadlog.h"

#include <string>
#include <string_view>
#include <vector>

namespace view {

/// The numbers a message answers: its reply number (field 2) and the numbers its text's reply
/// markers link to, each once, in that order. Its own number and numbers below 1 are left out.
std::vector<int> AnsweredNumbers(const store::LogFields &fields);

/// The answers between the lines of one topic. A number stands for the first line that holds it,
/// as everywhere a message is looked up by number; an answer to a number no line holds is no
/// answer. Forward references (to a later line) count as well as backward ones.
struct AnswerIndex {
    /// Per line, the lines that answer it, in log order, each once.
    std::vector<std::vector<int>> answers;
    /// Per line, the lines it answers, each once.
    std::vector<std::vector<int>> answered;
    /// The line of number, or -1.
    int lineOf(int number) const;

    std::vector<std::pair<int, int>> byNumber; ///< (number, first line), sorted by number
};

/// Builds the index over a topic's log lines.
AnswerIndex BuildAnswerIndex(const std::vector<std::string> &lines);

/// The skin tag of a message block that shows how many answers it has.
inline constexpr std::string_view kReplyCountTag = "<REPLYCOUNT/>";

/// The scheme of the reply count's link: "answers:" and the message number. Hovering it pops up
/// the answers; clicking it does nothing.
inline constexpr std::string_view kAnswersScheme = "answers:";

/// "返信" (replies), the reply count's label.
inline constexpr const char kRepliesLabel[] = "\x95\xd4\x90\x4d";

/// What the reply count tag becomes for a message with count answers: nothing for none, else a
/// link to kAnswersScheme + number showing the label and the count.
std::string ReplyCountHtml(int number, std::size_t count);

/// The line " 返信: 7, 9" (numbers of the answering lines) that ends the pop-up of a message with
/// answers; empty without answers.
std::string AnswerListText(const std::vector<std::string> &lines, const std::vector<int> &answerLines);

} // namespace view
