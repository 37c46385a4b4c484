// Skin directories: the six template files a topic page is built from, reading them, and the
// program's default skin that replaces a broken one.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace view {

inline constexpr const char kHeaderFile[] = "Header.html";
inline constexpr const char kResFile[] = "Res.html";
inline constexpr const char kNewResFile[] = "NewRes.html";
inline constexpr const char kRes2File[] = "Res2.html";       ///< optional: not new, replying to none
inline constexpr const char kNewRes2File[] = "NewRes2.html"; ///< optional: new, replying to none
inline constexpr const char kFooterFile[] = "Footer.html";

/// The templates of a skin as the page builder uses them: each file's lines joined with CR LF
/// after every line. An optional template that is missing or has no lines is empty.
struct Skin {
    std::string header;
    std::string res;
    std::string newRes;
    std::string res2;
    std::string newRes2;
    std::string footer;
};

/// A template file's lines, each followed by CR LF; empty when it cannot be read or has none.
std::string ReadTemplate(const std::string &path);

/// Reads the six templates from dir (every render does, so edits show at the next one).
Skin ReadSkin(const std::string &dir);

/// The skin directory of the program directory: programDir + "skin".
std::string ProgramSkinDir(const std::string &programDir);

/// The default skin's files, name and content, for the profile server's base URL (which its
/// author links begin with). Contents are Shift_JIS with CR LF line ends.
std::vector<std::pair<std::string, std::string>> DefaultSkinFiles(std::string_view profileBase);

/// The default skin's "Header.html" as written, and its dark variant (dark background, light
/// text and links), which a dark desktop uses in its place. Only the header differs: the other
/// templates hold no colours.
std::string DefaultHeader();
std::string DefaultDarkHeader();

/// Writes the default skin into dir (created when missing), replacing files of the same names.
/// False when anything could not be written; error then says what.
bool WriteDefaultSkin(const std::string &dir, std::string_view profileBase, std::string *error = nullptr);

enum class SkinStatus {
    Present,        ///< dir holds Header, Res, NewRes and Footer
    DefaultWritten, ///< it does not: the default skin was written into the program's skin dir
    WriteFailed,    ///< it does not, and the default skin could not be written
};

/// EnsureSkin: whether dir holds the four required templates. When it does not, writes the
/// default skin into the program's skin directory (ProgramSkinDir), over files of those names;
/// the caller then uses that directory.
SkinStatus EnsureSkin(const std::string &dir, const std::string &programDir, std::string_view profileBase,
                      std::string *error = nullptr);

} // namespace view
