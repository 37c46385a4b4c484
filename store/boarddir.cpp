// Resolving board directories from the site's category file, and listing their topic logs.
#include "store/boarddir.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

#include "base/programdir.h"
#include "base/text.h"
#include "base/textfile.h"
#include "store/categoryfile.h"
#include "store/safename.h"

namespace store {

namespace {

std::string_view trimBlanks(std::string_view text)
{
    // Trailing bytes of double-byte characters are never below 0x40, so this cannot cut one.
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20)
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20)
        text.remove_suffix(1);
    return text;
}

// Drops the single-byte characters listed in removed. Double-byte characters are copied whole:
// their second byte may be 0x5C or 0x7C, which is not a backslash or a bar there.
std::string removeChars(std::string_view text, std::string_view removed)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (base::IsSjisLeadByte(static_cast<unsigned char>(c)) && i + 1 < text.size()) {
            out += c;
            out += text[++i];
            continue;
        }
        if (removed.find(c) == std::string_view::npos)
            out += c;
    }
    return out;
}

// A folder's name is also the list file's name before ".txt", and the atomic writer adds ".tmp"
// and six characters to that: a longer name would make a folder whose list can never be written.
constexpr std::size_t kMaxFolderName = 255 - 4 - 4 - 6;

} // namespace

std::string FitFolderName(std::string name)
{
    if (name.size() <= kMaxFolderName)
        return name;
    std::size_t end = 0;
    while (end < name.size()) {
        const std::size_t step = base::IsSjisLeadByte(static_cast<unsigned char>(name[end])) ? 2 : 1;
        if (end + step > kMaxFolderName)
            break;
        end += step;
    }
    name.resize(end);
    return name;
}

std::optional<std::string> ResolveBoardLogDir(const BoardPaths &paths, std::string_view listUrl)
{
    // Before the first directory update there is no category file: every board is one it does
    // not list, stored under the log root, rather than downloaded and never stored.
    auto lines = base::ReadLines(CategoryFilePath(paths.programDir, kPluginTreeName)).value_or(base::Lines{});

    // Components from the board up; reversed at the end.
    std::vector<std::string> components;
    int current = -1;
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        auto line = ParseCategoryLine(*it);
        if (!line)
            continue;
        if (!listUrl.empty() && it->find(listUrl) != std::string::npos) {
            components.assign(1, std::string(trimBlanks(line->name)));
            current = line->depth;
            continue;
        }
        if (current >= 0 && line->depth < current && line->kind != 0) {
            components.push_back(removeChars(trimBlanks(line->name), "/"));
            current = line->depth;
            if (current == 0)
                break;
        }
    }

    std::string relative;
    for (std::size_t i = components.size(); i-- > 0;) {
        std::string name = FitFolderName(i == 0 ? removeChars(components[0], "\\/:*?\"<>| ") : components[i]);
        if (name.empty())
            continue;
        if (!IsSafePathComponent(name))
            return std::nullopt;
        relative += relative.empty() ? "" : "/";
        relative += name;
    }
    std::string dir = relative.empty() ? paths.logRoot : base::JoinPath(paths.logRoot, relative);
    if (!base::MakeDirs(dir))
        return std::nullopt;
    return dir;
}

std::optional<std::string> FindBoardName(const std::string &programDir, std::string_view listUrl)
{
    if (listUrl.empty())
        return std::nullopt;
    auto lines = base::ReadLines(CategoryFilePath(programDir, kPluginTreeName));
    if (!lines)
        return std::nullopt;
    for (const auto &text : *lines) {
        if (text.find(listUrl) == std::string::npos)
            continue;
        if (auto line = ParseCategoryLine(text))
            return line->name;
    }
    return std::nullopt;
}

std::string BoardListFilePath(const std::string &boardDir)
{
    std::string_view dir = boardDir;
    while (dir.size() > 1 && dir.back() == '/')
        dir.remove_suffix(1);
    auto slash = dir.rfind('/');
    std::string_view last = slash == std::string_view::npos ? dir : dir.substr(slash + 1);
    return base::JoinPath(std::string(dir), std::string(last) + ".txt");
}

std::vector<std::string> ListTopicLogs(const std::string &dir)
{
    struct Found {
        std::string name;
        bool askType; ///< a link, or a file system that does not report the type
    };
    std::vector<Found> found;
    if (DIR *handle = ::opendir(dir.c_str())) {
        while (const dirent *entry = ::readdir(handle)) {
            std::string_view name = entry->d_name;
            // Only the logs of topics: any other name would not turn back into a topic id.
            if (!IsTopicLogName(name))
                continue;
            if (entry->d_type == DT_REG)
                found.push_back({std::string(name), false});
            else if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK)
                found.push_back({std::string(name), true});
        }
        ::closedir(handle);
    }
    std::sort(found.begin(), found.end(), [](const Found &a, const Found &b) { return a.name < b.name; });
    std::vector<std::string> paths;
    paths.reserve(found.size());
    for (const auto &file : found) {
        std::string path = base::JoinPath(dir, file.name);
        struct stat st {};
        if (file.askType && (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)))
            continue;
        paths.push_back(std::move(path));
    }
    return paths;
}

std::optional<std::string> TopicLogPath(const std::string &boardDir, std::string_view topicId)
{
    return TopicLogFilePath(boardDir, topicId);
}

} // namespace store
