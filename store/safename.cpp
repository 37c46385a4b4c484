// Checking names from outside before they become parts of paths.
#include "store/safename.h"

#include "base/programdir.h"

#include <algorithm>

namespace store {

namespace {

constexpr std::string_view kLogExtension = ".dat";

bool isIdChar(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

bool IsTopicId(std::string_view id)
{
    return !id.empty() && id.size() <= kMaxTopicIdLength && std::all_of(id.begin(), id.end(), isIdChar);
}

std::optional<std::string_view> TopicIdOfLogName(std::string_view name)
{
    if (name.size() <= kLogExtension.size() || !name.ends_with(kLogExtension))
        return std::nullopt;
    std::string_view id = name.substr(0, name.size() - kLogExtension.size());
    if (!IsTopicId(id))
        return std::nullopt;
    return id;
}

bool IsTopicLogName(std::string_view name)
{
    return TopicIdOfLogName(name).has_value();
}

bool IsSafePathComponent(std::string_view name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    return std::none_of(name.begin(), name.end(),
                        [](char c) { return c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

std::optional<std::string> JoinSafe(const std::string &dir, std::string_view name)
{
    if (!IsSafePathComponent(name))
        return std::nullopt;
    return base::JoinPath(dir, std::string(name));
}

std::optional<std::string> TopicLogFilePath(const std::string &boardDir, std::string_view topicId)
{
    if (!IsTopicId(topicId))
        return std::nullopt;
    return base::JoinPath(boardDir, std::string(topicId) + std::string(kLogExtension));
}

std::optional<std::string> TopicLogFilePathOfName(const std::string &boardDir, std::string_view logName)
{
    if (!IsTopicLogName(logName))
        return std::nullopt;
    return base::JoinPath(boardDir, std::string(logName));
}

} // namespace store
