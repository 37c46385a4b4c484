// Collecting the answers of a topic's messages.
#include "view/answers.h"

#include "base/text.h"
#include "view/render.h"
#include "view/texttransform.h"

#include <algorithm>

namespace view {

std::vector<int> AnsweredNumbers(const store::LogFields &fields)
{
    const int own = base::ParseInt(fields.number, 0);
    std::vector<int> out;
    auto add = [&](int n) {
        if (n > 0 && n != own && std::find(out.begin(), out.end(), n) == out.end())
            out.push_back(n);
    };
    add(base::ParseInt(fields.replyTo, 0));
    const std::string_view body = fields.body;
    if (body.find(kRawMarker) == std::string_view::npos && body.find(kEscapedMarker) == std::string_view::npos)
        return out;
    // The markers as the page links them: read from the text the page shows, so that a marker
    // that is part of a kept address is no answer here either. Without a "<" that text is the
    // stored one.
    const std::vector<int> numbers =
        body.find('<') == std::string_view::npos ? ReferencedNumbers(body) : ReferencedNumbers(SafeMessageHtml(body));
    for (int n : numbers)
        add(n);
    return out;
}

int AnswerIndex::lineOf(int number) const
{
    auto it = std::lower_bound(byNumber.begin(), byNumber.end(), std::pair<int, int>(number, -1));
    return it != byNumber.end() && it->first == number ? it->second : -1;
}

AnswerIndex BuildAnswerIndex(const std::vector<std::string> &lines)
{
    AnswerIndex index;
    const std::size_t n = lines.size();
    index.answers.resize(n);
    index.answered.resize(n);
    std::vector<std::vector<int>> numbers(n);
    index.byNumber.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const store::LogFields f = store::SplitLogLine(lines[i]);
        if (const int number = base::ParseInt(f.number, 0); number > 0)
            index.byNumber.emplace_back(number, static_cast<int>(i));
        numbers[i] = AnsweredNumbers(f);
    }
    // Stable: among lines of the same number the first one stays first.
    std::stable_sort(index.byNumber.begin(), index.byNumber.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    index.byNumber.erase(std::unique(index.byNumber.begin(), index.byNumber.end(),
                                     [](const auto &a, const auto &b) { return a.first == b.first; }),
                         index.byNumber.end());
    for (std::size_t i = 0; i < n; ++i) {
        for (int number : numbers[i]) {
            const int target = index.lineOf(number);
            // A second line that repeats a number answers the first one of it only by name.
            if (target < 0 || target == static_cast<int>(i))
                continue;
            std::vector<int> &answered = index.answered[i];
            if (std::find(answered.begin(), answered.end(), target) != answered.end())
                continue;
            answered.push_back(target);
            index.answers[static_cast<std::size_t>(target)].push_back(static_cast<int>(i));
        }
    }
    return index;
}

std::string ReplyCountHtml(int number, std::size_t count)
{
    if (count == 0)
        return {};
    std::string out = "<a href=\"";
    out += kAnswersScheme;
    out += std::to_string(number);
    out += "\">";
    out += kRepliesLabel;
    out += std::to_string(count);
    out += "</a>";
    return out;
}

std::string AnswerListText(const std::vector<std::string> &lines, const std::vector<int> &answerLines)
{
    if (answerLines.empty())
        return {};
    std::string out = " ";
    out += kRepliesLabel;
    out += ":";
    for (std::size_t k = 0; k < answerLines.size(); ++k) {
        const std::string &line = lines[static_cast<std::size_t>(answerLines[k])];
        out += k == 0 ? " " : ", ";
        out += store::SplitLogLine(line).number;
    }
    return out;
}

} // namespace view
