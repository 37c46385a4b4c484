// Case folding of Shift_JIS text for the log search: the folding the NG lists compare their
// entries with (ASCII a-z and full-width ａ-ｚ onto upper case), byte for byte in place, so that
// offsets in a folded text are offsets in the original.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace search {

/// Writes the folded form of text to out (text.size() bytes). Double-byte characters are read
/// whole from the start of text; a lead byte at the very end stays a single byte.
void FoldSjis(std::string_view text, char *out);

/// The folded form of text.
std::string FoldedSjis(std::string_view text);

/// True when folding can change text: it holds a letter in either width.
bool HasFoldableLetter(std::string_view text);

/// Where the character that holds text[at] begins, reading text from its start.
std::size_t CharStartAt(std::string_view text, std::size_t at);

} // namespace search
