// The NG lists and their files in the program directory: the three lists of texts, the lists of
// regular expressions beside them, and the compiled form those take for matching.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/textlist.h"

namespace settings {

/// Authors, titles and words whose messages are hidden. Each list is sorted and free of
/// duplicates under the case-insensitive comparison of list entries.
struct NgLists {
    base::SortedTextList names;
    base::SortedTextList titles;
    base::SortedTextList words;
    /// Regular expressions searched for in the author, the title and the text. Kept like the
    /// lists above (sorted, no duplicates ignoring case: they match ignoring case too).
    base::SortedTextList nameRegex;
    base::SortedTextList titleRegex;
    base::SortedTextList wordRegex;
};

/// A compiled pattern over Shift_JIS text. The program's patterns are regular expressions,
/// compiled where a regular expression engine is at hand (the Qt layer).
class TextPattern {
public:
    virtual ~TextPattern() = default;
    /// Whether the pattern occurs anywhere in text.
    virtual bool search(std::string_view sjis) const = 0;
};

/// The regular expression lists of NgLists, compiled; an entry that did not compile has no
/// pattern here and hides nothing.
struct NgPatterns {
    std::vector<std::shared_ptr<const TextPattern>> names;
    std::vector<std::shared_ptr<const TextPattern>> titles;
    std::vector<std::shared_ptr<const TextPattern>> words;
    bool empty() const { return names.empty() && titles.empty() && words.empty(); }
};

inline constexpr const char kNgNameFile[] = "NG_Name.txt";
inline constexpr const char kNgTitleFile[] = "NG_Title.txt";
inline constexpr const char kNgWordFile[] = "NG_Word.txt";
inline constexpr const char kNgNameRegexFile[] = "NG_NameRegex.txt";
inline constexpr const char kNgTitleRegexFile[] = "NG_TitleRegex.txt";
inline constexpr const char kNgWordRegexFile[] = "NG_WordRegex.txt";

/// Replaces each list by its file in dir when the file exists; a missing file leaves its list
/// as it is. One line per entry; an empty line is an empty entry.
void LoadNgLists(const std::string &dir, NgLists &lists);

/// Writes the three text list files, also for empty lists, and each regular expression file
/// whose list has entries or that exists already (an emptied list empties its file; a program
/// directory that never had one gets none). False when any write failed.
bool SaveNgLists(const std::string &dir, const NgLists &lists);

} // namespace settings
