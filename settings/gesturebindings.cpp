// Reading, looking up and writing the gesture bindings.
#include "settings/gesturebindings.h"

#include "base/textfile.h"

namespace settings {

std::optional<std::string> LookUpGesture(const IniFile &ini, const std::string &place, const std::string &gesture)
{
    auto name = ini.value(kGestureSection, gesture);
    if (!name || name->empty())
        name = ini.value(kGestureSection, place + gesture);
    if (!name || name->empty())
        return std::nullopt;
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
