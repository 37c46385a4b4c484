// The mark file and the jump to a mark.
#include "store/marks.h"

#include "base/text.h"
#include "settings/inifile.h"
#include "store/threadlog.h"

#include <algorithm>

namespace store {

namespace {

bool UsableIniName(std::string_view name)
{
    if (name.empty() || name.front() == ' ' || name.back() == ' ')
        return false;
    for (char c : name) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || c == '[' || c == ']' || c == '=' || c == ';')
            return false;
    }
    return true;
}

std::string JoinMarks(const std::vector<std::string> &marks)
{
    std::string out;
    for (const std::string &m : marks) {
        if (!out.empty())
            out += ',';
        out += m;
    }
    return out;
}

} // namespace

std::optional<TopicIds> MarkIdsOf(std::string_view pageKey)
{
    std::optional<std::string> board = base::ExtractUrlParam("board=", pageKey);
    std::optional<std::string> topic = base::ExtractUrlParam("tid=", pageKey);
    if (!board || !topic || !UsableIniName(*board) || !UsableIniName(*topic))
        return std::nullopt;
    return TopicIds{std::move(*board), std::move(*topic)};
}

std::vector<std::string> SplitMarks(std::string_view value)
{
    std::vector<std::string> marks;
    while (!value.empty()) {
        std::size_t comma = value.find(',');
        std::string_view item = value.substr(0, comma);
        if (!item.empty())
            marks.emplace_back(item);
        if (comma == std::string_view::npos)
            break;
        value.remove_prefix(comma + 1);
    }
    return marks;
}

std::string ToggleMark(std::string_view value, int number)
{
    std::vector<std::string> marks = SplitMarks(value);
    const std::string text = std::to_string(number);
    auto it = std::find(marks.begin(), marks.end(), text);
    if (it != marks.end())
        marks.erase(it);
    else
        marks.push_back(text);
    return JoinMarks(marks);
}

std::string MarkFile::value(const TopicIds &ids) const
{
    return settings::IniFile::Load(m_path).readString(ids.board, ids.topic, "");
}

bool MarkFile::toggle(const TopicIds &ids, int number)
{
    if (number < 1)
        return false;
    settings::IniFile ini = settings::IniFile::Load(m_path);
    ini.writeString(ids.board, ids.topic, ToggleMark(ini.readString(ids.board, ids.topic, ""), number));
    return ini.save(m_path);
}

bool MarkFile::clear(const TopicIds &ids)
{
    settings::IniFile ini = settings::IniFile::Load(m_path);
    if (!ini.removeKey(ids.board, ids.topic))
        return true;
    return ini.save(m_path);
}

std::optional<MarkJump> JumpToMark(const std::vector<std::string> &lines, std::string_view caption, int viewStart,
                                   int msgview)
{
    auto it = std::find_if(lines.begin(), lines.end(),
                           [&](const std::string &line) { return LogLineNumberText(line) == caption; });
    if (it == lines.end())
        return std::nullopt;
    const long long i = it - lines.begin();
    const long long n = static_cast<long long>(lines.size());
    const long long m = std::max(1, msgview);
    MarkJump jump;
    jump.scrollTarget = LogLineNumber(*it, 0);
    if (i <= viewStart)
        jump.viewStart = static_cast<int>(i < m ? 0 : i);
    else
        jump.viewStart = static_cast<int>(n < i + m ? std::max(0LL, n - m) : i);
    return jump;
}

} // namespace store
