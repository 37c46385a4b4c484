// Topic log lines and the two files of a stored topic.
#include "store/threadlog.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "base/text.h"

namespace store {

namespace {

// A fixed-size text field of a plug-in record, up to its zero or its end.
template <std::size_t N> std::string_view FieldText(const char (&field)[N])
{
    return std::string_view(field, ::strnlen(field, N));
}

// Appends text without CR and LF; with tabsToBlanks, tabs become blanks. Copies the runs between
// those characters whole: a message text is hundreds of bytes and rarely holds any of them.
void AppendClean(std::string &out, std::string_view text, bool tabsToBlanks)
{
    if (!tabsToBlanks) {
        // A body: two library scans find out whether there is anything to drop at all.
        if (!std::memchr(text.data(), '\r', text.size()) && !std::memchr(text.data(), '\n', text.size())) {
            out.append(text);
            return;
        }
    }
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n' && (c != '\t' || !tabsToBlanks))
            continue;
        out.append(text, start, i - start);
        if (c == '\t')
            out.push_back(' ');
        start = i + 1;
    }
    out.append(text, start);
}

// The plain decimal form of a message number, as the merge writes it: no sign, no leading zero.
bool IsPlainNumber(std::string_view text)
{
    if (text.empty() || text.size() > 9 || text.front() == '0')
        return false;
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

LogFields SplitLogLine(std::string_view line)
{
    LogFields f;
    std::string_view *parts[] = {&f.number, &f.replyTo, &f.dateTime, &f.author, &f.title};
    std::size_t start = 0;
    for (std::string_view *part : parts) {
        const std::size_t tab = line.find('\t', start);
        if (tab == std::string_view::npos) {
            *part = line.substr(start);
            return f;
        }
        *part = line.substr(start, tab - start);
        start = tab + 1;
    }
    f.body = line.substr(start);
    f.complete = true;
    return f;
}

std::string_view LogLineNumberText(std::string_view line)
{
    return line.substr(0, line.find('\t'));
}

int LogLineNumber(std::string_view line, int fallback)
{
    return base::ParseInt(LogLineNumberText(line), fallback);
}

std::string MessageDateTime(const MessageRecord &message)
{
    std::string out;
    AppendClean(out, FieldText(message.date), true);
    out.push_back(' ');
    AppendClean(out, FieldText(message.time), true);
    return out;
}

bool IsUnreadable(const MessageRecord &message)
{
    // Almost every message has a real date: decided by its first character that the log keeps.
    for (char c : FieldText(message.date)) {
        if (c == '\r' || c == '\n')
            continue;
        if (c != kUnreadableDateTime[0])
            return false;
        break;
    }
    return MessageDateTime(message) == kUnreadableDateTime;
}

std::string MessageTitle(const MessageRecord &message)
{
    std::string out;
    AppendClean(out, FieldText(message.title), true);
    return out;
}

std::string FormatLogLine(const MessageRecord &message)
{
    const std::string_view text = FieldText(message.text);
    std::string line;
    line.reserve(64 + text.size());
    line += std::to_string(message.number);
    line.push_back('\t');
    line += std::to_string(message.replyTo);
    line.push_back('\t');
    AppendClean(line, FieldText(message.date), true);
    line.push_back(' ');
    AppendClean(line, FieldText(message.time), true);
    line.push_back('\t');
    AppendClean(line, FieldText(message.author), true);
    line.push_back('\t');
    AppendClean(line, FieldText(message.title), true);
    line.push_back('\t');
    AppendClean(line, text, false);
    return line;
}

void SortLogLines(std::vector<std::string> &lines)
{
    // Parse each number once; the lines themselves are moved only once, at the end.
    struct Key {
        int number;
        std::size_t index;
    };
    std::vector<Key> keys(lines.size());
    bool sorted = true;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        keys[i] = {LogLineNumber(lines[i], std::numeric_limits<int>::min()), i};
        if (i > 0 && keys[i].number < keys[i - 1].number)
            sorted = false;
    }
    if (sorted)
        return;
    std::stable_sort(keys.begin(), keys.end(), [](const Key &a, const Key &b) { return a.number < b.number; });
    std::vector<std::string> out;
    out.reserve(lines.size());
    for (const Key &k : keys)
        out.push_back(std::move(lines[k.index]));
    lines = std::move(out);
}

std::string NumberIndexPath(const std::string &logPath)
{
    if (logPath.size() < 3)
        return logPath + "log";
    return logPath.substr(0, logPath.size() - 3) + "log";
}

namespace {

template <typename Numbers> bool AddPlainNumbers(const std::vector<std::string> &lines, Numbers &numbers)
{
    bool any = false;
    for (const std::string &line : lines) {
        const std::string_view number = LogLineNumberText(line);
        if (IsPlainNumber(number) && numbers.add(number))
            any = true;
    }
    return any;
}

} // namespace

bool AddLoggedNumbers(const std::vector<std::string> &lines, base::SortedTextList &numbers)
{
    return AddPlainNumbers(lines, numbers);
}

bool AddLoggedNumbers(const std::vector<std::string> &lines, MessageNumberSet &numbers)
{
    return AddPlainNumbers(lines, numbers);
}

StoredTopic ReadStoredTopic(const std::string &logPath)
{
    StoredTopic stored;
    stored.log = base::ReadLines(logPath);
    stored.index = base::ReadLines(NumberIndexPath(logPath));
    return stored;
}

namespace {

bool WriteLogAndIndex(const std::string &logPath, const std::vector<std::string> &lines,
                      const std::vector<std::string> &numbers)
{
    const std::size_t slash = logPath.rfind('/');
    if (slash != std::string::npos && slash > 0 && !base::MakeDirs(logPath.substr(0, slash)))
        return false;
    if (!base::WriteLines(logPath, lines))
        return false;
    return base::WriteLines(NumberIndexPath(logPath), numbers);
}

} // namespace

bool WriteStoredTopic(const std::string &logPath, const std::vector<std::string> &lines,
                      const base::SortedTextList &numbers)
{
    return WriteLogAndIndex(logPath, lines, numbers.items());
}

bool WriteStoredTopic(const std::string &logPath, const std::vector<std::string> &lines,
                      const MessageNumberSet &numbers)
{
    return WriteLogAndIndex(logPath, lines, numbers.items());
}

} // namespace store
