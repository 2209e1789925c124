#include "MessagesTestSupport.h"
#include "sources/MacHomeSource.h"

#include "export/messages/MessagesExporter.h"
#include "platform/Database.h"
#include "sample-home/ContactsSample.h"
#include "sample-home/MessagesSample.h"
#include "sample-home/SampleFiles.h"
#include "sources/contacts/AddressBookContactsStore.h"
#include "support/RealData.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace varnholt {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class MessagesExporterTest : public ::testing::Test {
protected:
    void SetUp() override { test::buildMessagesHome(m_home.path()); }

    // Records every status, in order.
    std::vector<std::string> watchStatus(MessagesExporter& exporter)
    {
        m_subscription = exporter.currentStatus().subscribe([this](const std::string& s) { m_statuses.push_back(s); });
        return {};
    }

    fs::path messages() const { return m_out.path() / "messages"; }

    test::TempDir m_home;
    test::TempDir m_out;
    std::vector<std::string> m_statuses;
    PropertySubscription m_subscription;
};

TEST_F(MessagesExporterTest, ExportsEveryConversationWithItsAttachments)
{
    test::TraceCapture trace;
    const auto before = test::fingerprintTree(m_home.path() / "Library");
    MessagesExporter exporter(MacHomeSource::make(m_home.str()));
    watchStatus(exporter);
    std::vector<double> progress;
    auto progressWatch = exporter.exportProgress().subscribe([&](double p) { progress.push_back(p); });

    exporter.exportMessages(m_out.str());

    ASSERT_FALSE(exporter.lastExportError()()) << *exporter.lastExportError()();
    EXPECT_TRUE(exporter.exportComplete()());
    EXPECT_FALSE(exporter.isExporting()());
    EXPECT_EQ(exporter.exportedCount()(), 11);
    EXPECT_EQ(exporter.totalCount()(), 12);
    EXPECT_EQ(exporter.currentStatus()(), "Export complete: 11 conversations exported");
    ASSERT_GE(m_statuses.size(), 4u);
    EXPECT_EQ(m_statuses[0], "");
    EXPECT_EQ(m_statuses[1], "Starting Messages export...");
    EXPECT_EQ(m_statuses[2], "Exporting messages from database...");
    EXPECT_EQ(m_statuses[3], "Exporting chat 1 of 12: +15551234567");
    EXPECT_EQ(m_statuses[6], "Exporting chat 4 of 12: chat987654321");
    EXPECT_DOUBLE_EQ(progress.back(), 11.0 / 12.0);

    const std::vector<std::string> txt = test::filesBelow(messages() / "txt");
    // The group stored with an empty name is named after its four members, one of whom never wrote.
    EXPECT_EQ(txt,
              (std::vector<std::string>{"+15551234567, bob@example.com & 2 more.txt", "+15551234567.txt",
                                        "+15559876543.txt", "+447700900123.txt", "Book Club (9).txt", "Book Club.txt",
                                        "Family 👨‍👩‍👧 Trip.txt", "Plans_ 3_4 _b_weekend__b_.txt",
                                        "bob@example.com.txt", "renee.dupont@exemple.fr.txt", "unknown.txt"}));
    EXPECT_EQ(test::filesBelow(messages() / "json").size(), 11u);

    // Both photos called IMG_0001.jpg are kept; the sticker is copied; the missing file and the plug-in
    // payload are not.
    EXPECT_EQ(test::filesBelow(messages() / "attachments"),
              (std::vector<std::string>{"+15551234567/Audio Message.caf", "+15551234567/IMG_0001 (2).jpg",
                                        "+15551234567/IMG_0001.jpg", "+15551234567/Sticker.heic",
                                        "+15551234567/thumbs.heic", "Family 👨‍👩‍👧 Trip/tickets.png",
                                        "bob@example.com/Quarterly report.pdf"}));
    const fs::path attachments = m_home.path() / "Library/Messages/Attachments";
    EXPECT_TRUE(trace.contains("[MessagesExporter] \u26A0\uFE0F Attachment skipped (not found): " +
                               (attachments / "ff/15/0E0E0E0E-MISSING/IMG_0404.jpg").string()));

    EXPECT_EQ(test::fingerprintTree(m_home.path() / "Library"), before);
}

