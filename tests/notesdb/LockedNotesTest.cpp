#include "export/notesdb/NotesExporterFastDB.h"
#include "platform/Files.h"
#include "render/notes/NotePageRenderer.h"
#include "sample-home/LockedNoteSample.h"
#include "sample-home/SampleHome.h"
#include "sources/MacHomeSource.h"
#include "sources/notes/LockedNoteOpener.h"
#include "sources/notes/NoteBodyDecoder.h"
#include "sources/notesapp/NotesLibrary.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace varnholt;
using namespace varnholt::notesdb;
namespace fs = std::filesystem;
using Failure = LockedNoteOpener::Failure;

namespace {
std::string fromHex(std::string_view hex)
{
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    return out;
}

// The test vector published with apple_cloud_notes_parser, as a store would hold it.
LockedNoteCrypto vector()
{
    LockedNoteCrypto crypto;
    crypto.salt = fromHex("1165106b6b288bda1e6ecb18e65c7876");
    crypto.iterations = 20000;
    crypto.wrappedKey = fromHex("98c0e56b43b507e60c5465ec5e1bb0c74b756f7d4f4a9bff");
    crypto.initializationVector = fromHex("151f64de7be34d15dacdaea9b33471f9");
    crypto.tag = fromHex("806bf2bbd3bf83cf1240b03e7c4d6ab1");
    crypto.ciphertext = fromHex(
        "131b03571fc9ec47ef58e58e21fce5c10aa73a62b9e58a743bcdcc3aff1ea8ab9964f4535b8597735f3da5f6ae63b9370625a20d633e"
        "9cf2986d4d118989124f0ddfee956e47cb5cbc3617c520b075620b37ae4056f3a1af83351fda634dfb446055c75f7143a5600149db33"
        "3893c0ecb0ef3944e2a64542e9a4375bf152689858fed8b21aded0eab0afb11190");
    return crypto;
}

nlohmann::json lineTitled(const fs::path& out, const std::string& title)
{
    std::istringstream in(readFile(out / "notes.ndjson").value());
    for (std::string line; std::getline(in, line);) {
        auto object = nlohmann::json::parse(line);
        if (object["title"] == title)
            return object;
    }
    return {};
}
} // namespace

TEST(LockedNoteOpener, TheVectorOpensWithItsPasswordOnly)
{
    const LockedNoteCrypto crypto = vector();
    const auto opened = LockedNoteOpener({"root", "password"}).open(crypto);
    ASSERT_TRUE(opened.body);
    const auto document = NoteBodyDecoder::decodeNoteDocument(*opened.body);
    ASSERT_TRUE(document);
    EXPECT_EQ(document->text, "Encrypted title\n\nEncrypted body");

    EXPECT_EQ(LockedNoteOpener({"passwordfake", "Password"}).open(crypto).failure, Failure::wrongPassword);
    EXPECT_EQ(LockedNoteOpener({}).open(crypto).failure, Failure::noPassword);
    LockedNoteCrypto badTag = crypto;
    badTag.tag[3] ^= 0x40;
    EXPECT_EQ(LockedNoteOpener({"password"}).open(badTag).failure, Failure::damaged);
    LockedNoteCrypto noIv = crypto;
    noIv.initializationVector.clear();
    EXPECT_EQ(LockedNoteOpener({"password"}).open(noIv).failure, Failure::missingColumns);
    LockedNoteCrypto newer = crypto;
    newer.iterations = 0;
    newer.ciphertext = "bplist00...";
    EXPECT_EQ(LockedNoteOpener({"password"}).open(newer).failure, Failure::otherScheme);
    LockedNoteCrypto huge = crypto;
    huge.iterations = std::int64_t{1} << 40;
    EXPECT_EQ(LockedNoteOpener({"password"}).open(huge).failure, Failure::damaged);
    EXPECT_EQ(LockedNoteOpener::explain(Failure::wrongPassword, 2), "none of the 2 passwords given opens it");
}

TEST(LockedNoteOpener, ALockIsAPasswordOnlyWhereTheNoteKeepsASalt)
{
    EXPECT_EQ(LockedNoteOpener::lockOf(vector()), LockKind::password) << "the classic salt and iteration count";
    LockedNoteCrypto newer;
    newer.ciphertext = sample::cipherObjectArchive(true);
    EXPECT_EQ(LockedNoteOpener::lockOf(newer), LockKind::password) << "the passphrase salt in the metadata";
    newer.ciphertext = sample::cipherObjectArchive(false);
    EXPECT_EQ(LockedNoteOpener::lockOf(newer), LockKind::devicePasscode);
    EXPECT_EQ(LockedNoteOpener({"tbull"}).open(newer).failure, Failure::devicePasscode);
    EXPECT_EQ(LockedNoteOpener({}).open(newer).failure, Failure::devicePasscode) << "said even without passwords";

    // Where the note tells nothing, its account's setting does.
    LockedNoteCrypto bare;
    EXPECT_EQ(LockedNoteOpener::lockOf(bare), LockKind::unknown);
    bare.ciphertext = "bplist00 but damaged";
    bare.accountLockedNotesMode = 1;
    EXPECT_EQ(LockedNoteOpener::lockOf(bare), LockKind::unknown);
    bare.accountLockedNotesMode = 2;
    EXPECT_EQ(LockedNoteOpener::lockOf(bare), LockKind::devicePasscode);
}

// The sample's "Bank details" has no crypto data (its lock is unknown), "Diary" is locked with the
// device passcode: both stay locked, the export succeeds, and each is named as what it is.
TEST(LockedNotes, SampleHomeNamesEachLockInBothMethods)
{
    test::TempDir dir;
    sample::buildSampleHome(dir / "home");
    test::TraceCapture trace;
    NotesExporterFastDB exporter({}, MacHomeSource::make((dir / "home").string()));
    exporter.setPasswords({"anything"});
    exporter.exportTo((dir / "out").string(), {ExportFormat::json, ExportFormat::html});
    const auto lines = trace.linesStartingWith("[FastDB] \U0001F512 The note ");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "[FastDB] \U0001F512 The note \u201cBank details\u201d (14) stays locked: the store lacks the "
                        "data needed to open it");
    EXPECT_EQ(lines[1],
              "[FastDB] \U0001F512 The note \u201cDiary\u201d (15) stays locked: it is locked with the device "
              "passcode, which a password cannot open (remove the lock on the device to export its text)");
    const nlohmann::json bank = lineTitled(dir / "out", "Bank details");
    EXPECT_EQ(bank["lock"], "unknown");
    EXPECT_EQ(bank["body_text"], "");
    EXPECT_EQ(lineTitled(dir / "out", "Diary")["lock"], "device_passcode");
    EXPECT_EQ(readFile(dir / "out/txt/Bank details.txt"), "Note is locked or empty");
    EXPECT_EQ(readFile(dir / "out/txt/Diary.txt"),
              "Note is locked with the device passcode; a password cannot open it");

    auto library = notesapp::NotesLibrary::open(MacHomeSource((dir / "home").string()));
    for (const Note& note : library.readAll()) {
        if (!note.isLocked)
            continue;
        const std::string placeholder = note.title == "Diary"
                                            ? "This note is locked with the device passcode; a password cannot open it."
                                            : "This note is locked.";
        EXPECT_NE(notesapp::NotePageRenderer::render(note, "x").html.find("<div>" + placeholder + "</div>"),
                  std::string::npos);
    }
}
