#include "cli/CommandLine.h"

#include "cli/Session.h"

#include <filesystem>

namespace varnholt::cli {

int run(const std::vector<std::string>& args, Streams streams)
{
    CLI::App app{"Varnholt copies your data out of Apple's Messages, Notes and Voice Memos into open files.\n"
                 "It reads a Mac home folder read-only and writes only below the output folder.",
                 "varnholt"};
    app.set_version_flag("--version", std::string("varnholt ") + VARNHOLT_VERSION);
    app.require_subcommand(1);
    // People write the folder after the command as often as before it.
    app.fallthrough();

    Session session(streams);
    app.add_option("--source,--home", session.home,
                   "The folder to read: a Mac home folder (its Library folder holds the data), a copy of one or a "
                   "mounted backup of one, or an iPhone or iPad backup folder (Manifest.db and Manifest.plist; an "
                   "encrypted one needs its password); before or after the command; --home is the same option. "
                   "Default: your home folder")
        ->check(CLI::ExistingDirectory);
    addPasswordFileOption(app, session.passwordFile);

    addSourcesCommand(app, session);
    addVoiceMemosCommand(app, session);
    addMessagesCommand(app, session);
    addNotesCommand(app, session);
    addConvertCommand(app, session);

    std::vector<std::string> reversed(args.rbegin(), args.rend() - (args.empty() ? 0 : 1));
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error, streams.out, streams.err);
        return code == 0 ? success : badUsage;
    }
    if (!session.action)
        return badUsage;
    return session.action();
}

} // namespace varnholt::cli
