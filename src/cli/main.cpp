#include "cli/CommandLine.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv, argv + argc);
    return varnholt::cli::run(args, {std::cout, std::cerr, isatty(STDERR_FILENO) == 1});
}
