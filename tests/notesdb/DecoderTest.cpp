#include "platform/Files.h"
#include "platform/Gzip.h"
#include "platform/ZStream.h"
#include "sample-home/NoteBodyEncoder.h"
#include "sources/notes/NoteBodyDecoder.h"
#include "sources/notes/NoteDocumentProto.h"
#include "sources/notes/ReadableRunScan.h"
#include "sources/notes/notestore.pb.h"
#include "support/RealData.h"

#include <gtest/gtest.h>
#include <random>

using namespace varnholt;
using namespace varnholt::notesdb;
using sample::BodySegment;

namespace {
std::string readAll(const std::filesystem::path& path)
{
    return readFile(path).value();
}
} // namespace

TEST(ZStream, MoveKeepsTheStreamUsableAndEndsItOnce)
{
    ZStream first = ZStream::gzip(ZStream::Direction::inflate);
    ASSERT_TRUE(first.isValid());
    z_stream* address = first.get();

    ZStream moved(std::move(first));
    EXPECT_FALSE(first.isValid());
    EXPECT_EQ(moved.get(), address); // zlib's state points back at this address

    ZStream assigned = ZStream::gzip(ZStream::Direction::deflate);
    assigned = std::move(moved);
    EXPECT_EQ(assigned.get(), address);
    EXPECT_EQ(assigned.direction(), ZStream::Direction::inflate);

    // The moved stream still inflates.
    const std::string packed = deflateGzip("hello");
    std::string out(16, '\0');
    assigned->next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    assigned->avail_in = static_cast<uInt>(packed.size());
    assigned->next_out = reinterpret_cast<Bytef*>(out.data());
    assigned->avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(inflate(assigned.get(), Z_FINISH), Z_STREAM_END);
    EXPECT_EQ(out.substr(0, assigned->total_out), "hello");
}

TEST(Gzip, InflatesBeyondOneMebibyteAndRefusesBadStreams)
{
    const std::string big(3 * 1024 * 1024 + 17, 'x');
    EXPECT_EQ(inflateGzip(deflateGzip(big)), big);
    EXPECT_FALSE(inflateGzip(deflateGzip(big), 1024 * 1024)) << "the ceiling stops a decompression bomb";

    const std::string packed = deflateGzip("a stream cut short before its end");
    EXPECT_FALSE(inflateGzip(packed.substr(0, packed.size() / 2)));
    std::string corrupt = packed;
    corrupt[12] ^= 0x5A;
    EXPECT_FALSE(inflateGzip(corrupt));
    EXPECT_FALSE(looksLikeGzip("\x1F\x8B")) << "two bytes are not a gzip stream";
}

TEST(NoteBodyDecoder, ProtobufRouteKeepsEveryCharacterAndNamesAttachments)
{
    const BodySegment title = sample::textSegment("Café 東京 🎉\n", 0);
    const BodySegment picture = sample::attachmentSegment("ID-1", "public.jpeg");
    BodySegment item = sample::textSegment("Milk 🥛");
    item.styleType = 103;
    item.checklistDone = true;
    BodySegment link = sample::textSegment(" link");
    link.link = "https://example.org";
    link.fontWeight = 1;
    const std::string blob = sample::encodeCompressedNoteBody({title, picture, sample::textSegment("\n"), item, link});

    EXPECT_EQ(NoteBodyDecoder::decodeNoteBody(blob), "Café 東京 🎉\n[attachment: public.jpeg]\nMilk 🥛 link");

    const auto document = NoteBodyDecoder::decodeNoteDocument(blob);
    ASSERT_TRUE(document);
    ASSERT_EQ(document->runs.size(), 5u);
    // Run boundaries are UTF-16 lengths in the store; the emoji count two units each.
    EXPECT_EQ(document->text.substr(document->runs[1].begin, document->runs[1].end - document->runs[1].begin),
              NoteDocument::kAttachmentCharacter);
    EXPECT_EQ(document->runs[0].paragraphStyle.styleType, NoteDocument::StyleType::title);
    EXPECT_EQ(document->runs[3].paragraphStyle.styleType, NoteDocument::StyleType::checklist);
    ASSERT_TRUE(document->runs[3].paragraphStyle.checklist);
    EXPECT_TRUE(document->runs[3].paragraphStyle.checklist->done);
    EXPECT_EQ(document->runs[4].link, "https://example.org");
    EXPECT_EQ(document->runs[4].fontWeight, NoteDocument::FontWeight::bold);
    ASSERT_EQ(document->attachments().size(), 1u);
    EXPECT_EQ(document->attachments()[0].identifier, "ID-1");
}

