// The one file-name rule and the one way of keeping names apart, with each caller's limits.

#include "platform/FileNameRule.h"
#include "platform/UniqueNames.h"
#include "render/messages/ConversationFileNames.h"
#include "render/notes/TextFileNames.h"

#include <gtest/gtest.h>

using namespace varnholt;

namespace {
const FileNameRule kNotes = FileNameRule("Untitled", 180).droppingTrailingSpaces();
} // namespace

TEST(FileNameRule, ReplacesWhatCouldLeaveTheFolderOrMisleadTheReader)
{
    EXPECT_EQ(kNotes.apply("a/b\\c:d"), "a-b-c-d");
    const std::string controls("tab\tline\nnul\0del\x7F"
                               "nel\xC2\x85.",
                               23);
    EXPECT_EQ(kNotes.apply(controls), "tab-line-nul-del-nel-.");
    // Embeddings, overrides and isolates would make a listed name read as something else.
    EXPECT_EQ(kNotes.apply("evil\u202Etxt.exe \u202Ax\u202C \u2066y\u2069"), "evil-txt.exe -x- -y-");
    EXPECT_EQ(kNotes.apply("caf\xE9 \xF5\x80"), "caf\uFFFD \uFFFD\uFFFD") << "the name is valid UTF-8";
    // What real names are made of goes through untouched, whichever caller's variant.
    const std::string common = "Café Zürich 東京 🎉 👨‍👩‍👧 (2) +1 555-0100 me@example.org";
    EXPECT_EQ(kNotes.apply(common), common);
    EXPECT_EQ(sanitizeFilename(common), common);
    EXPECT_EQ(sanitizeFilename("a/b:c"), "a_b_c");
    EXPECT_EQ(sanitizeFilename("?%*|\"<>"), "_______") << "conversations also avoid what other systems refuse";
    EXPECT_EQ(kNotes.apply("?%*|\"<>"), "?%*|\"<>");
}

TEST(FileNameRule, NoNameIsEmptyHiddenOrAboveItsFolder)
{
    EXPECT_EQ(kNotes.apply(""), "Untitled");
    EXPECT_EQ(kNotes.apply("   "), "Untitled");
    EXPECT_EQ(kNotes.apply("Groceries  "), "Groceries");
    EXPECT_EQ(sanitizeFilename("Groceries  "), "Groceries  ") << "conversations keep their blanks";
    EXPECT_EQ(sanitizeFilename(""), "conversation");
    for (const FileNameRule& rule : {kNotes, FileNameRule("x", 255).replacingWith('_')}) {
        EXPECT_EQ(rule.apply("."), "_.");
        EXPECT_EQ(rule.apply(".."), "_..");
        EXPECT_EQ(rule.apply(".hidden"), "_.hidden") << "a leading dot would hide the file";
    }
    EXPECT_EQ(kNotes.apply("../../etc/passwd"), "_..-..-etc-passwd");
    EXPECT_EQ(sanitizeFilename("../../etc/passwd"), "_.._.._etc_passwd");
}

TEST(FileNameRule, CutsBetweenCharactersWithinEachCallersLimits)
{
    const FileNameRule ten("x", 10);
    EXPECT_EQ(ten.apply("abcdef🎉"), "abcdef🎉");
    EXPECT_EQ(ten.apply("abcdefg🎉"), "abcdefg") << "a four-byte character is never split";
    EXPECT_EQ(ten.apply(".abcdef🎉"), "_.abcdef") << "the dot prefix counts within the limit";
    EXPECT_EQ(FileNameRule("x", 3).apply("🎉"), "x");
    EXPECT_EQ(FileNameRule("x", 255).keepingAtMost(3).apply("🎉🎉🎉🎉"), "🎉🎉🎉");

    EXPECT_EQ(kNotes.apply(std::string(179, 'a') + "東"), std::string(179, 'a'));
    EXPECT_EQ(kNotes.apply("." + std::string(178, 'a') + "東"), "_." + std::string(178, 'a'));
    EXPECT_EQ(kNotes.apply(std::string(300, '.') + "x").size(), 180u);
    std::string accents;
    for (int i = 0; i < 5000; ++i)
        accents += "é";
    EXPECT_EQ(sanitizeFilename("a" + accents), "a" + accents.substr(0, 198));

    notesdb::Note note;
    note.id = 7;
    note.title = std::string(150, 'x');
    EXPECT_EQ(notesdb::TextFileNames::baseName(note), std::string(100, 'x')) << "100 characters";
    note.title = "";
    for (int i = 0; i < 150; ++i)
        *note.title += "東";
    EXPECT_EQ(notesdb::TextFileNames::baseName(note).size(), 198u) << "100 characters would be 300 bytes";
    note.title = std::nullopt;
    EXPECT_EQ(notesdb::TextFileNames::baseName(note), "Untitled_7");
}

TEST(UniqueNames, ClashesIgnoreCaseAndAreNumberedAsEachCallerDoes)
{
    UniqueNames attachments;
    EXPECT_EQ(attachments.claim("Photo", ".jpg"), "Photo.jpg");
    EXPECT_EQ(attachments.claim("photo", ".JPG"), "photo (2).JPG");
    EXPECT_EQ(attachments.claim("PHOTO", ".jpg"), "PHOTO (3).jpg");
    EXPECT_EQ(attachments.claim("Éclair"), "Éclair");
    EXPECT_EQ(attachments.claim("e\u0301CLAIR"), "e\u0301CLAIR (2)") << "one file on a Mac volume";

    UniqueNames onDisk([](const std::string& name) { return name == "Old page"; });
    EXPECT_EQ(onDisk.claim("Old page"), "Old page (2)");

    ConversationFileNames conversations;
    EXPECT_EQ(conversations.claim("Book Club", 8), "Book Club");
    EXPECT_EQ(conversations.claim("Book Club", 9), "Book Club (9)");
    EXPECT_EQ(conversations.claim("book club", 12), "book club (12)");
    EXPECT_EQ(conversations.claim("Book Club (9)", 13), "Book Club (9) (13)");
    EXPECT_EQ(conversations.claim("BOOK CLUB", 9), "BOOK CLUB (9-2)");
    EXPECT_EQ(conversations.claim("a:b", 2), "a_b");
    EXPECT_EQ(conversations.claim("a/b", 1), "a_b (1)");

    std::vector<notesdb::Note> notes(3);
    for (int i = 0; i < 3; ++i)
        notes[static_cast<size_t>(i)].id = 20 + i;
    notes[0].title = "Same/Title:";
    notes[1].title = "same-title-";
    notes[2].title = "SAME:TITLE/";
    EXPECT_EQ(notesdb::TextFileNames::reserve(notes),
              (std::vector<std::string>{"Same-Title-.txt", "same-title- (21).txt", "SAME-TITLE- (22).txt"}));
}
