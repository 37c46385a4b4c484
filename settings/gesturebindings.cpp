// Reading, looking up and writing the gesture bindings.
#include "settings/gesturebindings.h"

#include "base/textfile.h"

namespace settings {

std::optional<std::string> LookUpGesture(const IniFile &ini, const std::string &place, const std::string &gesture)
{
    // Action names hold no blanks: those around a hand-written "key = action" are not part of it.
    const auto action = [&](const std::string &key) -> std::optional<std::string> {
        std::optional<std::string> value = ini.value(kGestureSection, key);
        if (!value)
            return std::nullopt;
        const std::size_t first = value->find_first_not_of(" \t");
        if (first == std::string::npos)
            return std::nullopt;
        return value->substr(first, value->find_last_not_of(" \t") - first + 1);
    };
    std::optional<std::string> name = action(gesture);
    if (!name)
        name = action(place + gesture);
    return name;
}

std::vector<GestureBinding> ReadGestureBindings(const IniFile &ini)
{
    std::vector<GestureBinding> bindings;
    for (auto &[key, value] : ini.entries(kGestureSection))
        bindings.push_back({key, value});
    return bindings;
}

bool WriteGestureBindings(const std::string &path, const std::vector<GestureBinding> &bindings)
{
    std::string text = "[gesture]\r\n";
    for (const GestureBinding &b : bindings)
        text += b.key + "=" + b.action + "\r\n";
    return base::WriteFileAtomic(path, text);
}

} // namespace settings
