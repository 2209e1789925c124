#include "cli/CommandLine.h"
#include "cli/PasswordPrompt.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv, argv + argc);
    varnholt::cli::Streams streams{std::cout, std::cerr, isatty(STDERR_FILENO) == 1};
    if (isatty(STDIN_FILENO) == 1)
        streams.askPassword = varnholt::cli::askPasswordOnTerminal;
    return varnholt::cli::run(args, streams);
}
