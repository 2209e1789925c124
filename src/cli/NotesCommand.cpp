#include "cli/Session.h"

#include <sstream>

namespace varnholt::cli {

namespace {
struct NotesArguments {
    std::string out;
    bool fast = false;
    std::vector<std::string> formats;
    bool dryRun = false;
    std::optional<long long> limit;
    std::string passwordFile;
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
    if (lower == "md")
        return ExportFormat::markdown;
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
    command
        ->add_option("--format", arguments->formats,
                     "Formats, comma-separated. Standard method: html, md, pdf, rtf, txt (default: html); "
                     "fast method: txt, json (default: both)")
        ->delimiter(',');
    command->add_flag("--dry-run", arguments->dryRun,
                      "Only count the notes (and, in the standard method, the accounts); write nothing");
    command->add_option("--limit", arguments->limit, "Test mode: export at most N notes (standard method)")
        ->check(CLI::NonNegativeNumber);
    addPasswordFileOption(*command, arguments->passwordFile);
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
            if (options.formats.empty())
                options.formats = arguments->fast ? ExportFormatSet{ExportFormat::html, ExportFormat::json}
                                                  : defaultFormatSelection();
            // Said before anything is read or written: the export would only leave the notes locked.
            if (!session.takePasswordFile(arguments->passwordFile, "notes", options))
                return badUsage;
            options.isDryRun = arguments->dryRun;
            options.testModeLimit = arguments->limit;
            return runExport(options, session.streams);
        };
    });
}

} // namespace varnholt::cli
