// nk-convert: converts a topic log into HTML files from the command line; needs no display.
#include "base/programdir.h"
#include "convert/commandline.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char **argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    return convert::RunCommandLine(args, base::ProgramDir(), std::cout, std::cerr);
}
