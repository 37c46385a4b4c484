// Loading the site plug-in and finding its exports.
#pragma once

#include <cstdint>
#include <string>

namespace plugin_api {

/// An opaque module handle of a loaded plug-in; also the "plugin" value carried by requests.
using PluginHandle = void *;

/// Loads the plug-in at path, calls Plugin_Init with mainWindow and Plugin_Info with a local
/// buffer, and returns the module handle, or nullptr when the file does not exist, cannot be
/// loaded, or lacks either of the two exports (the library is then unloaded again). A relative
/// path is checked for existence against the current directory; a path without a slash is then
/// looked up as the dynamic loader looks up libraries. The library stays loaded until the
/// process ends. Main thread only.
PluginHandle LoadPlugin(const std::string &path, std::intptr_t mainWindow);

/// The export called name in the loaded module, or nullptr when it has none. Callers look an
/// export up at each use rather than caching it. Safe on any thread.
void *FindExport(PluginHandle module, const char *name);

/// Typed form of FindExport: FindExport<ParseThreadFn>(module, kParseThreadName).
template <typename Fn>
Fn FindExport(PluginHandle module, const char *name)
{
    return reinterpret_cast<Fn>(FindExport(module, name));
}

} // namespace plugin_api
