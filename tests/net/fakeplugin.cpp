// A stand-in site plug-in for the pipeline tests. Its pages are plain lines:
//   "C <url>" a category link, "T <id>" a topic, "M <number> <last>" a message, "N <name>" a
// nickname of the post form. Every parser returns how many lines of its kind it found. A
// message's reply number is the nice value of the thread that parsed it.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <sys/resource.h>

#include "plugin_api/exports.h"

namespace {

template <std::size_t N>
void copyText(char (&field)[N], std::string_view text)
{
    std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

/// Calls each(rest of line) for every line of body that starts with tag and a blank.
template <typename Each>
int forEachLine(const char *body, char tag, int limit, Each each)
{
    if (!body)
        return 0;
    std::string_view text(body);
    int count = 0;
    while (!text.empty() && count < limit) {
        auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (line.size() > 2 && line[0] == tag && line[1] == ' ')
            each(count++, line.substr(2));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return count;
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) int Plugin_Init(std::intptr_t)
{
    return 1;
}

__attribute__((visibility("default"))) int Plugin_Info(PluginInfo *info)
{
    copyText(info->siteName, "Fake");
    copyText(info->baseUrl, "http://messages.yahoo.co.jp/");
    copyText(info->author, "tests");
    info->version = 1;
    return 1;
}

__attribute__((visibility("default"))) int ParseCategory(CategoryRecord *records, const FetchRequest *request,
                                                         const char *, const char *body)
{
    return forEachLine(body, 'C', 150, [&](int i, std::string_view url) {
        copyText(records[i].url, url);
        copyText(records[i].parentUrl, request->url);
        copyText(records[i].name, url);
        records[i].isCategory = 1;
        records[i].fetchChildren = 1;
    });
}

__attribute__((visibility("default"))) int ParseThreadList(TopicRecord *records, const FetchRequest *,
                                                           const char *, const char *body)
{
    return forEachLine(body, 'T', 150, [&](int i, std::string_view id) { copyText(records[i].topicId, id); });
}

__attribute__((visibility("default"))) int ParseThread(MessageRecord *record, const FetchRequest *request,
                                                       const char *, const char *body)
{
    return forEachLine(body, 'M', 1, [&](int, std::string_view numbers) {
        std::string text(numbers);
        int number = 0, last = 0;
        std::sscanf(text.c_str(), "%d %d", &number, &last);
        record->number = number;
        record->lastNumber = last;
        // The parser runs on the fetch worker: report the worker's nice value.
        record->replyTo = ::getpriority(PRIO_PROCESS, 0);
        copyText(record->author, "fake");
        copyText(record->text, request->url);
    });
}

__attribute__((visibility("default"))) int ParsePostForm(char **texts, const FetchRequest *, const char *,
                                                         const char *body)
{
    return forEachLine(body, 'N', 10, [&](int i, std::string_view name) {
        std::size_t n = name.size() < 255 ? name.size() : 255;
        std::memcpy(texts[i], name.data(), n);
        texts[i][n] = '\0';
    });
}

} // extern "C"
