// Build tool: writes the default skin into a directory (the build's program directory).
#include <cstdio>

#include "settings/settings.h"
#include "view/skin.h"

int main(int argc, char **argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s <skin dir> [profile base URL]\n", argv[0]);
        return 2;
    }
    const std::string profile = argc == 3 ? argv[2] : settings::EndpointSettings().profile;
    std::string error;
    if (!view::WriteDefaultSkin(argv[1], profile, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}