TEST(NoteDocumentProto, BytesThatStartNoCharacterKeepLaterRunsInPlace)
{
    // A damaged body: 0xF5-0xFF never start a character, so each is one unit of damage (the U+FFFD
    // it reads as), not the start of a three-byte character that swallows what follows.
    notestore::NoteStoreProto proto;
    notestore::Note* note = proto.mutable_document()->mutable_note();
    note->set_note_text("a\xF5\x80\x80 \xFF\xFE Bold tail 🎉");
    const auto addRun = [&](std::uint32_t units, int weight) {
        notestore::AttributeRun* run = note->add_attribute_run();
        run->set_length(units);
        run->set_font_weight(weight);
    };
    addRun(8, 0); // "a", three damaged bytes, " ", two damaged bytes, " "
    addRun(4, 1); // "Bold"
    addRun(8, 0); // " tail " and the emoji's two units
    const auto document = noteDocumentFromProto(proto);
    ASSERT_TRUE(document);
    ASSERT_EQ(document->runs.size(), 3u);
    const auto textOf = [&](const NoteDocument::Run& run) {
        return document->text.substr(run.begin, run.end - run.begin);
    };
    EXPECT_EQ(textOf(document->runs[1]), "Bold");
    EXPECT_EQ(document->runs[1].fontWeight, NoteDocument::FontWeight::bold);
    EXPECT_EQ(textOf(document->runs[2]), " tail 🎉");
}

TEST(NoteBodyDecoder, RoutesFollowTheFirstBytes)
{
    EXPECT_EQ(NoteBodyDecoder::decodeNoteBody("a<b>c & d"), "<pre>a&lt;b&gt;c & d</pre>");
    EXPECT_EQ(NoteBodyDecoder::decodeNoteBody("\x1F\x8B"), std::nullopt) << "invalid UTF-8 after the gzip test";
    EXPECT_EQ(NoteBodyDecoder::decodeNoteBody(std::string("\xC3\x28", 2)), std::nullopt);
    // Valid UTF-8 behind a gzip magic that does not inflate gives nothing.
    EXPECT_EQ(NoteBodyDecoder::decodeNoteBody("\x1F\x8B plain text here"), std::nullopt);

    // A protobuf whose length points past the end is not a note: the readable runs are scanned instead.
    std::string broken = sample::encodeNoteBody({sample::textSegment("Readable text survives the damage")});
    broken.resize(broken.size() - 3);
    for (const std::string& blob : {broken, deflateGzip(broken)}) {
        const auto scanned = NoteBodyDecoder::decodeNoteBody(blob);
        ASSERT_TRUE(scanned);
        EXPECT_NE(scanned->find("Readable text survives the damage"), std::string::npos) << *scanned;
    }

    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) { // random bodies never crash the decoder
        std::string noise(static_cast<size_t>(random() % 600), '\0');
        for (char& c : noise)
            c = static_cast<char>(random());
        if (!noise.empty() && round % 2)
            noise[0] = 0x08;
        (void)NoteBodyDecoder::decodeNoteBody(noise);
        (void)NoteBodyDecoder::decodeNoteBody(deflateGzip(noise));
    }
}

TEST(ReadableRunScan, KeepsLongRunsAndDropsNoise)
{
    const std::string gap4("\x01\x02\x03\x04", 4);
    EXPECT_EQ(extractTextFromProtobuf(gap4 + "123456789" + gap4), std::nullopt) << "nine characters are too few";
    EXPECT_EQ(extractTextFromProtobuf(gap4 + "  1234567890  " + gap4), "1234567890");
    EXPECT_EQ(extractTextFromProtobuf("Hello" + std::string("\x01\x02\x03", 3) + " world!" + gap4), "Hello world!");
    EXPECT_EQ(extractTextFromProtobuf("ZTITLE something" + gap4 + "kept text here" + gap4), "kept text here");
    EXPECT_EQ(extractTextFromProtobuf("kept text here" + gap4 + "ZTITLE something"), "kept text here\nZTITLE something")
        << "the final run skips the prefix tests";
    EXPECT_EQ(extractTextFromProtobuf("eJabcdefghi" + gap4), std::nullopt);
    EXPECT_TRUE(isNoiseRun("*6b2"));
}

TEST(NoteBodyDecoder, RealBlobsDecodeToTheirText)
{
    VARNHOLT_REQUIRE_REALDATA(real);
    const auto blobs = real / "threeplanetssoftware_apple_cloud_notes_parser/exported_blobs";
    const auto plain = NoteBodyDecoder::decodeNoteBody(readAll(blobs / "simple_note_protobuf.bin"));
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain, NoteBodyDecoder::decodeNoteBody(readAll(blobs / "simple_note_protobuf_gzipped.bin")));

    const std::map<std::string, std::string> titles{{"block_quotes_gzipped.bin", "Block quotes"},
                                                    {"color_formatting_gzipped.bin", "Text colors"},
                                                    {"emoji_formatting_1_gzipped.bin", "Emojis and formatting"},
                                                    {"html_gzipped.bin", "Things that mess HTML up"},
                                                    {"list_indents_gzipped.bin", "Indents in lists"},
                                                    {"url_gzipped.bin", "Link test"}};
    for (const auto& [file, title] : titles) {
        const auto document = NoteBodyDecoder::decodeNoteDocument(readAll(blobs / file));
        ASSERT_TRUE(document) << file;
        EXPECT_EQ(document->text.rfind(title, 0), 0u) << file << ": " << document->text.substr(0, 60);
        EXPECT_EQ(NoteBodyDecoder::decodeNoteBody(readAll(blobs / file)), document->plainText());
    }
    // Text outside ASCII comes through whole.
    const auto wide = NoteBodyDecoder::decodeNoteBody(readAll(blobs / "wide_characters_gzipped.bin"));
    ASSERT_TRUE(wide);
    EXPECT_NE(wide->find("但他還是希望\n體驗看法覺得很大"), std::string::npos) << *wide;
}
