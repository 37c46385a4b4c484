// mouse.ini: the bindings of gestures to commands, looked up when a gesture runs and edited by
// the settings dialog.
#pragma once

#include "settings/inifile.h"

#include <optional>
#include <string>
#include <vector>

namespace settings {

inline constexpr const char kMouseIniName[] = "mouse.ini";
inline constexpr const char kGestureSection[] = "gesture";

/// One line of [gesture]: the key is an optional place mark and the gesture text (Shift_JIS),
/// the value an action's name.
struct GestureBinding {
    std::string key;
    std::string action;
    bool operator==(const GestureBinding &) const = default;
};

/// The action bound to a gesture: the binding without place mark first, then the one of the
/// place. Nothing when neither names an action.
std::optional<std::string> LookUpGesture(const IniFile &ini, const std::string &place, const std::string &gesture);

/// Every binding of the file, in file order.
std::vector<GestureBinding> ReadGestureBindings(const IniFile &ini);

/// Replaces the file by exactly these bindings, atomically: a failed write leaves the old file
/// whole. Entries of other sections are not kept; the file holds only [gesture].
bool WriteGestureBindings(const std::string &path, const std::vector<GestureBinding> &bindings);

} // namespace settings