TEST_F(MessagesExporterTest, ResolvesContactNamesFromTheAddressBooks)
{
    test::TraceCapture trace;
    MessagesExporter exporter(MacHomeSource::make(m_home.str()), {}, defaultReadabilityProbe(), [this] {
        return std::make_unique<AddressBookContactsStore>(
            MacHomeSource(m_home.str()).contactsDatabases(),
            std::vector<std::string>{sample::sampleVCardPath(m_home.path())});
    });
    exporter.exportMessages(m_out.str(), DryRun::no, TestMode::off, 10, ContactNames::resolve);
    ASSERT_FALSE(exporter.lastExportError()());
    const auto txt = test::filesBelow(messages() / "txt");
    for (const char* name : {"Alice Smith.txt", "Bob Baker.txt", "Nguyen.txt", "Chloé Martin.txt", "Renée Dupont.txt",
                             "unknown.txt", "Alice Smith, Bob Baker & 2 more.txt"})
        EXPECT_NE(std::find(txt.begin(), txt.end(), name), txt.end()) << name;
    EXPECT_TRUE(trace.contains("[MessagesExporter] Trying to resolve contact for: +15551234567"));
    EXPECT_TRUE(trace.contains("[MessagesExporter] Resolved to: Alice Smith"));
    EXPECT_TRUE(trace.contains("[MessagesExporter] Could not resolve contact for: unknown"));
    // A group is named after its members, never looked up by its own identifier.
    EXPECT_FALSE(trace.contains("[MessagesExporter] Trying to resolve contact for: chat987654321"));
}

// Alice writes, reacts and is a member in four conversations; her number is looked up once for the export.
TEST_F(MessagesExporterTest, EachPersonIsLookedUpOnce)
{
    test::TraceCapture trace;
    auto owned = std::make_shared<std::unique_ptr<test::FakeContactsStore>>(new test::FakeContactsStore);
    test::FakeContactsStore* store = owned->get();
    store->people = {Contact{"Alice", "Smith", {"5551234567"}, {}}};
    MessagesExporter exporter(MacHomeSource::make(m_home.str()), {}, defaultReadabilityProbe(),
                              [owned]() -> std::unique_ptr<ContactsStore> { return std::move(*owned); });
    exporter.exportMessages(m_out.str(), DryRun::no, TestMode::off, 10, ContactNames::resolve);
    ASSERT_FALSE(exporter.lastExportError()());
    EXPECT_EQ(std::count(store->phoneQueries.begin(), store->phoneQueries.end(), "+15551234567"), 1);
    const json group = json::parse(*readFile(messages() / "json/Family 👨‍👩‍👧 Trip.json"));
    EXPECT_EQ(group["messages"][0]["sender_name"], "Alice Smith");
    EXPECT_EQ(group["members"][0], (json{{"id", "+15551234567"}, {"name", "Alice Smith"}}));
    const json alice = json::parse(*readFile(messages() / "json/Alice Smith.json"));
    EXPECT_EQ(alice["messages"][0]["reactions"][1]["by_name"], "Alice Smith");
}

TEST_F(MessagesExporterTest, TestModeExportsTheFirstConversations)
{
    MessagesExporter exporter(MacHomeSource::make(m_home.str()));
    watchStatus(exporter);
    exporter.exportMessages(m_out.str(), DryRun::no, TestMode::on, 2);
    EXPECT_EQ(exporter.exportedCount()(), 2);
    EXPECT_EQ(m_statuses[m_statuses.size() - 2], "Exporting chat 2 of 2: bob@example.com");
    EXPECT_DOUBLE_EQ(exporter.exportProgress()(), 1.0);
    EXPECT_EQ(test::filesBelow(messages() / "txt"),
              (std::vector<std::string>{"+15551234567.txt", "bob@example.com.txt"}));
}

TEST_F(MessagesExporterTest, UnreadableDatabaseSaysWhichFileAndWhy)
{
    MessagesExporter exporter(MacHomeSource::make(m_home.str()), {}, [](const std::string&) { return false; });
    watchStatus(exporter);
    exporter.exportMessages(m_out.str());
    EXPECT_EQ(exporter.lastExportError()(),
              "Cannot read the Messages database at " + m_home.str() +
                  "/Library/Messages/chat.db: your user has no permission to read it. Give your user read permission "
                  "on it and the folders above it, mount the disk that holds it, or point --source at a Mac home "
                  "folder or iPhone backup that holds it.");
    EXPECT_EQ(exporter.lastExportErrorKind(), ErrorKind::permission);
    EXPECT_EQ(exporter.currentStatus()(), "Starting Messages export...");
    EXPECT_FALSE(exporter.isExporting()());
    EXPECT_FALSE(exporter.exportComplete()());
    EXPECT_TRUE(test::filesBelow(m_out.path()).empty());
}

