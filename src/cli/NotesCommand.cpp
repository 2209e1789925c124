#include "cli/Session.h"

#include "exporters/notesdb/NoteStoreReader.h"

#include <sstream>

namespace varnholt::cli {

namespace {
struct NotesArguments {
    std::string out;
    bool fast = false;
    std::vector<std::string> formats;
};

// On the command line the fast method's text files are "txt", as the window labels them;
// underneath they are the `html` format. The standard method takes the catalogue's names.
std::optional<ExportFormat> formatFromArgument(const std::string& argument, bool fast)
{
    std::string lower;
    for (const char c : argument)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (fast) {
        if (lower == "txt")
            return ExportFormat::html;
        if (lower == "json")
            return ExportFormat::json;
        return std::nullopt;
    }
    for (ExportFormat format : kAllExportFormats) {
        std::string raw(rawValue(format));
        for (char& c : raw)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (raw == lower)
            return format;
    }
    return std::nullopt;
}
} // namespace

void addNotesCommand(CLI::App& app, Session& session)
{
    auto arguments = std::make_shared<NotesArguments>();
    auto* command = app.add_subcommand("notes", "Export the Notes");
    command->add_option("--out", arguments->out, "Output folder (default: ~/notes_export_<time>)");
    command->add_flag("--fast", arguments->fast,
                      "Read the Notes database directly: one text file per note and notes.ndjson");
    command->add_option("--format", arguments->formats,
                        "Formats, comma-separated. Fast method: txt, json (default: both)")
        ->delimiter(',');
    command->callback([&session, arguments] {
        session.action = [&session, arguments]() -> int {
            ExportOptions options = session.baseOptions(ExporterType::notes, arguments->out);
            options.useFastMode = arguments->fast;
            for (const std::string& argument : arguments->formats) {
                const std::optional<ExportFormat> format = formatFromArgument(argument, arguments->fast);
                if (!format) {
                    session.streams.err << "varnholt notes: unknown format \"" << argument << "\""
                                        << (arguments->fast ? " (the fast method writes txt and json)" : "") << "\n";
                    return badUsage;
                }
                options.formats.insert(*format);
            }
            if (arguments->fast && options.formats.empty())
                options.formats = {ExportFormat::html, ExportFormat::json};
            const int status = runExport(options, session.streams);
            if (status == exportFailed && arguments->fast) {
                session.streams.err << "Looked for the Notes database at:\n  "
                                    << notesdb::NoteStoreReader::storePath(options.sourceHome) << "\n"
                                    << "Point --home at a Mac home folder you can read.\n";
            }
            return status;
        };
    });
}

} // namespace varnholt::cli
