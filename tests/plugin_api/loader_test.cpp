// Loading a plug-in: what the loader accepts and refuses, and finding exports by name.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "plugin_api/exports.h"
#include "plugin_api/loader.h"

namespace {

namespace fs = std::filesystem;
using plugin_api::FindExport;
using plugin_api::LoadPlugin;

const std::string kHakobune = NK_PROGRAM_DIR "/Hakobune.so";
const std::string kNoInfo = NK_TEST_MODULE_DIR "/nk_test_plugin_noinfo.so";
const std::string kNoInit = NK_TEST_MODULE_DIR "/nk_test_plugin_noinit.so";

bool isLoaded(const std::string &path)
{
    void *handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!handle)
        return false;
    ::dlclose(handle);
    return true;
}

TEST(LoadPlugin, LoadsHakobuneAndFindsItsSixExportsByName)
{
    plugin_api::PluginHandle module = LoadPlugin(kHakobune, 1);
    ASSERT_NE(module, nullptr) << ::dlerror();
    for (const char *name : {plugin_api::kPluginInitName, plugin_api::kPluginInfoName, plugin_api::kParseCategoryName,
                             plugin_api::kParseThreadListName, plugin_api::kParseThreadName,
                             plugin_api::kParsePostFormName})
        EXPECT_NE(FindExport(module, name), nullptr) << name;
    EXPECT_EQ(FindExport(module, "EucToSjis"), nullptr) << "only the six entry points are exported";
    EXPECT_EQ(FindExport(module, "NoSuchExport"), nullptr);
    EXPECT_EQ(FindExport(nullptr, plugin_api::kPluginInfoName), nullptr);
    EXPECT_EQ(FindExport(module, nullptr), nullptr);
    EXPECT_EQ(LoadPlugin(kHakobune, 1), module) << "a second load gives the same module";
}

TEST(LoadPlugin, RefusesAModuleWithoutPluginInfoAfterCallingPluginInit)
{
    ::unsetenv("NK_TEST_PLUGIN_INIT");
    ASSERT_TRUE(fs::exists(kNoInfo));
    EXPECT_EQ(LoadPlugin(kNoInfo, 4242), nullptr);
    const char *initArgument = std::getenv("NK_TEST_PLUGIN_INIT");
    ASSERT_NE(initArgument, nullptr) << "Plugin_Init was not called";
    EXPECT_STREQ(initArgument, "4242");
    EXPECT_FALSE(isLoaded(kNoInfo)) << "a refused module must be unloaded again";
}

TEST(LoadPlugin, RefusesAModuleWithoutPluginInit)
{
    ASSERT_TRUE(fs::exists(kNoInit));
    EXPECT_EQ(LoadPlugin(kNoInit, 1), nullptr);
    EXPECT_FALSE(isLoaded(kNoInit));
}

TEST(LoadPlugin, RefusesMissingFilesDirectoriesAndFilesThatAreNoLibrary)
{
    EXPECT_EQ(LoadPlugin("", 1), nullptr);
    EXPECT_EQ(LoadPlugin(NK_PROGRAM_DIR "/NoSuchPlugin.so", 1), nullptr);
    EXPECT_EQ(LoadPlugin(NK_PROGRAM_DIR, 1), nullptr);

    const fs::path text = fs::temp_directory_path() / ("nk-not-a-library-" + std::to_string(::getpid()) + ".so");
    std::ofstream(text) << "not a library\n";
    EXPECT_EQ(LoadPlugin(text.string(), 1), nullptr);
    fs::remove(text);
}

TEST(LoadPlugin, FindsARelativePathFromTheCurrentDirectory)
{
    const fs::path before = fs::current_path();
    fs::current_path(NK_PROGRAM_DIR);
    plugin_api::PluginHandle module = LoadPlugin("./Hakobune.so", 1);
    // A bare name is the file in the current directory too, as the check for it found it there.
    plugin_api::PluginHandle bare = LoadPlugin("Hakobune.so", 1);
    fs::current_path(before);
    EXPECT_NE(module, nullptr);
    EXPECT_NE(bare, nullptr);
}

} // namespace
