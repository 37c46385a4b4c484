// The three NG lists and their files in the program directory.
#pragma once

#include <string>

#include "base/textlist.h"

namespace settings {

/// Authors, titles and words whose messages are hidden. Each list is sorted and free of
/// duplicates under the case-insensitive comparison of list entries.
struct NgLists {
    base::SortedTextList names;
    base::SortedTextList titles;
    base::SortedTextList words;
};

inline constexpr const char kNgNameFile[] = "NG_Name.txt";
inline constexpr const char kNgTitleFile[] = "NG_Title.txt";
inline constexpr const char kNgWordFile[] = "NG_Word.txt";

/// Replaces each list by its file in dir when the file exists; a missing file leaves its list
/// as it is. One line per entry; an empty line is an empty entry.
void LoadNgLists(const std::string &dir, NgLists &lists);

/// Writes all three files, also for empty lists. False when any write failed.
bool SaveNgLists(const std::string &dir, const NgLists &lists);

} // namespace settings
