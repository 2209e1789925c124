#include "cli/Session.h"
#include "model/Presentation.h"
#include "platform/Error.h"
#include "sources/SourceData.h"
#include "sources/SourceFactory.h"

#include <fmt/format.h>

namespace varnholt::cli {

void addSourcesCommand(CLI::App& app, Session& session)
{
    auto* command = app.add_subcommand("sources", "List the data sources, which are implemented, and which have data");
    command->callback([&session] {
        session.action = [&session] {
            const std::string home = session.sourceHome();
            SourcePtr source;
            SourceDescription about;
            try {
                // An encrypted backup's stores are named only once its password opens it, at export time:
                // listing them here would mean decrypting every file of it.
                source = identifySource(home);
                about = source->describe();
                if (!about.encrypted)
                    source = openSource(home);
            } catch (const Error& error) {
                session.streams.err << "varnholt: " << error.description() << "\n";
                return static_cast<int>(exportFailed);
            }
            // A Mac home is named by its folder; a backup by the device it was made of.
            if (about.isBackup())
                session.streams.out << "Sources in the " << about.title << " (" << home << "):\n";
            else
                session.streams.out << "Sources in " << home << ":\n";
            for (ExporterType type : kAllExporterTypes) {
                std::string state = "not implemented";
                if (isImplemented(type) && about.encrypted) {
                    state = "encrypted: give the backup's password when exporting (--password-file or the prompt)";
                } else if (isImplemented(type)) {
                    const auto found = findSourceData(type, *source);
                    state = found ? "data found at " + *found : "no data found";
                }
                session.streams.out << fmt::format("  {:<20} {:<34} {}\n", displayName(type), exporterDescription(type),
                                                   state);
            }
            return static_cast<int>(success);
        };
    });
}

} // namespace varnholt::cli
