// Loading and saving the NG files.
#include "settings/nglists.h"

#include "base/programdir.h"
#include "base/textfile.h"

namespace settings {

namespace {

void loadOne(const std::string &path, base::SortedTextList &list)
{
    if (auto lines = base::ReadLines(path))
        list.assign(*lines);
}

bool saveOptional(const std::string &path, const base::SortedTextList &list)
{
    if (list.items().empty() && !base::FileExists(path))
        return true;
    return base::WriteLines(path, list.items());
}

} // namespace

void LoadNgLists(const std::string &dir, NgLists &lists)
{
    loadOne(base::JoinPath(dir, kNgNameFile), lists.names);
    loadOne(base::JoinPath(dir, kNgTitleFile), lists.titles);
    loadOne(base::JoinPath(dir, kNgWordFile), lists.words);
    loadOne(base::JoinPath(dir, kNgNameRegexFile), lists.nameRegex);
    loadOne(base::JoinPath(dir, kNgTitleRegexFile), lists.titleRegex);
    loadOne(base::JoinPath(dir, kNgWordRegexFile), lists.wordRegex);
}

bool SaveNgLists(const std::string &dir, const NgLists &lists)
{
    bool ok = base::WriteLines(base::JoinPath(dir, kNgNameFile), lists.names.items());
    ok = base::WriteLines(base::JoinPath(dir, kNgTitleFile), lists.titles.items()) && ok;
    ok = base::WriteLines(base::JoinPath(dir, kNgWordFile), lists.words.items()) && ok;
    ok = saveOptional(base::JoinPath(dir, kNgNameRegexFile), lists.nameRegex) && ok;
    ok = saveOptional(base::JoinPath(dir, kNgTitleRegexFile), lists.titleRegex) && ok;
    ok = saveOptional(base::JoinPath(dir, kNgWordRegexFile), lists.wordRegex) && ok;
    return ok;
}

} // namespace settings
