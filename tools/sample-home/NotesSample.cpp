#include "sample-home/NotesSample.h"

#include "sample-home/LockedNoteSample.h"
#include "sample-home/NoteBodyEncoder.h"
#include "sample-home/NoteStoreBuilder.h"
#include "sample-home/NoteTableEncoder.h"
#include "sample-home/SampleFiles.h"

#include <fmt/format.h>
#include <random>

namespace varnholt::sample {

namespace fs = std::filesystem;

namespace {
constexpr double kBase = 1709647402; // 2024-03-05 14:03:22 UTC

BodySegment text(std::string value)
{
    return textSegment(std::move(value));
}

BodySegment styled(std::string value, int styleType)
{
    return textSegment(std::move(value), styleType);
}

BodySegment checklistItem(std::string value, bool done)
{
    BodySegment segment = styled(std::move(value), 103);
    segment.checklistDone = done;
    return segment;
}

BodySegment attachment(const std::string& identifier, const std::string& type)
{
    return attachmentSegment(identifier, type);
}

// A tiny but valid PNG (1x1, grey).
std::string samplePng()
{
    static const unsigned char kPng[] = {
        0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00,
        0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x00, 0x00, 0x00, 0x00, 0x3A, 0x7E, 0x9B, 0x55, 0x00,
        0x00, 0x00, 0x0A, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0x68, 0x00, 0x00, 0x00, 0x82, 0x00, 0x81,
        0x77, 0xCD, 0x72, 0xB6, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
    return std::string(reinterpret_cast<const char*>(kPng), sizeof(kPng));
}

std::string samplePdf()
{
    return "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
           "2 0 obj << /Type /Pages /Kids [] /Count 0 >> endobj\ntrailer << /Root 1 0 R >>\n%%EOF\n";
}

std::string generatedText(std::mt19937& random, size_t bytes)
{
    static const char* kWords[] = {"the",  "garden", "Ärztin", "meeting", "東京", "budget", "idea",   "travel",
                                   "café", "notes",  "plan",   "recipe",  "🎉",    "review", "ticket", "weekend",
                                   "call", "list",   "draft",  "naïve",   "soup", "train",  "book",   "later"};
    std::uniform_int_distribution<size_t> pick(0, std::size(kWords) - 1);
    std::string out;
    size_t sentence = 0;
    while (out.size() < bytes) {
        out += kWords[pick(random)];
        out += ++sentence % 12 == 0 ? ".\n" : " ";
    }
    return out;
}

void addLargeScale(NoteStoreBuilder& store, const fs::path& container, std::int64_t folder, std::int64_t account,
                   unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<size_t> length(1000, 3000);
    store.beginTransaction();
    for (int i = 0; i < 20000; ++i) {
        SampleNote note;
        note.title = fmt::format("Generated note {:05}", i);
        note.snippet = "Generated";
        std::vector<BodySegment> body{styled(*note.title + "\n", 0), text(generatedText(random, length(random)))};
        const bool withAttachment = i % 20 == 0;
        const std::string attachmentId = fmt::format("B0000000-0000-4000-8000-{:012}", i);
        if (withAttachment)
            body.push_back(attachment(attachmentId, "public.png"));
        note.body = encodeCompressedNoteBody(body);
        note.created = appleTime(kBase - 86400.0 * (i % 900));
        note.modified = note.created + 3600;
        note.folder = folder;
        note.account = account;
        const std::int64_t id = store.addNote(note);
        if (withAttachment) {
            const std::string media = fmt::format("C0000000-0000-4000-8000-{:012}", i);
            store.addAttachment(id, "public.png", attachmentId, media, "image.png");
            writeSampleFile(container / "Accounts/LocalAccount/Media" / media / "image.png", samplePng());
        }
    }
    store.commit();
}
// Drawings, sketches and scans, which Notes shows through the images it rendered for them, and a
// hashtag and a mention, which show their text. One scanned document has lost its page images.
void addDrawingsAndScans(NoteStoreBuilder& store, const fs::path& container, SampleNote note)
{
    const fs::path account = container / "Accounts/LocalAccount";
    const std::string drawing = "D1A2B3C4-0001-4A00-8000-00000000D001";
    const std::string sketch = "D1A2B3C4-0002-4A00-8000-00000000D002";
    const std::string paper = "D1A2B3C4-0003-4A00-8000-00000000D003";
    const std::string receipt = "6A11E2F0-0004-4A00-8000-00000000A004";
    const std::string letter = "5CA11E70-0005-4A00-8000-00000000A005";
    const std::string lost = "6A11E2F0-0006-4A00-8000-00000000A006";
    const std::string tag = "7A6C0DE0-0007-4A00-8000-00000000A007";
    const std::string mention = "3E471000-0008-4A00-8000-00000000A008";
    note.body = encodeCompressedNoteBody(
        {styled("Sketches and scans\n", 0), text("A drawing:\n"), attachment(drawing, "com.apple.drawing.2"),
         text("\nAn older sketch:\n"), attachment(sketch, "com.apple.drawing"),
         text("\nA sketch with only its preview:\n"), attachment(paper, "com.apple.paper"),
         text("\nThe receipt, scanned:\n"), attachment(receipt, "com.apple.notes.gallery"),
         text("\nA scanned letter:\n"), attachment(letter, "com.apple.paper.doc.scan"),
         text("\nA scan whose pages are lost:\n"), attachment(lost, "com.apple.notes.gallery"), text("\nFiled under "),
         attachment(tag, "com.apple.notes.inlinetextattachment.hashtag"), text(" for "),
         attachment(mention, "com.apple.notes.inlinetextattachment.mention"), text(".")});
    const std::int64_t id = store.addNote(note);

    store.setRendering(store.addAttachment(id, "com.apple.drawing.2", drawing),
                       "1_0D1A0000-0000-4000-8000-0000000000D1");
    writeSampleFile(account / "FallbackImages" / drawing / "1_0D1A0000-0000-4000-8000-0000000000D1/FallbackImage.png",
                    samplePng());
    store.addAttachment(id, "com.apple.drawing", sketch);
    writeSampleFile(account / "FallbackImages" / (sketch + ".png"), samplePng());
    // Only previews, in two sizes: the larger one is shown.
    const std::int64_t paperRow = store.addAttachment(id, "com.apple.paper", paper);
    store.addPreview(paperRow, paper + "-1-64x48-0", "1_5A11000-0000-4000-8000-000000000064", 64, 48, 1);
    store.addPreview(paperRow, paper + "-2-288x216-0", "1_5A11000-0000-4000-8000-000000000288", 288, 216, 2);
    writeSampleFile(account / "Previews" / (paper + "-1-64x48-0") / "1_5A11000-0000-4000-8000-000000000064/Preview.png",
                    samplePng());
    writeSampleFile(account / "Previews" / (paper + "-2-288x216-0") /
                        "1_5A11000-0000-4000-8000-000000000288/Preview.png",
                    samplePng());
    // A scanned document: a gallery whose pages are images, the first as Notes cropped it, the
    // second by its photo alone.
    const std::int64_t receiptRow = store.addAttachment(id, "com.apple.notes.gallery", receipt);
    const std::string firstPage = "6A11E2F0-0104-4A00-8000-00000000A104";
    store.setRendering(store.addAttachment(id, "public.jpeg", firstPage, "6A11E2F0-0204-4A00-8000-00000000A204",
                                           "Receipt photo 1.png"),
                       "1_9A6E0000-0000-4000-8000-000000000001", {}, receiptRow);
    writeSampleFile(account / "FallbackImages" / firstPage / "1_9A6E0000-0000-4000-8000-000000000001/FallbackImage.png",
                    samplePng());
    store.setRendering(store.addAttachment(id, "public.jpeg", "6A11E2F0-0304-4A00-8000-00000000A304",
                                           "6A11E2F0-0404-4A00-8000-00000000A404", "Receipt page 2.png"),
                       {}, {}, receiptRow);
    writeSampleFile(account / "Media/6A11E2F0-0404-4A00-8000-00000000A404/Receipt page 2.png", samplePng());
    // A scan kept as a document of its own, with the PDF Notes made of it.
    store.setRendering(store.addAttachment(id, "com.apple.paper.doc.scan", letter), {},
                       "1_0F0F0000-0000-4000-8000-0000000000F1");
    writeSampleFile(account / "FallbackPDFs" / letter / "1_0F0F0000-0000-4000-8000-0000000000F1/FallbackPDF.pdf",
                    samplePdf());
    // A damaged scan: the page row is there, none of its images is.
    const std::int64_t lostRow = store.addAttachment(id, "com.apple.notes.gallery", lost);
    store.setRendering(store.addAttachment(id, "public.jpeg", "6A11E2F0-0106-4A00-8000-00000000A106"), {}, {}, lostRow);
    store.addInlineAttachment(id, "com.apple.notes.inlinetextattachment.hashtag", tag, "#Reisen");
    store.addInlineAttachment(id, "com.apple.notes.inlinetextattachment.mention", mention, "@Ada Byron");
}
} // namespace

fs::path notesContainer(const fs::path& home)
{
    return home / "Library/Group Containers/group.com.apple.notes";
}

double appleTime(double secondsSince1970)
{
    return secondsSince1970 - 978307200.0;
}

void buildNotes(const fs::path& home, const SampleOptions& options)
{
    const fs::path container = notesContainer(home);
    fs::create_directories(container);
    NoteStoreBuilder store(container / "NoteStore.sqlite");

    const std::int64_t account = store.addAccount("On My Mac", "LocalAccount");
    store.setLockedNotesMode(account, 1);
    const std::int64_t notes = store.addFolder("Notes", account, "DefaultFolder-LocalAccount");
    const std::int64_t trash = store.addFolder("Recently Deleted", account, "TrashFolder-LocalAccount", 1);
    const std::int64_t travel = store.addFolder("Reisen ✈️", account, "5C1D6A0E-0B7B-4C55-9E43-1F1B7E0A11AA");

    auto note = [&](std::optional<std::string> title, std::string body, double minutesAgo, std::int64_t folder) {
        SampleNote n;
        n.title = std::move(title);
        n.snippet = n.title.value_or("");
        n.body = std::move(body);
        n.modified = appleTime(kBase - minutesAgo * 60);
        n.created = n.modified - 86400;
        n.folder = folder;
        n.account = account;
        return n;
    };

    // Formatting: every run kind the note format has.
    {
        BodySegment bold = text("bold");
        bold.fontWeight = 1;
        BodySegment italic = text("italic");
        italic.fontWeight = 2;
        BodySegment underlined = text("underlined");
        underlined.underlined = true;
        BodySegment struck = text("struck through");
        struck.strikethrough = true;
        BodySegment link = text("Varnholt");
        link.link = "https://example.org/varnholt";
        std::vector<BodySegment> body{styled("Formatting showcase\n", 0),
                                      styled("A heading\n", 1),
                                      styled("A subheading\n", 2),
                                      text("Text in "),
                                      bold,
                                      text(", "),
                                      italic,
                                      text(", "),
                                      underlined,
                                      text(" and "),
                                      struck,
                                      text(".\nA link to "),
                                      link,
                                      text(".\n"),
                                      styled("let answer = 42\n", 4),
                                      styled("First bullet\n", 100),
                                      styled("Second bullet\n", 100),
                                      styled("A dash\n", 101),
                                      styled("Step one\n", 102),
                                      styled("Step two\n", 102),
                                      text("The end.")};
        store.addNote(note("Formatting showcase", encodeCompressedNoteBody(body), 10, notes));
    }
    // Checklist with emoji, pinned.
    {
        std::vector<BodySegment> body{styled("Shopping list 🛒\n", 0), checklistItem("Milk 🥛\n", true),
                                      checklistItem("Bread 🍞\n", false), checklistItem("Äpfel und Birnen\n", false),
                                      checklistItem("Coffee ☕️", true)};
        SampleNote n = note("Shopping list 🛒", encodeCompressedNoteBody(body), 20, notes);
        n.pinned = true;
        store.addNote(n);
    }
    // Accented, CJK and emoji text with attachments after astral characters (UTF-16 offsets matter).
    const std::int64_t photoNote = [&] {
        std::vector<BodySegment> body{styled("Café in Zürich — 東京の思い出\n", 0),
                                      text("Crème brûlée, smørrebrød, jalapeño. 日本語のテキストと한국어 텍스트.\n"),
                                      text("Family 👨‍👩‍👧‍👦 and flags 🇩🇪🇯🇵 🎉\n"),
                                      attachment("9A1F3C52-6E0B-4B8E-A2C4-7D9E1F0B3A21", "public.png"),
                                      text("\nThe menu as PDF:\n"),
                                      attachment("1E5B7C9D-2F4A-4C6E-8A0B-3D5F7E9A1C2B", "com.adobe.pdf"),
                                      text("\nAnd a table:\n"),
                                      attachment("7C3E5A1B-9D2F-4E6A-8C0B-1F3D5E7A9B2C", "com.apple.notes.table"),
                                      text("\nÜbermorgen geht es weiter.\nListen:\n"),
                                      attachment("4B6D8F0A-3C5E-4F7A-9B1D-2E4F6A8C0D31", "com.apple.m4a-audio"),
                                      text("\nRead:\n"),
                                      attachment("5C7E9A1B-4D6F-4A8B-8C2E-3F5A7B9D1E42", "public.url")};
        return store.addNote(note("Café in Zürich — 東京の思い出", encodeCompressedNoteBody(body), 30, travel));
    }();
    store.addAttachment(photoNote, "public.png", "9A1F3C52-6E0B-4B8E-A2C4-7D9E1F0B3A21",
                        "D2B4F6A8-1C3E-4A5B-9D7F-0E2C4A6B8D10", "Tokyo Tower.png");
    writeSampleFile(container / "Accounts/LocalAccount/Media/D2B4F6A8-1C3E-4A5B-9D7F-0E2C4A6B8D10/Tokyo Tower.png",
                    samplePng());
    store.addAttachment(photoNote, "com.adobe.pdf", "1E5B7C9D-2F4A-4C6E-8A0B-3D5F7E9A1C2B",
                        "E3C5A7B9-2D4F-4B6C-8E0A-1F3B5D7C9E21", "Menü.pdf");
    // Newer versions keep the file one folder deeper.
    writeSampleFile(container /
                        "Accounts/LocalAccount/Media/E3C5A7B9-2D4F-4B6C-8E0A-1F3B5D7C9E21/1_6A8C0E2B-4D6F-4A1C-9E3B-"
                        "5D7F9A1C3E50/Menü.pdf",
                    samplePdf());
    store.setMergeableData(
        store.addAttachment(photoNote, "com.apple.notes.table", "7C3E5A1B-9D2F-4E6A-8C0B-1F3D5E7A9B2C"),
        encodeCompressedTable({{{"Sight", "Day | time"}, {"東京タワー 🗼", "Montag 10:00"}}}));

    // A locked note: its body is encrypted and stays unread.
    {
        SampleNote n = note("Bank details", std::string("\xDD\x80\x81\xD3 encrypted \x01\x02\x03", 17), 40, notes);
        n.passwordProtected = true;
        store.addNote(n);
    }
    // Locked with the device passcode (the newer scheme, no passphrase salt): no password opens it.
    {
        SampleNote n = note("Diary", cipherObjectArchive(false), 45, notes);
        n.passwordProtected = true;
        store.addNote(n);
    }
    addDrawingsAndScans(store, container, note("Sketches and scans", {}, 35, travel));
    // A note in the trash, marked for deletion.
    {
        SampleNote n = note("Old draft", compressedPlainBody("Old draft", "Thrown away, but still here."), 50, trash);
        n.markedForDeletion = true;
        store.addNote(n);
    }
    // Two notes with the same title, and a title that would leave the folder.
    store.addNote(note("Meeting notes", compressedPlainBody("Meeting notes", "Monday: budget review."), 60, notes));
    store.addNote(note("Meeting notes", compressedPlainBody("Meeting notes", "Tuesday: travel plans."), 70, notes));
    store.addNote(
        note("Plans 2024/2025: Q1", compressedPlainBody("Plans 2024/2025: Q1", "Slash and colon."), 80, notes));
    store.addNote(note("../../escape", compressedPlainBody("../../escape", "Stays inside the folder."), 90, notes));
    // Without title, and with an empty one.
    store.addNote(note(std::nullopt, encodeCompressedNoteBody({text("A note that never got a title.")}), 100, notes));
    store.addNote(note(std::string(), encodeCompressedNoteBody({text("Empty title, full text.")}), 110, notes));
    // A body beyond 1 MiB once inflated.
    {
        std::mt19937 random(options.seed);
        std::string big = generatedText(random, 1200 * 1024);
        big += "\nLAST LINE OF THE LONG NOTE";
        store.addNote(note("A very long note", compressedPlainBody("A very long note", big), 120, notes));
    }
    // Rows added later in the life of a note come after the notes made since.
    store.addAttachment(photoNote, "com.apple.m4a-audio", "4B6D8F0A-3C5E-4F7A-9B1D-2E4F6A8C0D31",
                        "F4D6B8A0-3E5F-4C7D-9F1B-2A4C6E8B0D32", "Tram bell.m4a");
    writeSampleFile(container / "Accounts/LocalAccount/Media/F4D6B8A0-3E5F-4C7D-9F1B-2A4C6E8B0D32/Tram bell.m4a",
                    "....ftypM4A sample sound");
    store.setLinkCard(store.addAttachment(photoNote, "public.url", "5C7E9A1B-4D6F-4A8B-8C2E-3F5A7B9D1E42"),
                      "https://www.zuerich.com/en/visit/attractions", "Attractions in Zürich & around");
    if (options.scale == Scale::large)
        addLargeScale(store, container, notes, account, options.seed);

    // Written after the last checkpoint: only the -wal file holds these, as when Notes is open.
    store.startWriteAheadPhase();
    store.addNote(
        note("Written a moment ago", compressedPlainBody("Written a moment ago", "Still in the WAL 📝"), 1, notes));
    store.addNote(note("Zuletzt geändert", compressedPlainBody("Zuletzt geändert", "Auch nur im WAL."), 2, travel));
    store.finish();
}

} // namespace varnholt::sample