TEST_F(MessagesExporterTest, AWriteFailureKeepsTheConversationsBefore)
{
    fs::create_directories(messages() / "json/unknown.json"); // the fifth conversation cannot be written
    MessagesExporter exporter(MacHomeSource::make(m_home.str()));
    exporter.exportMessages(m_out.str());
    ASSERT_TRUE(exporter.lastExportError()());
    EXPECT_EQ(exporter.lastExportError()()->rfind("Export failed: Could not write", 0), 0u);
    ASSERT_TRUE(exporter.lastExportFailure());
    EXPECT_EQ(exporter.lastExportFailure()->description().rfind("Could not write", 0), 0u) << "said once, by the UI";
    EXPECT_EQ(exporter.currentStatus()(), "Export failed");
    EXPECT_EQ(exporter.exportedCount()(), 4);
    EXPECT_FALSE(exporter.exportComplete()());
    EXPECT_EQ(test::filesBelow(messages() / "txt").size(), 4u);
    EXPECT_EQ(test::filesBelow(messages() / "html").size(), 4u) << "the failed conversation leaves no temporary";
    EXPECT_EQ(test::filesBelow(messages() / "json").size(), 4u);
}

// A message table that SQLite cannot address by row: the list of conversations still reads, their messages do not.
TEST_F(MessagesExporterTest, AConversationThatCannotBeReadFailsTheExportAsDamagedAndNamesIt)
{
    {
        auto db = Database::open(sample::messagesDatabasePath(m_home.path()).string(), Database::Mode::ReadWriteCreate);
        ASSERT_TRUE(db);
        ASSERT_TRUE(db->exec("PRAGMA journal_mode=DELETE; DROP TABLE message; CREATE TABLE message (guid TEXT "
                             "PRIMARY KEY, text TEXT, date INTEGER, handle_id INTEGER) WITHOUT ROWID;"))
            << "the sample's schema changed";
    }
    MessagesExporter exporter(MacHomeSource::make(m_home.str()));
    exporter.exportMessages(m_out.str());
    ASSERT_TRUE(exporter.lastExportFailure());
    EXPECT_EQ(exporter.lastExportFailure()->kind(), ErrorKind::damaged);
    EXPECT_NE(exporter.lastExportFailure()->description().find("the messages of \u201c+15551234567\u201d"),
              std::string::npos)
        << exporter.lastExportFailure()->description();
    EXPECT_FALSE(exporter.exportComplete()());
    EXPECT_EQ(exporter.exportedCount()(), 0);
    EXPECT_TRUE(test::filesBelow(messages() / "json").empty());
}

TEST_F(MessagesExporterTest, AStopRequestEndsTheExportBetweenConversations)
{
    std::stop_source stop;
    MessagesExporter exporter(MacHomeSource::make(m_home.str()), stop.get_token());
    auto stopAfterThree = exporter.exportedCount().subscribe([&](long long count) {
        if (count == 3)
            stop.request_stop();
    });
    exporter.exportMessages(m_out.str());
    EXPECT_EQ(exporter.exportedCount()(), 3);
    EXPECT_EQ(exporter.currentStatus()(), "Export cancelled");
    EXPECT_FALSE(exporter.exportComplete()());
    EXPECT_FALSE(exporter.lastExportError()());
    EXPECT_EQ(test::filesBelow(messages() / "txt").size(), 3u);
}

TEST(MessagesExporterAttachments, NamesThatLeaveTheHomeAreNotFollowed)
{
    test::TempDir temp;
    const fs::path home = temp / "home";
    test::buildMessagesHome(home);
    sample::writeSampleFile(temp / "secret.txt", "not the user's message data");
    {
        auto db = Database::open(sample::messagesDatabasePath(home).string(), Database::Mode::ReadWriteCreate);
        ASSERT_TRUE(db);
        ASSERT_TRUE(db->exec("UPDATE attachment SET filename = '~/../secret.txt' WHERE filename LIKE '%tickets.png';"
                             "UPDATE attachment SET filename = '~/Library/..' WHERE filename LIKE '%Sticker.heic';"));
    }
    test::TraceCapture trace;
    test::TempDir out;
    MessagesExporter exporter(MacHomeSource::make(home.string()));
    exporter.exportMessages(out.str());
    ASSERT_FALSE(exporter.lastExportError()());
    EXPECT_EQ(test::filesBelow(out.path() / "messages/attachments"),
              (std::vector<std::string>{"+15551234567/Audio Message.caf", "+15551234567/IMG_0001 (2).jpg",
                                        "+15551234567/IMG_0001.jpg", "+15551234567/thumbs.heic",
                                        "bob@example.com/Quarterly report.pdf"}));
    EXPECT_FALSE(trace.linesStartingWith("[MessagesExporter] \u26A0\uFE0F Attachment skipped (outside the home folder)")
                     .empty());
    EXPECT_EQ(test::filesBelow(out.path()).size(), 5u + 3u * 11u);
}

