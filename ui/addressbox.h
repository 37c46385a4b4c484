// What the address box shows and what it accepts: plain rules, kept out of the widgets.
#pragma once

#include <string>
#include <string_view>

#include "store/openurl.h"

namespace ui {

/// The address box's text for a topic-list tab with listUrl: the special lists (":Favorite",
/// ":Tree") have no address and show nothing.
std::string AddressOfList(std::string_view listUrl);

/// True when the address box hands text to OpenUrl in mode: the external browser takes only
/// http and https URLs; the other modes also take a board or topic address (one with "action=").
/// Anything else is refused with kAddressRefusedText. Empty text is let through (OpenUrl does
/// nothing with it).
bool AddressAccepted(std::string_view text, store::OpenMode mode);

/// Status panel 0 for refused input: "URLが正しくありません" (UTF-8; shown by the window).
inline constexpr const char kAddressRefusedText[] = "URLが正しくありません";

} // namespace ui
