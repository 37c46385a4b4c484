// Loading the site plug-in with the dynamic loader.
#include "plugin_api/loader.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include "plugin_api/exports.h"

namespace plugin_api {

PluginHandle LoadPlugin(const std::string &path, std::intptr_t mainWindow)
{
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return nullptr;

    // The dynamic loader takes a name without a "/" as a library to search for in the system's
    // folders, not as the file just found in the current one.
    const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    void *module = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module)
        return nullptr;

    auto init = FindExport<PluginInitFn>(module, kPluginInitName);
    if (!init) {
        ::dlclose(module);
        return nullptr;
    }
    init(mainWindow);

    auto info = FindExport<PluginInfoFn>(module, kPluginInfoName);
    if (!info) {
        ::dlclose(module);
        return nullptr;
    }
    PluginInfo scratch{};
    info(&scratch);
    return module;
}

void *FindExport(PluginHandle module, const char *name)
{
    if (!module || !name)
        return nullptr;
    return ::dlsym(module, name);
}

} // namespace plugin_api
