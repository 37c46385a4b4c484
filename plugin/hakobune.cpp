// The module's six exports: what the program loads by name.
#include <dlfcn.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "plugin/endpoints.h"
#include "plugin/parsers.h"
#include "plugin_api/exports.h"

#define HAKOBUNE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// "Yahoo!掲示板" (Yahoo! message boards)
constexpr char kSiteName[] = "Yahoo!\x8c\x66\x8e\xa6\x94\xc2";
constexpr char kAuthor[] = "Nekomado project";
constexpr std::int16_t kVersion = 100;

/// The only thing the plug-in keeps between calls; it does nothing with it.
std::atomic<std::intptr_t> g_mainWindow{0};

/// Reads Hakobune.ini from the directory of this module's file, else the defaults. Runs once,
/// while the library is being loaded; the result is only read afterwards.
hakobune::Endpoints loadEndpoints()
{
    Dl_info where{};
    if (!::dladdr(&g_mainWindow, &where) || !where.dli_fname)
        return hakobune::DefaultEndpoints();

    char path[4096];
    const char *slash = std::strrchr(where.dli_fname, '/');
    const std::size_t dirLength = slash ? static_cast<std::size_t>(slash - where.dli_fname) + 1 : 0;
    if (dirLength + sizeof hakobune::kEndpointFileName > sizeof path)
        return hakobune::DefaultEndpoints();
    std::memcpy(path, where.dli_fname, dirLength);
    std::memcpy(path + dirLength, hakobune::kEndpointFileName, sizeof hakobune::kEndpointFileName);

    std::FILE *file = std::fopen(path, "rb");
    if (!file)
        return hakobune::DefaultEndpoints();
    // The settings file is a few lines; anything past this is not ours to read.
    static char text[64 * 1024];
    const std::size_t length = std::fread(text, 1, sizeof text, file);
    std::fclose(file);
    return hakobune::ParseEndpointIni(std::string_view(text, length));
}

const hakobune::Endpoints g_endpoints = loadEndpoints();

std::string_view requestUrl(const FetchRequest &request)
{
    return std::string_view(request.url, ::strnlen(request.url, sizeof request.url));
}

} // namespace

HAKOBUNE_EXPORT int Plugin_Init(std::intptr_t mainWindow)
{
    g_mainWindow.store(mainWindow);
    return 1;
}

HAKOBUNE_EXPORT int Plugin_Info(PluginInfo *info)
{
    if (!info)
        return 0;
    PluginInfo out{};
    std::memcpy(out.siteName, kSiteName, sizeof kSiteName);
    std::memcpy(out.baseUrl, g_endpoints.board, sizeof out.baseUrl);
    std::memcpy(out.author, kAuthor, sizeof kAuthor);
    out.version = kVersion;
    std::memcpy(info, &out, sizeof out);
    return 1;
}

HAKOBUNE_EXPORT int ParseCategory(CategoryRecord *records, const FetchRequest *request, const char * /*header*/,
                                  const char *body)
{
    if (!request)
        return 0;
    return hakobune::ParseCategoryPage(g_endpoints.boardUrl(), records, plugin_api::kMaxCategoryRecords,
                                       requestUrl(*request), body);
}

HAKOBUNE_EXPORT int ParseThreadList(TopicRecord *records, const FetchRequest *request, const char * /*header*/,
                                    const char *body)
{
    if (!request)
        return 0;
    return hakobune::ParseThreadListPage(g_endpoints.boardUrl(), records, plugin_api::kMaxTopicRecords,
                                         requestUrl(*request), body);
}

HAKOBUNE_EXPORT int ParseThread(MessageRecord *record, const FetchRequest *request, const char * /*header*/,
                                const char *body)
{
    if (!request)
        return 0;
    return hakobune::ParseThreadPage(g_endpoints.profileUrl(), record, requestUrl(*request), body);
}

HAKOBUNE_EXPORT int ParsePostForm(char **texts, const FetchRequest * /*request*/, const char * /*header*/,
                                  const char *body)
{
    return hakobune::ParsePostFormPage(texts, plugin_api::kPostFormTexts, body);
}

// The exports must keep the program's view of them.
static_assert(std::is_same_v<decltype(&Plugin_Init), PluginInitFn>);
static_assert(std::is_same_v<decltype(&Plugin_Info), PluginInfoFn>);
static_assert(std::is_same_v<decltype(&ParseCategory), ParseCategoryFn>);
static_assert(std::is_same_v<decltype(&ParseThreadList), ParseThreadListFn>);
static_assert(std::is_same_v<decltype(&ParseThread), ParseThreadFn>);
static_assert(std::is_same_v<decltype(&ParsePostForm), ParsePostFormFn>);
