// Paging, the jump box, link clicks and link hovers.
#include "view/rendernav.h"

#include <algorithm>

#include "base/text.h"
#include "store/threadlog.h"
#include "view/answers.h"
#include "view/ngfilter.h"
#include "view/texttransform.h"

namespace view {

namespace {

int LineCount(const std::vector<std::string> &lines)
{
    return static_cast<int>(std::min<std::size_t>(lines.size(), 0x7fffffff));
}

int NumberAt(const std::vector<std::string> &lines, int index)
{
    if (index < 0 || index >= LineCount(lines))
        return 1;
    return store::LogLineNumber(lines[static_cast<std::size_t>(index)], 1);
}

bool Contains(std::string_view text, std::string_view part)
{
    return !part.empty() && text.find(part) != std::string_view::npos;
}

} // namespace

int FindLineByNumberText(const std::vector<std::string> &lines, std::string_view number)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (store::LogLineNumberText(lines[i]) == number)
            return static_cast<int>(i);
    }
    return -1;
}

bool CanShowNextMessages(std::size_t lineCount, int viewStart, int n)
{
    return static_cast<long long>(lineCount) - 1 >= static_cast<long long>(viewStart) + n;
}

std::optional<PageMove> NextMessages(const std::vector<std::string> &lines, int viewStart, int n)
{
    const long long count = LineCount(lines);
    const long long next = static_cast<long long>(viewStart) + n;
    if (count <= next)
        return std::nullopt;
    PageMove move;
    move.scrollTarget = NumberAt(lines, static_cast<int>(next));
    move.viewStart = static_cast<int>(count - next < n ? count - n : next);
    move.viewStart = std::max(0, move.viewStart);
    return move;
}

bool CanShowPreviousMessages(int viewStart)
{
    return viewStart > 0;
}

std::optional<PageMove> PreviousMessages(const std::vector<std::string> &lines, int viewStart, int n)
{
    if (viewStart <= 0)
        return std::nullopt;
    PageMove move;
    move.viewStart = std::max(0, viewStart - n);
    move.scrollTarget = NumberAt(lines, move.viewStart);
    return move;
}

std::optional<PageMove> JumpToMessage(const std::vector<std::string> &lines, std::string_view text, int n)
{
    const int wanted = base::ParseInt(text, 0);
    if (wanted <= 0)
        return std::nullopt;
    const auto it = std::find_if(lines.begin(), lines.end(),
                                 [&](const std::string &line) { return store::LogLineNumber(line, 0) == wanted; });
    if (it == lines.end())
        return std::nullopt;
    const long long i = it - lines.begin();
    const long long count = LineCount(lines);
    PageMove move;
    move.scrollTarget = wanted;
    move.viewStart = static_cast<int>(std::max(0LL, count < i + n ? count - n : i));
    return move;
}

std::string HostOf(std::string_view url)
{
    const std::size_t scheme = url.find("://");
    if (scheme != std::string_view::npos)
        url.remove_prefix(scheme + 3);
    url = url.substr(0, url.find_first_of("/?#"));
    url = url.substr(0, url.find(':'));
    return std::string(url);
}

LinkDecision DecideOpenLink(std::string_view url, const LinkContext &context)
{
    LinkDecision decision;
    if (url.starts_with(kAnswersScheme))
        return decision; // the reply count only pops up
    if (!Contains(url, "pop:") && !Contains(url, context.serviceDomain)) {
        decision.action = LinkAction::External;
        return decision;
    }
    if (Contains(url, HostOf(context.profileBase))) {
        decision.action = LinkAction::External;
        return decision;
    }
    if (url.starts_with("pop:")) {
        decision.action = LinkAction::MessageMenu;
        decision.menuTarget = base::ParseInt(url.substr(4), -1);
        return decision;
    }

    const std::optional<std::string> mid = base::ExtractUrlParam("mid=", url);
    if (context.active) {
        const std::optional<std::string> board = base::ExtractUrlParam("board=", url);
        const std::optional<std::string> tid = base::ExtractUrlParam("tid=", url);
        const std::optional<std::string> ownBoard = base::ExtractUrlParam("board=", context.active->topicUrl);
        const std::optional<std::string> ownTid = base::ExtractUrlParam("tid=", context.active->topicUrl);
        if (board && tid && ownBoard && ownTid && *board == *ownBoard && *tid == *ownTid) {
            if (!mid)
                return decision;
            const std::vector<std::string> &lines = context.active->lines;
            const int i = FindLineByNumberText(lines, *mid);
            if (i < 0)
                return decision;
            const long long n = context.msgview;
            const long long start = context.active->viewStart;
            const long long count = LineCount(lines);
            long long next;
            if (i > start)
                next = count - (start + n) < n ? count - n : start + n;
            else
                next = start - n;
            decision.action = LinkAction::SameTopicPage;
            decision.move.scrollTarget = base::ParseInt(*mid, 0);
            decision.move.viewStart = static_cast<int>(std::clamp(next, 0LL, 0x7fffffffLL));
            return decision;
        }
    }
    if (!context.yahoourl) {
        decision.action = LinkAction::External;
    } else if (mid) {
        decision.action = LinkAction::OpenOtherTopic;
        decision.messageNumber = base::ParseInt(*mid, 0);
    }
    return decision;
}

