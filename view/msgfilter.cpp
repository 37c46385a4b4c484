// The message filter's list editing and the NG additions from the message menu.
#include "view/msgfilter.h"

#include "base/text.h"
#include "store/threadlog.h"

namespace view {

namespace {

base::SortedTextList &listOf(settings::NgLists &lists, NgTab tab)
{
    switch (tab) {
    case NgTab::Names:
        return lists.names;
    case NgTab::Titles:
        return lists.titles;
    case NgTab::NameRegex:
        return lists.nameRegex;
    case NgTab::TitleRegex:
        return lists.titleRegex;
    case NgTab::WordRegex:
        return lists.wordRegex;
    case NgTab::Words:
        break;
    }
    return lists.words;
}

} // namespace

MsgFilterModel::MsgFilterModel(const settings::NgLists &lists)
{
    box(NgTab::Names).items = lists.names.items();
    box(NgTab::Titles).items = lists.titles.items();
    box(NgTab::Words).items = lists.words.items();
    box(NgTab::NameRegex).items = lists.nameRegex.items();
    box(NgTab::TitleRegex).items = lists.titleRegex.items();
    box(NgTab::WordRegex).items = lists.wordRegex.items();
}

void MsgFilterModel::select(NgTab tab, int row)
{
    Box &b = box(tab);
    b.selected = row >= 0 && row < static_cast<int>(b.items.size()) ? row : -1;
}

int MsgFilterModel::add(NgTab tab, std::string_view text)
{
    m_addError.clear();
    if (text.empty())
        return -1;
    if (IsRegexTab(tab) && m_check) {
        std::string error;
        if (!m_check(text, &error)) {
            m_addError = error.empty() ? std::string("?") : error;
            return -1;
        }
    }
    Box &b = box(tab);
    for (std::size_t i = 0; i < b.items.size(); ++i) {
        if (base::EqualsNoCase(b.items[i], text)) {
            b.selected = static_cast<int>(i);
            return b.selected;
        }
    }
    b.items.emplace_back(text);
    b.selected = static_cast<int>(b.items.size()) - 1;
    return b.selected;
}

bool MsgFilterModel::removeSelected(NgTab tab)
{
    Box &b = box(tab);
    if (b.selected < 0 || b.selected >= static_cast<int>(b.items.size()))
        return false;
    b.items.erase(b.items.begin() + b.selected);
    b.selected = -1;
    return true;
}

settings::NgLists MsgFilterModel::lists() const
{
    settings::NgLists out;
    out.names.assign(items(NgTab::Names));
    out.titles.assign(items(NgTab::Titles));
    out.words.assign(items(NgTab::Words));
    out.nameRegex.assign(items(NgTab::NameRegex));
    out.titleRegex.assign(items(NgTab::TitleRegex));
    out.wordRegex.assign(items(NgTab::WordRegex));
    return out;
}

NgAddResult AddFromMessage(const std::vector<std::string> &lines, int target, NgTab tab, settings::NgLists &lists)
{
    if (tab != NgTab::Names && tab != NgTab::Titles)
        return NgAddResult::NotFound;
    for (const std::string &line : lines) {
        if (store::LogLineNumber(line, 0) != target)
            continue;
        const store::LogFields fields = store::SplitLogLine(line);
        const std::string_view text = tab == NgTab::Titles ? fields.title : fields.author;
        return listOf(lists, tab).add(text) ? NgAddResult::Added : NgAddResult::Listed;
    }
    return NgAddResult::NotFound;
}

int TreeNodeTarget(std::string_view nodeText)
{
    return base::ParseInt(nodeText.substr(0, nodeText.find(' ')), 1);
}

} // namespace view
