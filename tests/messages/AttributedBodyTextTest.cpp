#include "MessagesTestSupport.h"

#include "platform/Database.h"
#include "platform/Statement.h"
#include "sample-home/TypedStreamWriter.h"
#include "sources/messages/AttributedBodyText.h"
#include "sources/messages/TypedStreamReader.h"
#include "support/RealData.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <random>

namespace varnholt {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

const std::string kObject = "\uFFFC";

TEST(AsciiScan, FollowsTheScanRules)
{
    EXPECT_EQ(extractTextFromAttributedBody("abc\0"s), "abc");
    EXPECT_EQ(extractTextFromAttributedBody("ab\0cdef\x01"s), "abcdef");
    EXPECT_EQ(extractTextFromAttributedBody("\x01\x02\x03"s), std::nullopt);
    EXPECT_EQ(extractTextFromAttributedBody("hi"), std::nullopt);
    EXPECT_EQ(extractTextFromAttributedBody("NSString\x01Hello there"s), std::nullopt);
    EXPECT_EQ(extractTextFromAttributedBody("    \x01"s), std::nullopt);
    EXPECT_EQ(extractTextFromAttributedBody("__kIMFile\x01"s), std::nullopt);
    EXPECT_EQ(extractTextFromAttributedBody("  Hello\x86"s), "Hello");
    EXPECT_EQ(extractTextFromAttributedBody(""), std::nullopt);
    // Non-ASCII bytes count as control bytes: after a short run they are dropped and the text is glued.
    EXPECT_EQ(extractTextFromAttributedBody("Caf\xC3\xA9 au lait"s), "Caf au lait");
    EXPECT_EQ(extractTextFromAttributedBody("Cafe\xC3\xA9 au lait"s), "Cafe");
}

TEST(AttributedBodyText, DecodesWhatOurWriterArchivesWholeAndFallsBackOnlyForOtherBlobs)
{
    for (const std::string& text : {"Hello"s, ""s, "東京 📸\nline two\r\n\tend"s, kObject + "caption" + kObject,
                                    std::string(40000, 'x') + "é"}) {
        EXPECT_EQ(messageTextFromAttributedBody(sample::TypedStreamWriter::attributedString(text)), text);
    }
    // Not an archive: the scan takes over.
    EXPECT_EQ(messageTextFromAttributedBody("\x01\x02plain words here\x03"s), "plain words here");
    // An archive cut short never yields its signature as text.
    const std::string archive = sample::TypedStreamWriter::attributedString("Hello world");
    EXPECT_EQ(messageTextFromAttributedBody(archive.substr(0, 30)), std::nullopt);
}

TEST(AttributedBodyText, RandomAndTruncatedBytesNeverCrash)
{
    std::mt19937 random(7);
    const std::string archive = sample::TypedStreamWriter::attributedString("Some text 😀 with more");
    for (int round = 0; round < 2000; ++round) {
        std::string bytes = archive;
        for (int flips = 1 + round % 4; flips > 0; --flips)
            bytes[random() % bytes.size()] = static_cast<char>(random());
        bytes.resize(random() % (bytes.size() + 1));
        (void)messageTextFromAttributedBody(bytes);
        std::string noise(random() % 300, '\0');
        for (char& c : noise)
            c = static_cast<char>(random());
        (void)messageTextFromAttributedBody(noise);
    }
}

TEST(AttributedBodyText, OurWriterProducesApplesBytes)
{
    VARNHOLT_REQUIRE_REALDATA(realdata);
    const std::string real = *readFile(realdata / "ReagentX_imessage-exporter/typedstream/AttributedBodyTextOnly");
    EXPECT_EQ(sample::TypedStreamWriter::attributedString("Noter test"), real);
}

TEST(AttributedBodyText, RealBlobsDecodeToTheirText)
{
    VARNHOLT_REQUIRE_REALDATA(realdata);
    const fs::path blobs = realdata / "ReagentX_imessage-exporter/typedstream";
    const fs::path crab = realdata / "ReagentX_crabstep";
    auto text = [](const fs::path& path) { return messageTextFromAttributedBody(*readFile(path)); };

    EXPECT_EQ(text(blobs / "AttributedBodyTextOnly"), "Noter test");
    EXPECT_EQ(text(blobs / "AttributedBodyTextOnly2"), "Test 3");
    EXPECT_EQ(text(blobs / "0123456789"), "0123456789");
    EXPECT_EQ(text(blobs / "Blank"), "");
    EXPECT_EQ(text(blobs / "Code"), "000123 is your security code. Don't share your code.");
    EXPECT_EQ(text(blobs / "Date"), "Hi. Right now or tomorrow?");
    EXPECT_EQ(text(blobs / "Email"), "asdfghjklq@gmail.com might work");
    EXPECT_EQ(text(blobs / "EmojiBoldUnderline"), "🅱️Bold_Underline");
    EXPECT_EQ(text(blobs / "WeirdText"), "𝖍𝖊𝖑𝖑𝖔 𝖜𝖔𝖗𝖑𝖉");
    EXPECT_EQ(text(blobs / "Mention"), "Test Dad ");
    EXPECT_EQ(text(blobs / "OverlappingFormat"), "8:00 pm");
    EXPECT_EQ(text(blobs / "Formatted"), "Big small");
    EXPECT_EQ(text(blobs / "AppMessage"), kObject);
    EXPECT_EQ(text(blobs / "MultiPart"), kObject + "test 1" + kObject + "test 2 " + kObject + "test 3");
    EXPECT_EQ(text(blobs / "MultiPartWithDeleted"),
              "From arbitrary byte stream:\r" + kObject + "To native Rust data structures:\r");
    std::string nineteen;
    for (int i = 0; i < 19; ++i)
        nineteen += kObject;
    EXPECT_EQ(text(blobs / "MultiAttachment"), nineteen);
    EXPECT_EQ(text(blobs / "Attachment")->rfind(kObject + "This is how the notes look to me fyi", 0), 0u);
    EXPECT_EQ(text(blobs / "35123")->rfind("0123456789\nBold Italics Underline Strikethrough", 0), 0u);
    const auto longMessage = text(blobs / "LongMessage");
    ASSERT_TRUE(longMessage);
    EXPECT_GT(longMessage->size(), 2000u);
    EXPECT_EQ(longMessage->rfind("Sed nibh velit", 0), 0u);
    // Its declared length runs past the archive: the readable text is kept.
    EXPECT_EQ(text(blobs / "ExtraData"), "This is parsing  ");

    EXPECT_EQ(text(crab / "Arabic"), "أهلاً بالعالم");
    EXPECT_EQ(text(crab / "Currency"), "Money: $1234.56, £20, 100 USD");
    EXPECT_EQ(text(crab / "CurrencyTemperatureVolumeWeight"), "$100\n\n75℉\n\n1L of water\n\n225lbs");
    EXPECT_EQ(text(crab / "Address"), "1 Apple Park Way, Cupertino, CA 95014");
    EXPECT_EQ(text(crab / "Flight"), "AS 1111");
    EXPECT_EQ(text(crab / "Tracking"), "1Z999AA10123456784");
    // An archived array is not a message text.
    EXPECT_FALSE(TypedStreamReader(*readFile(crab / "HugeWithRefs")).attributedStringText());

    for (const auto& entry : fs::directory_iterator(blobs))
        EXPECT_TRUE(TypedStreamReader(*readFile(entry.path())).attributedStringText()) << entry.path();
}

TEST(AttributedBodyText, EveryBodyOfARealPhoneMatchesItsTextColumn)
{
    VARNHOLT_REQUIRE_REALDATA(realdata);
    test::TempDir temp;
    const fs::path copy = test::copyDatabase(realdata / "amandawills_CS426-iphone-sms-forensics/sms.db", temp.path());
    auto db = Database::open(copy.string(), Database::Mode::ReadOnly);
    ASSERT_TRUE(db) << db.error();
    auto rows = db->prepare("SELECT ROWID, text, attributedBody FROM message");
    ASSERT_TRUE(rows);
    int compared = 0;
    while (rows->step() == Statement::Step::Row) {
        ASSERT_FALSE(rows->isNull(2));
        EXPECT_EQ(messageTextFromAttributedBody(rows->columnBlob(2)), rows->columnText(1))
            << "message " << rows->columnInt64(0);
        ++compared;
    }
    EXPECT_EQ(compared, 105);
}

} // namespace
} // namespace varnholt
