// varnholt-osascript: runs a prepared Notes export script on Linux. It takes
// the destination and the limits from the script's own lines and writes one
// formatted HTML file per note from the Notes store under the source home
// ($VARNHOLT_SOURCE_HOME, else $HOME), opening locked notes with the passwords in the file
// $VARNHOLT_PASSWORD_FILE names.

#include "export/notesscript/NotesScriptServices.h"
#include "platform/Error.h"
#include "platform/HomeFolders.h"
#include "platform/PasswordFile.h"
#include "platform/Trace.h"
#include "render/notes/NotesHtmlWriter.h"
#include "sources/SourceFactory.h"
#include "sources/notesapp/NotesLibrary.h"
#include "sources/notesapp/ScriptDirectives.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string>

namespace {
std::atomic<bool> g_stop{false};
std::atomic<int> g_signal{0};

extern "C" void onSignal(int signal)
{
    g_signal = signal;
    g_stop = true;
}

int usage()
{
    std::cerr << "usage: varnholt-osascript -e SCRIPT\n";
    return 2;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || std::string(argv[1]) != "-e")
        return usage();
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    // Standard output belongs to the script's result; the library's own lines go to standard error.
    varnholt::Trace::setSink([](std::string_view line) { std::cerr << line << '\n'; });

    const auto directives = varnholt::notesapp::ScriptDirectives::parse(argv[2]);
    if (!directives.destinationRoot || directives.destinationRoot->empty() ||
        directives.destinationRoot->front() != '/') {
        std::cerr << "varnholt-osascript: the script has no prepared line 'set destRootPOSIX to \"/absolute/path/\"'; "
                     "refusing to guess where to write. Run the export from Varnholt, which prepares the script.\n";
        return 1;
    }

    const char* home = std::getenv("VARNHOLT_SOURCE_HOME");
    const std::string sourceHome = home && *home ? home : varnholt::currentUserHome();
    try {
        std::vector<std::string> passwords;
        if (const char* passwordFile = std::getenv(varnholt::kPasswordFileVariable); passwordFile && *passwordFile) {
            auto read = varnholt::readPasswordFile(passwordFile);
            if (!read)
                throw read.error();
            passwords = std::move(*read);
        }
        // A store that cannot be read in place is copied below the folder the notes go to.
        // A backup's files are laid out beside the notes' folder for as long as the library reads them.
        varnholt::SourceUnlock unlock;
        unlock.passwords = passwords;
        const auto source =
            varnholt::openSource(sourceHome, *directives.destinationRoot, varnholt::ExporterType::notes, unlock);
        const auto library = varnholt::notesapp::NotesLibrary::open(
            *source, varnholt::defaultReadabilityProbe(), {}, varnholt::notesapp::NotesLibrary::Content::everything,
            *directives.destinationRoot, passwords);
        varnholt::notesapp::NotesHtmlWriter writer(library, *directives.destinationRoot);
        const auto result = writer.writeAll(directives.limit, g_stop);
        if (g_signal == SIGTERM)
            return 15;
        if (g_signal == SIGINT)
            return 130;
        if (result.failed > 0) {
            std::cerr << "varnholt-osascript: " << result.failed << " notes could not be written below "
                      << *directives.destinationRoot << "\n";
            return 1;
        }
        if (result.unreadable > 0) {
            std::cerr << "varnholt-osascript: the text of " << result.unreadable
                      << " notes could not be read; the Notes database may be damaged. Copy it again from the Mac "
                         "and retry.\n";
            return 1;
        }
    } catch (const varnholt::Error& error) {
        std::cerr << "varnholt-osascript: " << error.description() << "\n";
        return 1;
    } catch (const std::exception& error) {
        std::cerr << "varnholt-osascript: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
