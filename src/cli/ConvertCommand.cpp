#include "cli/ProgressBar.h"
#include "cli/Session.h"
#include "convert/FormatConverter.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/HomeFolders.h"

#include <filesystem>
#include <map>

namespace varnholt::cli {

namespace {
struct ConvertArguments {
    std::string html;
    std::string out;
    std::vector<std::string> formats;
    std::optional<long long> limit;
    bool dryRun = false;
};

const std::map<std::string, ExportFormat>& formatNames()
{
    static const std::map<std::string, ExportFormat> kNames{{"md", ExportFormat::markdown},
                                                            {"markdown", ExportFormat::markdown},
                                                            {"pdf", ExportFormat::pdf},
                                                            {"rtf", ExportFormat::rtf},
                                                            {"txt", ExportFormat::txt}};
    return kNames;
}

// What a conversion would write, one line per HTML file, without writing anything.
int listConversions(const std::string& html, const std::filesystem::path& out, const ExportFormatSet& formats,
                    std::optional<long long> limit, const Streams& streams)
{
    std::string folders;
    for (ExportFormat format : formats)
        folders += (folders.empty() ? "" : ", ") + FormatConverter::folderName(format) + "/";
    const std::vector<std::string> files = FormatConverter::collectHtmlFiles(html, limit);
    for (const std::string& file : files)
        streams.out << file << "\n";
    streams.err << "Dry run: " << files.size() << " HTML file" << (files.size() == 1 ? "" : "s")
                << " would be converted into " << folders << " below " << out.string() << "\n";
    return success;
}
} // namespace

void addConvertCommand(CLI::App& app, Session& session)
{
    auto arguments = std::make_shared<ConvertArguments>();
    auto* command = app.add_subcommand("convert", "Convert a folder of HTML notes into Markdown, PDF, RTF and text");
    command->add_option("--html", arguments->html, "Folder of HTML files (read, never changed)")
        ->required()
        ->check(CLI::ExistingDirectory);
    command->add_option("--out", arguments->out, "Output folder; it gets one folder per format")->required();
    command->add_option("--format", arguments->formats, "Formats, separated by commas: md, pdf, rtf, txt")
        ->required()
        ->delimiter(',')
        ->check(CLI::IsMember({"md", "markdown", "pdf", "rtf", "txt"}));
    command->add_option("--limit", arguments->limit, "Convert only the first N files")->check(CLI::NonNegativeNumber);
    command->add_flag("--dry-run", arguments->dryRun,
                      "Only list the HTML files that would be converted; write nothing");
    command->callback([&session, arguments] {
        session.action = [&session, arguments] {
            ExportFormatSet formats;
            for (const std::string& name : arguments->formats)
                formats.insert(formatNames().at(name));
            std::error_code ec;
            const std::filesystem::path out =
                std::filesystem::absolute(expandTilde(arguments->out, currentUserHome()), ec).lexically_normal();
            if (arguments->dryRun)
                return listConversions(arguments->html, out, formats, arguments->limit, session.streams);
            ProgressBar bar(session.streams.err, session.streams.errIsTerminal);
            FormatConverter converter;
            int converted = 0;
            try {
                if (auto created = createDirectories(out); !created)
                    throw created.error();
                converted = converter.convertFolder(
                    arguments->html, out.string(), formats, arguments->limit,
                    [&bar](double fraction, const std::string& status) { bar.update(fraction, status); },
                    SourceHtml::leaveUntouched);
            } catch (const Error& error) {
                bar.finish();
                session.streams.err << "varnholt: " << error.description() << "\n";
                return static_cast<int>(exportFailed);
            }
            bar.finish();
            session.streams.err << "Converted " << converted << " HTML file" << (converted == 1 ? "" : "s") << " into "
                                << out.string() << "\n";
            return static_cast<int>(success);
        };
    });
}

} // namespace varnholt::cli