HoverEffect HoverElement(HoverState &state, bool isLink, const std::optional<std::string> &href, bool popres)
{
    HoverEffect effect;
    if (!isLink) {
        state.popupShown = false;
        effect.hidePopup = true;
        // Only the link's own address is taken off panel 0: a page that is rebuilt under a
        // resting mouse reports "no link" too, and must not wipe what a download said there.
        if (!state.hoveredLink.empty())
            effect.status = std::string();
        state.hoveredLink.clear();
        return effect;
    }
    if (state.popupShown || !href || href->starts_with("pop:"))
        return effect;
    if (href->starts_with(kAnswersScheme)) {
        // The reply count: its pop-up lists the answers; it has no address for the status bar.
        if (popres) {
            state.popupShown = true;
            effect.popupAnswersOf = href->substr(kAnswersScheme.size());
        }
        return effect;
    }
    state.hoveredLink = *href;
    effect.status = *href;
    if (!popres)
        return effect;
    state.popupShown = true;
    effect.popupMid = base::ExtractUrlParam("mid=", *href);
    return effect;
}

std::optional<std::string> PopupForMessage(std::string_view mid, const std::vector<std::string> &sourceLines,
                                           const settings::NgLists &ng, const settings::NgPatterns *patterns,
                                           bool chain)
{
    const int i = FindLineByNumberText(sourceLines, mid);
    if (i < 0)
        return std::nullopt;
    const AnswerIndex index = BuildAnswerIndex(sourceLines);
    std::vector<bool> hidden;
    if ((patterns && !patterns->empty()) || chain)
        hidden = HiddenLines(sourceLines, NgFilter{&ng, patterns, chain}, &index);
    const auto line = static_cast<std::size_t>(i);
    std::string text = PopupText(sourceLines[line], ng, !hidden.empty() && hidden[line]);
    if (!index.answers[line].empty()) {
        text += "\n\n";
        text += AnswerListText(sourceLines, index.answers[line]);
    }
    return text;
}

std::optional<std::string> AnswersPopup(std::string_view mid, const std::vector<std::string> &sourceLines,
                                        const settings::NgLists &ng, const settings::NgPatterns *patterns, bool chain)
{
    const int i = FindLineByNumberText(sourceLines, mid);
    if (i < 0)
        return std::nullopt;
    const AnswerIndex index = BuildAnswerIndex(sourceLines);
    const std::vector<int> &answers = index.answers[static_cast<std::size_t>(i)];
    if (answers.empty())
        return std::nullopt;
    std::vector<bool> hidden;
    if ((patterns && !patterns->empty()) || chain)
        hidden = HiddenLines(sourceLines, NgFilter{&ng, patterns, chain}, &index);
    std::string text;
    const std::size_t shown = std::min(answers.size(), kAnswersShown);
    for (std::size_t k = 0; k < shown; ++k) {
        const auto line = static_cast<std::size_t>(answers[k]);
        if (k > 0)
            text += "\n\n";
        text += PopupText(sourceLines[line], ng, !hidden.empty() && hidden[line]);
    }
    if (shown < answers.size()) {
        text += "\n\n \x81\x63"; // "…"
        text += std::to_string(answers.size() - shown);
    }
    return text;
}

} // namespace view
