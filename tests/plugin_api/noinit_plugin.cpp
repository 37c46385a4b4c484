// A module with Plugin_Info but without Plugin_Init, which the loader must refuse.
#include "plugin_api/records.h"

extern "C" __attribute__((visibility("default"))) int Plugin_Info(PluginInfo *info)
{
    if (info)
        *info = PluginInfo{};
    return 1;
}
