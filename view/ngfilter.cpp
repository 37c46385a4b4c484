// The NG decision over a whole page.
#include "view/ngfilter.h"

#include "view/render.h"

namespace view {

namespace {

bool AnyFound(std::string_view text, const std::vector<std::shared_ptr<const settings::TextPattern>> &patterns)
{
    for (const auto &pattern : patterns)
        if (pattern && pattern->search(text))
            return true;
    return false;
}

} // namespace

bool MatchesNgPattern(const store::LogFields &fields, const settings::NgPatterns &patterns)
{
    return AnyFound(fields.author, patterns.names) || AnyFound(fields.title, patterns.titles) ||
           AnyFound(fields.body, patterns.words);
}

std::vector<bool> HiddenLines(const std::vector<std::string> &lines, const NgFilter &filter, const AnswerIndex *index)
{
    std::vector<bool> hidden(lines.size(), false);
    std::vector<int> pending; // hidden lines whose answers are still to be hidden
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const store::LogFields f = store::SplitLogLine(lines[i]);
        if ((filter.lists && IsNgMessage(f, *filter.lists)) ||
            (filter.patterns && MatchesNgPattern(f, *filter.patterns))) {
            hidden[i] = true;
            pending.push_back(static_cast<int>(i));
        }
    }
    if (!filter.chain || pending.empty())
        return hidden;
    AnswerIndex built;
    if (!index || index->answers.size() != lines.size()) {
        built = BuildAnswerIndex(lines);
        index = &built;
    }
    // Every line is hidden at most once and only then queued, so answers that go round in a
    // circle end the walk like any other.
    while (!pending.empty()) {
        const int line = pending.back();
        pending.pop_back();
        for (int answer : index->answers[static_cast<std::size_t>(line)]) {
            if (!hidden[static_cast<std::size_t>(answer)]) {
                hidden[static_cast<std::size_t>(answer)] = true;
                pending.push_back(answer);
            }
        }
    }
    return hidden;
}

} // namespace view