TEST(PropertySubscription, DeliversTheCurrentValueThenChangesUntilCancelled)
{
    ObservableProperty<int> value(1);
    std::vector<int> seen;
    PropertySubscription first = value.subscribe([&](int v) { seen.push_back(v); });
    value.set(2);
    PropertySubscription moved(std::move(first));
    EXPECT_FALSE(first.isActive());
    value.set(3);
    PropertySubscription assigned;
    assigned = std::move(moved);
    value.set(4);
    assigned.cancel();
    value.set(5);
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4}));
}

} // namespace
} // namespace varnholt

namespace varnholt {
namespace {

// Places a real database (with its -wal and -shm) where a Mac home keeps chat.db.
std::filesystem::path homeWithDatabase(const std::filesystem::path& database, const std::filesystem::path& home)
{
    const std::filesystem::path folder = home / "Library/Messages";
    std::filesystem::create_directories(folder);
    for (const char* suffix : {"", "-wal", "-shm"}) {
        const std::string source = database.string() + suffix;
        if (std::filesystem::exists(source))
            std::filesystem::copy_file(source, folder / (std::string("chat.db") + suffix));
    }
    return home;
}

TEST(MessagesExporterRealData, EveryRealDatabaseExports)
{
    VARNHOLT_REQUIRE_REALDATA(realdata);
    struct Case {
        const char* path;
        long long conversations;
    };
    const Case cases[] = {
        {"xevg_imessagedb/chat.db", 2},
        {"amandawills_CS426-iphone-sms-forensics/sms.db", 7},
        {"OTAPKI_iphone/HomeDomain/Library/SMS/sms.db", 1},
        {"ReagentX_imessage-exporter/db/test.db", 0},
        {"Eryk589_Bootcamp/Library/Messages/chat.db", 0},
        {"hackathonrunner_number1/Library/Messages/chat.db", 0},
        {"mtndlovuJHB_D00/Library/Messages/chat.db", 0},
        {"woojinny_42_woojilee/Library/Messages/chat.db", 0},
    };
    test::TraceCapture trace;
    for (const Case& c : cases) {
        test::TempDir home;
        test::TempDir out;
        homeWithDatabase(realdata / c.path, home.path());
        MessagesExporter exporter(MacHomeSource::make(home.str()));
        exporter.exportMessages(out.str());
        EXPECT_FALSE(exporter.lastExportError()()) << c.path << ": " << exporter.lastExportError()().value_or("");
        EXPECT_EQ(exporter.exportedCount()(), c.conversations) << c.path;
        EXPECT_EQ(test::filesBelow(out.path() / "messages/json").size(), static_cast<size_t>(c.conversations));
    }
}

TEST(MessagesExporterRealData, TextOnlyInTheBodyAndSecondsDatesComeThrough)
{
    VARNHOLT_REQUIRE_REALDATA(realdata);
    test::TraceCapture trace;
    test::TempDir home;
    test::TempDir out;
    homeWithDatabase(realdata / "xevg_imessagedb/chat.db", home.path());
    MessagesExporter exporter(MacHomeSource::make(home.str()));
    exporter.exportMessages(out.str());
    bool found = false;
    for (const std::string& file : test::filesBelow(out.path() / "messages/json")) {
        const auto record = nlohmann::json::parse(*readFile(out.path() / "messages/json" / file));
        for (const auto& message : record["messages"]) {
            EXPECT_NE(message["text"], "") << file;
            EXPECT_NE(message["text"], "streamtyped");
            if (message["id"] == 1602652)
                found = true;
        }
    }
    EXPECT_TRUE(found);

    test::TempDir oldHome;
    test::TempDir oldOut;
    homeWithDatabase(realdata / "OTAPKI_iphone/HomeDomain/Library/SMS/sms.db", oldHome.path());
    MessagesExporter old(MacHomeSource::make(oldHome.str()));
    old.exportMessages(oldOut.str());
    const std::string transcript =
        *readFile(oldOut.path() / "messages/txt" / test::filesBelow(oldOut.path() / "messages/txt").front());
    EXPECT_NE(transcript.find("[2015-11-"), std::string::npos) << transcript;
}

} // namespace
} // namespace varnholt
