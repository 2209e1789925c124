#include "cli/Session.h"

namespace varnholt::cli {

void addNotesCommand(CLI::App& app, Session& session)
{
    auto out = std::make_shared<std::string>();
    auto* command = app.add_subcommand("notes", "Export the Notes");
    command->add_option("--out", *out, "Output folder (default: ~/notes_export_<time>)");
    command->callback([&session, out] {
        session.action = [&session, out] {
            return runExport(session.baseOptions(ExporterType::notes, *out), session.streams);
        };
    });
}

} // namespace varnholt::cli
