// The settings dialog's rules: filling its controls, reading them back, the count list and the
// gesture bindings.
#include "settings/settingdlgmodel.h"

#include "base/text.h"

#include <algorithm>

namespace settings {

namespace {

constexpr const char kNoActionMessage[] = "\x93\xae\x8d\xec\x82\xf0\x91\x49\x91\xf0\x82\xb5\x82\xc4\x82\xad\x82\xbe"
                                          "\x82\xb3\x82\xa2\x81\x42"; // "動作を選択してください。"
constexpr const char kThreadMaxMessage[] = "\x8d\xc5\x91\xe5\x83\x58\x83\x8c\x83\x62\x83\x68\x90\x94\x82\xc9\x82\xcd"
                                           "\x31\x88\xc8\x8f\xe3\x82\xcc\x90\x94"
                                           "\x82\xf0\x93\xfc\x97\xcd\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82\xa2"
                                           "\x81\x42"; // "最大スレッド数には1以上の数を入力してください。"
constexpr const char kCountMessage[] = "\x8e\xe6\x93\xbe\x90\x94\x82\xc9\x82\xcd\x31\x88\xc8\x8f\xe3\x82\xcc\x90\x94"
                                       "\x82\xf0\x93\xfc\x97\xcd\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82\xa2\x81"
                                       "\x42"; // "取得数には1以上の数を入力してください。"
constexpr const char kSelectedCountMessage[] =
    "\x8e\xe6\x93\xbe\x90\x94\x83\x81\x83\x6a\x83\x85\x81\x5b\x82\xc5\x91\x49\x91\xf0\x92\x86\x82\xcc\x90\x94\x82"
    "\xcd\x8d\xed\x8f\x9c\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\x81\x42"; // "取得数メニューで選択中の数は削除できません。"

std::string number(int v)
{
    return std::to_string(v);
}

} // namespace

DialogFields FieldsFromSettings(const Settings &s)
{
    DialogFields f;
    f.values = s;
    f.viewMsg = number(s.general.msgview);
    f.thrlstWidth = number(s.tab.topicList.width);
    f.thrlstHeight = number(s.tab.topicList.height);
    f.thrWidth = number(s.tab.topic.width);
    f.thrHeight = number(s.tab.topic.height);
    f.proxyPort = number(s.network.proxyPort);
    f.threadMax = number(s.network.threadMax);
    f.retry = number(s.network.retry);
    f.timeout = number(s.network.timeout);
    f.resRetry = number(s.network.resretry);
    f.postTimeout = number(s.network.posttimeout);
    return f;
}

std::optional<std::string> ValidateFields(const DialogFields &f)
{
    // Letters fall back to the default of 5; a number that would stop every download is refused.
    if (base::ParseInt(f.threadMax, 5) <= 0)
        return std::string(kThreadMaxMessage);
    return std::nullopt;
}

std::string RemoveTrailingSeparator(std::string path)
{
    if (!path.empty() && path.back() == '/')
        path.pop_back();
    return path;
}

void ApplyFields(const DialogFields &f, Settings &s)
{
    const Settings &v = f.values;
    const bool online = s.general.online;
    s.general = v.general;
    s.general.online = online;
    s.general.msgview = base::ParseInt(f.viewMsg, 100);

    s.path.browser = RemoveTrailingSeparator(v.path.browser);
    s.path.log = RemoveTrailingSeparator(v.path.log);
    s.path.skin = RemoveTrailingSeparator(v.path.skin);
    s.path.plugin = RemoveTrailingSeparator(v.path.plugin);

    s.tab = v.tab;
    s.tab.topicList.width = base::ParseInt(f.thrlstWidth, 0);
    s.tab.topicList.height = base::ParseInt(f.thrlstHeight, 0);
    s.tab.topic.width = base::ParseInt(f.thrWidth, 0);
    s.tab.topic.height = base::ParseInt(f.thrHeight, 0);

    s.design = v.design;
    s.action = v.action;

    NetworkSettings &n = s.network;
    n.proxy = v.network.proxy;
    n.proxyServer = v.network.proxyServer;
    n.proxyPort = base::ParseInt(f.proxyPort, 0);
    const int threadMax = base::ParseInt(f.threadMax, 5);
    if (threadMax > 0)
        n.threadMax = threadMax;
    n.retry = base::ParseInt(f.retry, 3);
    n.timeout = base::ParseInt(f.timeout, 3000);
    n.resretry = base::ParseInt(f.resRetry, 1);
    n.posttimeout = base::ParseInt(f.postTimeout, 3000);
    n.dlNew = v.network.dlNew;

    s.login = v.login;
}

DlCountEditor::DlCountEditor(std::vector<std::string> counts, int selectedIndex)
    : m_items(std::move(counts)), m_selected(std::clamp(selectedIndex, 0, static_cast<int>(m_items.size())))
{}

std::optional<std::string> DlCountEditor::add(std::string_view text)
{
    if (base::ParseInt(text, 0) <= 0)
        return std::string(kCountMessage);
    for (const std::string &item : m_items)
        if (base::EqualsNoCase(item, text))
            return std::nullopt;
    m_items.emplace_back(text);
    return std::nullopt;
}

std::optional<std::string> DlCountEditor::remove(std::string_view text)
{
    auto it = std::find(m_items.begin(), m_items.end(), text);
    if (it == m_items.end())
        return std::nullopt;
    const int position = static_cast<int>(it - m_items.begin()) + 1;
    if (position == m_selected)
        return std::string(kSelectedCountMessage);
    m_items.erase(it);
    if (m_selected > position)
        --m_selected;
    return std::nullopt;
}

int DlCountEditor::selectedIndex() const
{
    return std::min(m_selected, static_cast<int>(m_items.size()));
}

GestureEditor::GestureEditor(std::vector<ActionInfo> actions, std::vector<GestureBinding> rows)
    : m_actions(std::move(actions)), m_rows(std::move(rows))
{}

std::string GestureEditor::AppendArrow(const std::string &text, TMouseGestureType arrow)
{
    const std::string mark = MouseGestureToString(arrow);
    // The last character, found by walking the text: a trail byte may look like a lead byte.
    std::size_t last = 0;
    for (std::size_t i = 0; i < text.size();) {
        last = i;
        i += base::IsSjisLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
    }
    if (!text.empty() && text.compare(last, std::string::npos, mark) == 0)
        return text;
    return text + mark;
}

std::string GestureEditor::PlaceMark(int place)
{
    switch (place) {
    case 1:
        return kPlaceCategory;
    case 2:
        return kPlaceTopicList;
    case 3:
        return kPlaceTopic;
    default:
        return {};
    }
}

std::vector<std::string> GestureEditor::categories() const
{
    std::vector<std::string> found;
    for (const ActionInfo &a : m_actions)
        if (std::find(found.begin(), found.end(), a.category) == found.end())
            found.push_back(a.category);
    return found;
}

std::vector<const ActionInfo *> GestureEditor::actionsOf(const std::string &category) const
{
    std::vector<const ActionInfo *> found;
    for (const ActionInfo &a : m_actions)
        if (a.category == category && a.visible)
            found.push_back(&a);
    return found;
}

GestureEditor::AddResult GestureEditor::add(int place, const std::string &gesture, const ActionInfo *action)
{
    if (gesture.empty())
        return {};
    if (!action)
        return {-1, std::string(kNoActionMessage)};
    const std::string key = PlaceMark(place) + gesture;
    auto it = std::find_if(m_rows.begin(), m_rows.end(), [&](const GestureBinding &b) { return b.key == key; });
    if (it == m_rows.end()) {
        m_rows.push_back({key, action->name});
        return {static_cast<int>(m_rows.size()) - 1, std::nullopt};
    }
    it->action = action->name;
    return {static_cast<int>(it - m_rows.begin()), std::nullopt};
}

void GestureEditor::remove(int row)
{
    if (row >= 0 && row < static_cast<int>(m_rows.size()))
        m_rows.erase(m_rows.begin() + row);
}

const ActionInfo *GestureEditor::findAction(const std::string &name) const
{
    for (const ActionInfo &a : m_actions)
        if (a.name == name)
            return &a;
    return nullptr;
}

std::string GestureEditor::actionCaption(int row) const
{
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return {};
    const ActionInfo *a = findAction(m_rows[static_cast<std::size_t>(row)].action);
    return a ? a->caption : m_rows[static_cast<std::size_t>(row)].action;
}

} // namespace settings
