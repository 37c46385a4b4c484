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

} // namespace

void LoadNgLists(const std::string &dir, NgLists &lists)
{
    loadOne(base::JoinPath(dir, kNgNameFile), lists.names);
    loadOne(base::JoinPath(dir, kNgTitleFile), lists.titles);
    loadOne(base::JoinPath(dir, kNgWordFile), lists.words);
}

bool SaveNgLists(const std::string &dir, const NgLists &lists)
{
    bool ok = base::WriteLines(base::JoinPath(dir, kNgNameFile), lists.names.items());
    ok = base::WriteLines(base::JoinPath(dir, kNgTitleFile), lists.titles.items()) && ok;
    ok = base::WriteLines(base::JoinPath(dir, kNgWordFile), lists.words.items()) && ok;
    return ok;
}

} // namespace settings
