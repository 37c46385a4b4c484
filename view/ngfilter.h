// Which messages of a page the NG filter hides: the NG lists, their regular expressions, and
// optionally the answers to hidden messages.
#pragma once

#include "settings/nglists.h"
#include "store/threadlog.h"
#include "view/answers.h"

#include <string>
#include <vector>

namespace view {

/// Everything that decides whether a message is hidden.
struct NgFilter {
    const settings::NgLists *lists = nullptr; ///< null: no list hides anything
    const settings::NgPatterns *patterns = nullptr;
    bool chain = false; ///< also hide the messages that answer a hidden one
};

/// Whether some pattern of the filter occurs in the author, the title or the text.
bool MatchesNgPattern(const store::LogFields &fields, const settings::NgPatterns &patterns);

/// Per line, whether it is hidden: by the lists (IsNgMessage), by a pattern, or (with chain)
/// because it answers a hidden line, directly or through other answers. index is the lines'
/// answer index; it is needed only with chain and built here when null.
std::vector<bool> HiddenLines(const std::vector<std::string> &lines, const NgFilter &filter,
                              const AnswerIndex *index = nullptr);

} // namespace view
