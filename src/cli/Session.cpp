#include "cli/Session.h"

#include "cli/ProgressBar.h"
#include "export/DefaultOutputPath.h"
#include "export/ExportManager.h"
#include "export/OutputFolderCheck.h"
#include "platform/ByteCount.h"
#include "platform/DiskSpace.h"
#include "platform/EventLoop.h"
#include "platform/HomeFolders.h"
#include "platform/PasswordFile.h"
#include "sources/SourceFactory.h"

#include <filesystem>

namespace varnholt::cli {

namespace fs = std::filesystem;

std::string Session::sourceHome() const
{
    if (home.empty())
        return currentUserHome();
    std::error_code ec;
    const fs::path absolute = fs::absolute(home, ec);
    std::string path = (ec ? fs::path(home) : absolute).lexically_normal().string();
    while (path.size() > 1 && path.back() == '/')
        path.pop_back(); // fixed locations are appended as "/Library/..."
    return path;
}

ExportOptions Session::baseOptions(ExporterType type, const std::string& out) const
{
    ExportOptions options;
    options.type = type;
    options.sourceHome = sourceHome();
    if (out.empty()) {
        options.outputPath = defaultOutputPath(type, std::chrono::system_clock::now(), currentUserHome());
    } else {
        std::error_code ec;
        const fs::path absolute = fs::absolute(expandTilde(out, currentUserHome()), ec);
        options.outputPath = (ec ? fs::path(out) : absolute).lexically_normal().string();
    }
    return options;
}

namespace {
// What the user can do about a failed export, by the kind of failure.
void printAdvice(const Error& error, const ExportOptions& options, std::ostream& err)
{
    switch (error.kind()) {
    case ErrorKind::notFound:
    case ErrorKind::permission: {
        std::optional<SourceDescription> about;
        try {
            about = identifySource(options.sourceHome)->describe();
        } catch (const Error&) {
            break; // a source that cannot even be told apart: the error itself says why
        }
        err << "Looked for the " << displayName(options.type) << " data" << (about->isBackup() ? " in the backup" : "")
            << " at:\n";
        if (const auto places = about->stores.find(options.type); places != about->stores.end())
            for (const std::string& place : places->second)
                err << "  " << place << "\n";
        const bool denied = error.kind() == ErrorKind::permission;
        if (about->isBackup())
            err << (denied ? "Give your user read permission on the backup folder and the files in it, or point "
                             "--source at a copy you can read.\n"
                           : "Choose a backup of a device that holds this data, copied whole.\n");
        else
            err << (denied ? "Give your user read permission there (or ask the owner of the files), or point "
                             "--source at a copy of the Mac home folder you can read.\n"
                           : "If the Mac's disk or the copy of its home folder lies on a drive, mount it; or point "
                             "--source at the Mac home folder that holds this data.\n");
        break;
    }
    case ErrorKind::diskFull: {
        const DiskSpace space = diskSpaceAt(options.outputPath);
        err << "The disk that holds " << options.outputPath << " is full";
        if (!space.mountPoint.empty())
            err << " (mounted at " << space.mountPoint.string()
                << (space.available ? ", " + formatByteCount(*space.available) + " free" : std::string()) << ")";
        err << ". Free some space there or choose another --out, then export again.\n";
        break;
    }
    case ErrorKind::toolMissing:
        err << "Install the missing program (see the README), then export again.\n";
        break;
    default:
        break;
    }
}
} // namespace

void addPasswordFileOption(CLI::App& app, std::string& file)
{
    app.add_option("--password-file", file,
                   "A file of passwords, one a line, tried in turn on each locked note and on an encrypted iPhone "
                   "backup (before or after the command)");
}

bool Session::takePasswordFile(const std::string& afterCommand, const std::string& command,
                               ExportOptions& options) const
{
    if (!passwordFile.empty() && !afterCommand.empty()) {
        streams.err << "varnholt " << command
                    << ": --password-file is given both before and after the command; give it once\n";
        return false;
    }
    const std::string& file = afterCommand.empty() ? passwordFile : afterCommand;
    if (file.empty())
        return true;
    if (const auto passwords = readPasswordFile(file); !passwords) {
        streams.err << "varnholt " << command << ": " << passwords.error().description() << "\n";
        return false;
    }
    std::error_code ec;
    const fs::path absolute = fs::absolute(file, ec);
    options.passwordFile = (ec ? fs::path(file) : absolute).string();
    return true;
}

int runExport(ExportOptions options, const Streams& streams)
{
    SourcePtr source;
    SourceDescription about;
    try {
        source = identifySource(options.sourceHome);
        about = source->describe();
    } catch (const Error& error) {
        streams.err << "varnholt: " << error.description() << "\n";
        return exportFailed;
    }
    if (about.encrypted && options.passwordFile.empty() && options.passwords.empty() && streams.askPassword) {
        if (auto typed = streams.askPassword("Password of the encrypted backup of " + about.deviceName + ": "))
            options.passwords.push_back(std::move(*typed));
    }
    if (const auto problem = outputFolderProblem(*source, options.outputPath)) {
        streams.err << "varnholt: " << *problem << "\n";
        return badUsage;
    }
    EventLoop loop;
    ProgressBar bar(streams.err, streams.errIsTerminal);
    ExportManager manager(loop);
    std::optional<ExportManager::Outcome> outcome;

    manager.addChangeObserver([&](ExportManager::Field field) {
        if (field == ExportManager::Field::progress || field == ExportManager::Field::statusMessage)
            bar.update(manager.progress(), manager.statusMessage());
    });
    // The command line is done as soon as the outcome is known; it does not wait out the reset.
    manager.addOutcomeObserver([&](ExportManager::Outcome result) {
        outcome = result;
        loop.quit();
    });
    loop.post([&] { manager.startExport(options); });
    loop.run();
    bar.finish();

    if (outcome == ExportManager::Outcome::failed && manager.lastError()) {
        streams.err << "varnholt: " << manager.lastError()->description() << "\n";
        printAdvice(*manager.lastError(), options, streams.err);
        return exportFailed;
    }
    if (manager.exportSummary())
        streams.err << *manager.exportSummary() << "\n";
    return success;
}

} // namespace varnholt::cli
