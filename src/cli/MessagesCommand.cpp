#include "cli/Session.h"

namespace varnholt::cli {

void addMessagesCommand(CLI::App& app, Session& session)
{
    auto out = std::make_shared<std::string>();
    auto* command = app.add_subcommand("messages", "Export the Messages conversations");
    command->add_option("--out", *out, "Output folder (default: ~/messages_export_<time>)");
    command->callback([&session, out] {
        session.action = [&session, out] {
            return runExport(session.baseOptions(ExporterType::messages, *out), session.streams);
        };
    });
}

} // namespace varnholt::cli
