#include "cli/Session.h"

namespace varnholt::cli {

namespace {
struct VoiceMemosArguments {
    std::string out;
    std::string passwordFile;
    bool dryRun = false;
    bool nameByTitle = false;
    std::optional<long long> limit;
};
} // namespace

void addVoiceMemosCommand(CLI::App& app, Session& session)
{
    auto arguments = std::make_shared<VoiceMemosArguments>();
    auto* command = app.add_subcommand("voice-memos", "Copy the Voice Memos recordings and describe them in JSON");
    command->add_option("--out", arguments->out, "Output folder (default: ~/voice_memos_export_<time>)");
    command->add_flag("--dry-run", arguments->dryRun, "Only count the recordings and their size; write nothing");
    command->add_flag("--name-by-title", arguments->nameByTitle,
                      "Name the copies \"YYYY-MM-DD HH.MM <title>\" from the Voice Memos catalog");
    command->add_option("--limit", arguments->limit, "Test mode limit (Voice Memos copies all recordings anyway)")
        ->check(CLI::NonNegativeNumber);
    addPasswordFileOption(*command, arguments->passwordFile);
    command->callback([&session, arguments] {
        session.action = [&session, arguments]() -> int {
            ExportOptions options = session.baseOptions(ExporterType::voiceMemos, arguments->out);
            options.isDryRun = arguments->dryRun;
            options.testModeLimit = arguments->limit;
            options.nameRecordingsByTitle = arguments->nameByTitle;
            if (!session.takePasswordFile(arguments->passwordFile, "voice-memos", options))
                return badUsage;
            return runExport(options, session.streams);
        };
    });
}

} // namespace varnholt::cli
