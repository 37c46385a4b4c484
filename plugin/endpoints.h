// The board and profile servers the plug-in's pages come from.
#pragma once

#include <cstddef>
#include <string_view>

namespace hakobune {

inline constexpr char kDefaultBoardUrl[] = "http://messages.yahoo.co.jp/";
inline constexpr char kDefaultProfileUrl[] = "http://profiles.yahoo.co.jp/";
/// The settings file read beside the plug-in file.
inline constexpr char kEndpointFileName[] = "Hakobune.ini";

/// Base URLs, each ending with "/" and short enough for a 256-byte URL field.
struct Endpoints {
    char board[256];
    char profile[256];

    std::string_view boardUrl() const { return board; }
    std::string_view profileUrl() const { return profile; }
};

Endpoints DefaultEndpoints();

/// Reads the keys board and profile of the section [endpoint] from the text of an ini file.
/// Section and key names compare without regard to ASCII case; blanks around names and values
/// are ignored, a value without a final "/" gets one, and a missing, empty or over-long value
/// keeps its default.
Endpoints ParseEndpointIni(std::string_view text);

} // namespace hakobune
