#include "cli/Session.h"
#include "model/messages/DateWindow.h"

namespace varnholt::cli {

namespace {
struct MessagesArguments {
    std::string out;
    std::string passwordFile;
    bool dryRun = false;
    std::optional<long long> limit;
    bool contacts = false;
    std::vector<std::string> vcards;
    std::optional<std::string> since;
    std::optional<std::string> until;
    std::vector<std::string> chats;
};

// A day in the form the date options take.
CLI::Validator dayValidator()
{
    return CLI::Validator(
        [](std::string& text) -> std::string {
            if (localDayBound(text, DayEdge::start))
                return {};
            return "\u201C" + text + "\u201D is not a date; give it as " + kDayForm;
        },
        "YYYY-MM-DD");
}
} // namespace

void addMessagesCommand(CLI::App& app, Session& session)
{
    auto arguments = std::make_shared<MessagesArguments>();
    auto* command = app.add_subcommand("messages", "Export the Messages conversations as JSON, HTML and text");
    command->add_option("--out", arguments->out, "Output folder (default: ~/messages_export_<time>)");
    command->add_flag("--dry-run", arguments->dryRun, "Only count the conversations; write nothing");
    command->add_option("--limit", arguments->limit, "Test mode: export only the first N conversations")
        ->check(CLI::NonNegativeNumber);
    command->add_flag("--contacts", arguments->contacts,
                      "Name conversations after the address book (slower: every unnamed conversation is looked up)");
    command->add_option("--vcard", arguments->vcards, "A .vcf file to look names up in too (repeatable)")
        ->check(CLI::ExistingFile);
    addPasswordFileOption(*command, arguments->passwordFile);
    command->add_option("--since", arguments->since, "Only messages from this day on (YYYY-MM-DD, local time)")
        ->check(dayValidator());
    command->add_option("--until", arguments->until, "Only messages up to this day, included (YYYY-MM-DD, local time)")
        ->check(dayValidator());
    command->add_option("--chat", arguments->chats,
                        "Only conversations whose name, identifier or a member contains this text, ignoring case "
                        "(repeatable)");
    command->callback([&session, arguments] {
        session.action = [&session, arguments]() -> int {
            ExportOptions options = session.baseOptions(ExporterType::messages, arguments->out);
            options.isDryRun = arguments->dryRun;
            options.testModeLimit = arguments->limit;
            options.resolveContactNames = arguments->contacts || !arguments->vcards.empty();
            options.vcardFiles = arguments->vcards;
            if (!session.takePasswordFile(arguments->passwordFile, "messages", options))
                return badUsage;
            if (arguments->since)
                options.messagesFilter.window.from = *localDayBound(*arguments->since, DayEdge::start);
            if (arguments->until)
                options.messagesFilter.window.until = *localDayBound(*arguments->until, DayEdge::end);
            options.messagesFilter.chats = arguments->chats;
            return runExport(options, session.streams);
        };
    });
}

} // namespace varnholt::cli
