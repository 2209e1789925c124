#include "MessagesTestSupport.h"

#include "cli/CommandLine.h"
#include "export/ExportManager.h"
#include "platform/DomainError.h"
#include "platform/ManualMainQueue.h"
#include "support/CliRun.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>

namespace varnholt {
namespace {

namespace fs = std::filesystem;

class MessagesDispatchTest : public ::testing::Test {
protected:
    void SetUp() override { test::buildMessagesHome(m_home.path()); }

    // Runs one export to its outcome and returns every status the manager showed.
    std::vector<std::string> run(ExportOptions options)
    {
        options.type = ExporterType::messages;
        options.sourceHome = m_home.str();
        if (options.outputPath.empty())
            options.outputPath = m_out.str();
        std::vector<std::string> statuses;
        m_manager.addChangeObserver([&](ExportManager::Field field) {
            if (field == ExportManager::Field::statusMessage)
                statuses.push_back(m_manager.statusMessage());
        });
        m_manager.addOutcomeObserver([&](ExportManager::Outcome outcome) { m_outcome = outcome; });
        m_manager.startExport(options);
        EXPECT_TRUE(m_queue.runUntil([&] { return m_outcome.has_value(); }));
        return statuses;
    }

    test::TraceCapture m_trace;
    test::TempDir m_home;
    test::TempDir m_out;
    ManualMainQueue m_queue;
    ExportManager m_manager{m_queue};
    std::optional<ExportManager::Outcome> m_outcome;
};

TEST_F(MessagesDispatchTest, ARecordedErrorBecomesAFailure)
{
    fs::remove(m_home.path() / "Library/Messages/chat.db");
    const auto statuses = run({});
    ASSERT_EQ(m_outcome, ExportManager::Outcome::failed);
    const auto error = std::dynamic_pointer_cast<const DomainError>(m_manager.lastError());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain(), "MessagesExporter");
    EXPECT_EQ(error->code(), 1);
    EXPECT_EQ(error->description(), "Cannot read the Messages database at " + m_home.str() +
                                        "/Library/Messages/chat.db: it is not there. Give your user read permission "
                                        "on it and the folders above it, mount the disk that holds it, or point "
                                        "--source at a Mac home folder or iPhone backup that holds it.");
    EXPECT_EQ(m_manager.statusMessage(), "Export failed: " + error->description());
}

// Only the conversations named and the days asked for are written, and the summary says what was left out.
TEST_F(MessagesDispatchTest, FiltersLeaveOutAndSaySo)
{
    ExportOptions options;
    // Alice's number: her own conversation by its identifier, two groups by their member.
    options.messagesFilter.chats = {"+1555123"};
    // The first four messages of Alice's conversation; the groups wrote later.
    options.messagesFilter.window.from = 731340382LL * 1'000'000'000LL;
    options.messagesFilter.window.until = options.messagesFilter.window.from + 9 * 60 * 1'000'000'000LL;
    run(options);
    ASSERT_EQ(m_outcome, ExportManager::Outcome::completed);
    EXPECT_EQ(test::filesBelow(m_out.path() / "messages/txt"), (std::vector<std::string>{"+15551234567.txt"}));
    ASSERT_TRUE(m_manager.exportSummary());
    EXPECT_EQ(*m_manager.exportSummary(), "Files exported to: " + m_out.str() +
                                              ". Left out by the filters: 10 conversations, and 9 messages of the "
                                              "conversations exported");
}

TEST(DateWindow, LocalDaysIncludeTheirWholeLength)
{
    const test::ScopedEnvironment berlin("TZ", "Europe/Berlin");
    // 2024-03-31 has 23 hours in Berlin: from 2024-03-30T23:00Z to 2024-03-31T22:00Z.
    const std::int64_t reference = 978307200;
    EXPECT_EQ(localDayBound("2024-03-31", DayEdge::start), (1711839600LL - reference) * 1'000'000'000LL);
    EXPECT_EQ(localDayBound("2024-03-31", DayEdge::end), (1711922400LL - reference) * 1'000'000'000LL - 1);
    for (const char* bad : {"2024-02-30", "2024-13-01", "24-03-05", "2024-03-05T10:00", "yesterday", ""})
        EXPECT_FALSE(localDayBound(bad, DayEdge::start)) << bad;
}

// Through the command line and the export manager: the dry run's summary, the limit, the filters, and a
// missing database as a failure naming the file.
TEST(MessagesCommand, ExitCodes)
{
    test::TempDir home;
    test::TempDir out;
    test::buildMessagesHome(home.path());
    const std::vector<std::string> messages{"--home", home.str(), "messages"};
    auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), messages.begin(), messages.end());
        return test::runCli(args);
    };

    test::CliRun dry = run({"--out", out.str(), "--dry-run", "--limit", "3"});
    EXPECT_EQ(dry.status, cli::success);
    EXPECT_NE(dry.err.find("Dry run complete: Found 11 conversations"), std::string::npos) << dry.err;
    EXPECT_FALSE(fs::exists(out.path() / "messages"));

    EXPECT_EQ(run({"--out", out.str(), "--limit", "2", "--vcard", (home / "Documents/Contacts/friends.vcf")}).status,
              cli::success);
    EXPECT_EQ(test::filesBelow(out.path() / "messages/txt"),
              (std::vector<std::string>{"Alice Smith.txt", "Bob Baker.txt"}));

    EXPECT_EQ(run({"--limit", "-1"}).status, cli::badUsage);
    EXPECT_EQ(run({"--vcard", "/no/such.vcf"}).status, cli::badUsage);
    const test::CliRun badDate = run({"--until", "2024-02-30"});
    EXPECT_EQ(badDate.status, cli::badUsage);
    EXPECT_NE(badDate.err.find("\u201C2024-02-30\u201D is not a date; give it as YYYY-MM-DD"), std::string::npos)
        << badDate.err;
    test::TempDir filtered;
    EXPECT_EQ(run({"--out", filtered.str(), "--since", "2024-03-05", "--chat", "book club", "--chat", "Plans"}).status,
              cli::success);
    EXPECT_EQ(test::filesBelow(filtered.path() / "messages/txt").size(), 3u);
    // A dry run with the same filters counts what they would export.
    const test::CliRun filteredDry =
        run({"--dry-run", "--since", "2024-03-05", "--chat", "book club", "--chat", "Plans"});
    EXPECT_EQ(filteredDry.status, cli::success);
    EXPECT_NE(filteredDry.err.find("Dry run complete: Found 3 conversations (Left out by the filters: 8"),
              std::string::npos)
        << filteredDry.err;

    test::TempDir empty;
    const test::CliRun missing = test::runCli({"--home", empty.str(), "messages", "--out", out.str()});
    EXPECT_EQ(missing.status, cli::exportFailed);
    EXPECT_NE(missing.err.find("Cannot read the Messages database"), std::string::npos);
    EXPECT_NE(missing.err.find(empty.str() + "/Library/Messages/chat.db"), std::string::npos);
}

} // namespace
} // namespace varnholt
