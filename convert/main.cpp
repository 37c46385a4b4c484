// nk-convert: converts a topic log into HTML files from the command line; needs no display.
#include <iostream>
#include <string>
#include <vector>

#include "base/datadir.h"
#include "base/programdir.h"
#include "convert/commandline.h"

int main(int argc, char **argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    // The skin and the settings are where the program keeps them: its own directory, or the
    // user's data directory when a system install cannot be written to.
    const std::string dir = base::ChooseDataDir(base::ProgramDir()).dir;
    return convert::RunCommandLine(args, dir, std::cout, std::cerr);
}
