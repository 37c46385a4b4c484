// An INI file held whole in memory, so that sections and keys the program does not know
// survive a save.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <sys/types.h>
#include <vector>

namespace settings {

/// Section and key names match without regard to ASCII case; values are kept as text. Lines
/// that are neither a section nor a key (comments, junk) are kept where they stand.
class IniFile {
public:
    IniFile() = default;

    /// Parses text (Shift_JIS, any line ends). Never fails: malformed lines are kept as they are.
    static IniFile Parse(std::string_view text);
    /// Reads the file; a missing or unreadable file gives an empty one.
    static IniFile Load(const std::string &path);

    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    bool hasKey(std::string_view section, std::string_view key) const { return value(section, key).has_value(); }
    /// Every key of the section with its value, in file order.
    std::vector<std::pair<std::string, std::string>> entries(std::string_view section) const;

    std::string readString(std::string_view section, std::string_view key, std::string_view fallback) const;
    /// A decimal integer; missing or not a number yields fallback.
    int readInt(std::string_view section, std::string_view key, int fallback) const;
    /// Read as an integer; any non-zero value is true.
    bool readBool(std::string_view section, std::string_view key, bool fallback) const;

    /// Sets the value, adding the section and key at their ends when they are new.
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInt(std::string_view section, std::string_view key, int value);
    /// Written "1" or "0".
    void writeBool(std::string_view section, std::string_view key, bool value);
    /// Removes the key from its section, every line of it when a damaged file repeats it (the
    /// section stays, also when empty). False when absent.
    bool removeKey(std::string_view section, std::string_view key);

    /// The whole file as text with CR LF line ends.
    std::string serialize() const;
    /// Replaces the file atomically. False when the write failed (the old file stays whole).
    bool save(const std::string &path, mode_t mode = 0644) const;

private:
    struct Entry {
        std::string key;   ///< empty for a line that is kept verbatim
        std::string value; ///< the value, or the verbatim line
    };
    struct Section {
        std::string name; ///< empty for the lines before the first section
        std::vector<Entry> entries;
    };

    const Section *findSection(std::string_view name) const;
    Section &sectionFor(std::string_view name);

    std::vector<Section> m_sections;
};

} // namespace settings
