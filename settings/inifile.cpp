// Parsing and writing the INI text.
#include "settings/inifile.h"

#include <vector>

#include "base/text.h"
#include "base/textfile.h"

namespace settings {

namespace {

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

} // namespace

IniFile IniFile::Parse(std::string_view text)
{
    IniFile ini;
    ini.m_sections.push_back(Section{});
    for (const std::string &line : base::SplitLines(text)) {
        std::string_view t = trimmed(line);
        if (t.size() >= 2 && t.front() == '[' && t.back() == ']') {
            ini.m_sections.push_back(Section{std::string(trimmed(t.substr(1, t.size() - 2))), {}});
            continue;
        }
        // The value is everything after the first "=", blanks included: a password may end in one.
        std::string_view raw = line;
        auto eq = raw.find('=');
        std::string_view key = eq == std::string_view::npos ? std::string_view() : trimmed(raw.substr(0, eq));
        if (t.empty() || t.front() == ';' || key.empty()) {
            ini.m_sections.back().entries.push_back(Entry{std::string(), line});
            continue;
        }
        ini.m_sections.back().entries.push_back(Entry{std::string(key), std::string(raw.substr(eq + 1))});
    }
    return ini;
}

IniFile IniFile::Load(const std::string &path)
{
    auto data = base::ReadFile(path);
    return Parse(data ? *data : std::string());
}

const IniFile::Section *IniFile::findSection(std::string_view name) const
{
    for (const Section &s : m_sections)
        if (!s.name.empty() && sameName(s.name, name))
            return &s;
    return nullptr;
}

IniFile::Section &IniFile::sectionFor(std::string_view name)
{
    for (Section &s : m_sections)
        if (!s.name.empty() && sameName(s.name, name))
            return s;
    m_sections.push_back(Section{std::string(name), {}});
    return m_sections.back();
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const
{
    const Section *s = findSection(section);
    if (!s)
        return std::nullopt;
    for (const Entry &e : s->entries)
        if (!e.key.empty() && sameName(e.key, key))
            return e.value;
    return std::nullopt;
}

std::vector<std::pair<std::string, std::string>> IniFile::entries(std::string_view section) const
{
    std::vector<std::pair<std::string, std::string>> found;
    if (const Section *s = findSection(section))
        for (const Entry &e : s->entries)
            if (!e.key.empty())
                found.emplace_back(e.key, e.value);
    return found;
}

std::string IniFile::readString(std::string_view section, std::string_view key, std::string_view fallback) const
{
    auto v = value(section, key);
    return v ? *v : std::string(fallback);
}

int IniFile::readInt(std::string_view section, std::string_view key, int fallback) const
{
    auto v = value(section, key);
    return v ? base::ParseInt(*v, fallback) : fallback;
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool fallback) const
{
    return readInt(section, key, fallback ? 1 : 0) != 0;
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value)
{
    Section &s = sectionFor(section);
    for (Entry &e : s.entries) {
        if (!e.key.empty() && sameName(e.key, key)) {
            e.value = std::string(value);
            return;
        }
    }
    // Keep the new key with its section's keys, ahead of the blank lines that close it.
    auto at = s.entries.end();
    while (at != s.entries.begin() && std::prev(at)->key.empty() && trimmed(std::prev(at)->value).empty())
        --at;
    s.entries.insert(at, Entry{std::string(key), std::string(value)});
}

void IniFile::writeInt(std::string_view section, std::string_view key, int value)
{
    writeString(section, key, std::to_string(value));
}

void IniFile::writeBool(std::string_view section, std::string_view key, bool value)
{
    writeString(section, key, value ? "1" : "0");
}

bool IniFile::removeKey(std::string_view section, std::string_view key)
{
    for (Section &s : m_sections) {
        if (s.name.empty() || !sameName(s.name, section))
            continue;
        // A hand-edited file may hold the key twice: removing only the first would let the
        // second answer every later read, so the key would seem never removed.
        const auto removed =
            std::erase_if(s.entries, [&](const Entry &e) { return !e.key.empty() && sameName(e.key, key); });
        return removed > 0;
    }
    return false;
}

std::string IniFile::serialize() const
{
    base::Lines lines;
    for (const Section &s : m_sections) {
        // Only the lines before the first section go without a header: a "[]" further down
        // keeps its own, or the keys under it would join the section above when read again.
        if (!s.name.empty() || &s != &m_sections.front())
            lines.push_back('[' + s.name + ']');
        for (const Entry &e : s.entries)
            lines.push_back(e.key.empty() ? e.value : e.key + '=' + e.value);
    }
    return base::JoinLines(lines);
}

bool IniFile::save(const std::string &path, mode_t mode) const
{
    return base::WriteFileAtomic(path, serialize(), mode);
}

} // namespace settings
