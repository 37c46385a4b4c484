// A module with Plugin_Init but without Plugin_Info, which the loader must refuse. Its
// Plugin_Init leaves the handle it was given in the environment for the test to read.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" __attribute__((visibility("default"))) int Plugin_Init(std::intptr_t mainWindow)
{
    char text[32];
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(mainWindow));
    ::setenv("NK_TEST_PLUGIN_INIT", text, 1);
    return 1;
}
