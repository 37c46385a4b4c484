// The built Hakobune module, loaded once per test binary the way the program loads it.
#pragma once

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "plugin_api/exports.h"
#include "plugin_api/loader.h"

namespace plugintest {

/// The six exports of one loaded module.
struct PluginModule {
    plugin_api::PluginHandle handle = nullptr;
    PluginInfoFn info = nullptr;
    ParseCategoryFn parseCategory = nullptr;
    ParseThreadListFn parseThreadList = nullptr;
    ParseThreadFn parseThread = nullptr;
    ParsePostFormFn parsePostForm = nullptr;

    static PluginModule load(const std::string &path)
    {
        PluginModule m;
        m.handle = plugin_api::LoadPlugin(path, 0x5eed);
        if (!m.handle)
            return m;
        using plugin_api::FindExport;
        m.info = FindExport<PluginInfoFn>(m.handle, plugin_api::kPluginInfoName);
        m.parseCategory = FindExport<ParseCategoryFn>(m.handle, plugin_api::kParseCategoryName);
        m.parseThreadList = FindExport<ParseThreadListFn>(m.handle, plugin_api::kParseThreadListName);
        m.parseThread = FindExport<ParseThreadFn>(m.handle, plugin_api::kParseThreadName);
        m.parsePostForm = FindExport<ParsePostFormFn>(m.handle, plugin_api::kParsePostFormName);
        return m;
    }

    bool complete() const { return handle && info && parseCategory && parseThreadList && parseThread && parsePostForm; }
};

inline const std::string kModulePath = NK_PROGRAM_DIR "/Hakobune.so";

/// The module of the program directory, loaded on first use.
inline const PluginModule &Hakobune()
{
    static const PluginModule module = PluginModule::load(kModulePath);
    return module;
}

inline FetchRequest MakeRequest(const std::string &url)
{
    FetchRequest request{};
    std::strncpy(request.url, url.c_str(), sizeof request.url - 1);
    return request;
}

} // namespace plugintest
