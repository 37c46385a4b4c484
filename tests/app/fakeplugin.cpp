// A stand-in site plug-in for the window tests: the two exports the loader insists on and no
// parser. Built twice, once without Plugin_Init, to see the loader refuse it.
#include <cstdint>
#include <cstring>

#include "plugin_api/records.h"

extern "C" {

#ifndef NK_FAKE_WITHOUT_INIT
__attribute__((visibility("default"))) int Plugin_Init(std::intptr_t)
{
    return 1;
}
#endif

__attribute__((visibility("default"))) int Plugin_Info(PluginInfo *info)
{
    std::memset(info, 0, sizeof *info);
    std::strcpy(info->baseUrl, "http://messages.yahoo.co.jp/");
    info->version = 100;
    return 1;
}

} // extern "C"
