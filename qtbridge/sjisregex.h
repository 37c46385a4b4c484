// Regular expressions over Shift_JIS text: the NG lists' patterns, matched on the decoded text
// so that no match can begin or end inside a double-byte character.
#pragma once

#include "settings/nglists.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qtbridge {

/// Compiles pattern (Shift_JIS) as a Perl-style regular expression that ignores case. nullptr
/// when it is not a valid one, or when it matches the empty text (it would match every text);
/// error then says why, in Japanese (UTF-8).
std::shared_ptr<const settings::TextPattern> CompileSjisRegex(std::string_view pattern, std::string *error = nullptr);

/// The regular expression lists of lists, compiled. An entry that does not compile is left out
/// (it hides nothing); when invalid is given, each such entry is appended to it.
settings::NgPatterns CompileNgPatterns(const settings::NgLists &lists, std::vector<std::string> *invalid = nullptr);

} // namespace qtbridge
