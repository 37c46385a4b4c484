// The settings files of the program directory: "nekomado.ini", "mouse.ini", the three NG files
// and the three files of NG patterns. What the program reads it writes back so that a second
// reading gives the same.
#include "base/textfile.h"
#include "fuzz/files/filefuzz.h"
#include "settings/gesturebindings.h"
#include "settings/inifile.h"
#include "settings/nglists.h"
#include "settings/settings.h"

#include <cstdint>
#include <string>

namespace {

void CheckSettings(const std::string &dir, std::optional<std::string_view> text)
{
    const std::string path = dir + settings::kSettingsFileName;
    filefuzz::PutFile(path, text);
    const settings::IniFile ini = settings::IniFile::Load(path);
    // Parsing is stable: what a file parses to serializes to a text that parses the same.
    const std::string once = ini.serialize();
    Require(settings::IniFile::Parse(once).serialize() == once);

    settings::Settings loaded;
    settings::LoadSettings(ini, loaded, dir, true);
    settings::IniFile kept = ini;
    settings::SaveSettings(kept, loaded);
    Require(kept.save(path, settings::kSettingsFileMode));
    settings::Settings again;
    settings::LoadSettings(settings::IniFile::Load(path), again, dir, true);
    Require(again == loaded);
    Require(settings::ParseCommaList(settings::FormatCommaList(loaded.network.dlCount)) == loaded.network.dlCount);
}

void CheckGestures(const std::string &dir, std::optional<std::string_view> text)
{
    const std::string path = dir + settings::kMouseIniName;
    filefuzz::PutFile(path, text);
    const settings::IniFile ini = settings::IniFile::Load(path);
    const auto bindings = settings::ReadGestureBindings(ini);
    for (const auto &b : bindings) {
        Require(!b.key.empty());
        (void)settings::LookUpGesture(ini, "T", b.key);
    }
    Require(settings::WriteGestureBindings(path, bindings));
    Require(settings::ReadGestureBindings(settings::IniFile::Load(path)) == bindings);
}

// The three NG files and the three files of patterns beside them, in that order.
void CheckNgLists(const std::string &dir, const std::vector<std::optional<std::string_view>> &files)
{
    static const char *const kFiles[] = {settings::kNgNameFile,      settings::kNgTitleFile,
                                         settings::kNgWordFile,      settings::kNgNameRegexFile,
                                         settings::kNgTitleRegexFile, settings::kNgWordRegexFile};
    for (std::size_t i = 0; i < 6; ++i)
        filefuzz::PutFile(dir + kFiles[i], files[i]);
    settings::NgLists lists;
    settings::LoadNgLists(dir, lists);
    Require(settings::SaveNgLists(dir, lists));
    settings::NgLists again;
    settings::LoadNgLists(dir, again);
    Require(again.names.items() == lists.names.items());
    Require(again.titles.items() == lists.titles.items());
    Require(again.words.items() == lists.words.items());
    Require(again.nameRegex.items() == lists.nameRegex.items());
    Require(again.titleRegex.items() == lists.titleRegex.items());
    Require(again.wordRegex.items() == lists.wordRegex.items());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto parts = filefuzz::SplitInput(data, size, 8);
    const std::string &dir = filefuzz::ScratchDir();
    CheckSettings(dir, parts[0]);
    CheckGestures(dir, parts[1]);
    CheckNgLists(dir, {parts.begin() + 2, parts.end()});
    return 0;
}
