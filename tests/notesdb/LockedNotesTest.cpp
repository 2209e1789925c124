#include "export/notesdb/NotesExporterFastDB.h"
#include "platform/Files.h"
#include "render/notes/NotesHtmlWriter.h"
#include "sample-home/SampleHome.h"
#include "sources/MacHomeSource.h"
#include "sources/notes/LockedNoteOpener.h"
#include "sources/notes/NoteBodyDecoder.h"
#include "sources/notesapp/NotesLibrary.h"
#include "support/RealData.h"
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

fs::path homeWithStore(const fs::path& home, const fs::path& store)
{
    const fs::path container = home / "Library/Group Containers/group.com.apple.notes";
    test::copyDatabase(store, container);
    fs::rename(container / store.filename(), container / "NoteStore.sqlite");
    return home;
}

nlohmann::json lockedLine(const fs::path& out)
{
    std::istringstream in(readFile(out / "notes.ndjson").value());
    for (std::string line; std::getline(in, line);) {
        auto object = nlohmann::json::parse(line);
        if (object["is_locked"] == true)
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

TEST(LockedNotes, RealStoresOpenWithTheirPasswordInBothMethods)
{
    VARNHOLT_REQUIRE_REALDATA(real);
    const fs::path base = real / "RhetTbull_apple-notes-parser";
    for (const char* store : {"NoteStore-macOS-12-Monterey.sqlite", "NoteStore-macOS-13-Ventura.sqlite",
                              "NoteStore-macOS-14-Sonoma.sqlite"}) {
        SCOPED_TRACE(store);
        const bool classic = std::string(store).find("-14-") == std::string::npos;
        test::TempDir dir;
        const fs::path home = homeWithStore(dir / "home", base / store);
        for (const std::vector<std::string>& passwords :
             {std::vector<std::string>{"wrong", "tbull"}, std::vector<std::string>{"wrong"}}) {
            const bool opens = classic && passwords.size() == 2;
            test::TraceCapture trace;
            NotesExporterFastDB exporter({}, MacHomeSource::make(home.string()));
            exporter.setPasswords(passwords);
            const fs::path out = dir / ("out" + std::to_string(passwords.size()));
            exporter.exportTo(out.string(), {ExportFormat::json, ExportFormat::html});
            const nlohmann::json locked = lockedLine(out);
            EXPECT_EQ(locked["title"], "This note is password protected");
            EXPECT_EQ(locked["body_text"], opens ? "This note is password protected\n\nThis is a secret!" : "");
            const auto lines = trace.linesStartingWith("[FastDB] \U0001F512 The note \u201cThis note is password "
                                                       "protected\u201d");
            ASSERT_EQ(lines.size(), opens ? 0u : 1u);
            if (!opens) {
                EXPECT_NE(lines[0].find(classic ? "the password given does not open it" : "macOS 14 and later"),
                          std::string::npos)
                    << lines[0];
            }

            const auto library =
                notesapp::NotesLibrary::open(MacHomeSource(home.string()), defaultReadabilityProbe(), {},
                                             notesapp::NotesLibrary::Content::everything, {}, passwords);
            const auto note =
                std::find_if(library.notes().begin(), library.notes().end(), [](const Note& n) { return n.isLocked; });
            ASSERT_NE(note, library.notes().end());
            const std::string page =
                notesapp::NotesHtmlWriter(library, dir / "pages").renderPage(*note, "x", dir / "x");
            EXPECT_EQ(page.find("<div>This is a secret!</div>") != std::string::npos, opens) << page;
            EXPECT_EQ(page.find(notesapp::NotesHtmlWriter::kLockedPlaceholder) != std::string::npos, !opens);
        }
    }
}

TEST(LockedNotes, ALockedNoteWithoutItsCryptoColumnsStaysLockedAndTheExportSucceeds)
{
    test::TempDir dir;
    sample::buildSampleHome(dir / "home");
    test::TraceCapture trace;
    NotesExporterFastDB exporter({}, MacHomeSource::make((dir / "home").string()));
    exporter.setPasswords({"anything"});
    exporter.exportTo((dir / "out").string(), {ExportFormat::json});
    const auto lines = trace.linesStartingWith("[FastDB] \U0001F512 The note ");
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines[0].find("stays locked: the store lacks the data needed to open it"), std::string::npos) << lines[0];
    EXPECT_EQ(lockedLine(dir / "out")["body_text"], "");
}
