#include "cli/Session.h"

#include "cli/ProgressBar.h"
#include "export/DefaultOutputPath.h"
#include "export/ExportManager.h"
#include "platform/EventLoop.h"
#include "platform/HomeFolders.h"

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

bool pointsAtTheSource(ErrorKind kind)
{
    return kind == ErrorKind::notFound || kind == ErrorKind::permission || kind == ErrorKind::damaged ||
           kind == ErrorKind::inputOutput;
}

int runExport(const ExportOptions& options, const Streams& streams, ErrorKind* failureKind)
{
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
        if (manager.lastError()->kind() == ErrorKind::diskFull)
            streams.err << "Make room where the export goes, or choose an output folder on another disk with --out.\n";
        if (failureKind)
            *failureKind = manager.lastError()->kind();
        return exportFailed;
    }
    if (manager.exportSummary())
        streams.err << *manager.exportSummary() << "\n";
    return success;
}

} // namespace varnholt::cli
