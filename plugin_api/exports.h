// The six functions a site plug-in exports by name, as the program calls them.
#pragma once

#include <cstdint>

#include "plugin_api/records.h"

extern "C" {

using PluginInitFn = int (*)(std::intptr_t mainWindow);
using PluginInfoFn = int (*)(PluginInfo *info);
/// Parsers: header is the response header without the blank line, body everything after it,
/// both zero-terminated in the server's encoding. body may be null (the response ended before
/// its header was complete); every parser then returns 0.
using ParseCategoryFn = int (*)(CategoryRecord *records, const FetchRequest *request, const char *header,
                                const char *body);
using ParseThreadListFn = int (*)(TopicRecord *records, const FetchRequest *request, const char *header,
                                  const char *body);
using ParseThreadFn = int (*)(MessageRecord *record, const FetchRequest *request, const char *header,
                              const char *body);
using ParsePostFormFn = int (*)(char **texts, const FetchRequest *request, const char *header,
                                const char *body);

} // extern "C"

namespace plugin_api {

inline constexpr const char kPluginInitName[] = "Plugin_Init";
inline constexpr const char kPluginInfoName[] = "Plugin_Info";
inline constexpr const char kParseCategoryName[] = "ParseCategory";
inline constexpr const char kParseThreadListName[] = "ParseThreadList";
inline constexpr const char kParseThreadName[] = "ParseThread";
inline constexpr const char kParsePostFormName[] = "ParsePostForm";

} // namespace plugin_api
