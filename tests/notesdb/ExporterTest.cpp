#include "cli/CommandLine.h"
#include "export/ExportManager.h"
#include "export/notesdb/NotesExporterFastDB.h"
#include "platform/DomainError.h"
#include "platform/ManualMainQueue.h"
#include "sample-home/NoteBodyEncoder.h"
#include "sample-home/NoteStoreBuilder.h"
#include "sample-home/NotesSample.h"
#include "sources/MacHomeSource.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

using namespace varnholt;
namespace fs = std::filesystem;
using nlohmann::json;

namespace {
struct Report {
    double fraction;
    std::string message;
};

std::string contents(const fs::path& path)
{
    return readFile(path).value();
}

std::set<std::string> fileNames(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

int codeOf(const std::function<void()>& action, std::string* description = nullptr)
{
    try {
        action();
    } catch (const DomainError& e) {
        if (description)
            *description = e.description();
        return e.code();
    }
    return 0;
}

// A home whose store holds the given titles, each note's body naming its index.
void buildTitledHome(const fs::path& home, const std::vector<std::optional<std::string>>& titles)
{
    const fs::path container = sample::notesContainer(home);
    fs::create_directories(container);
    sample::NoteStoreBuilder store(container / "NoteStore.sqlite");
    store.beginTransaction();
    for (size_t i = 0; i < titles.size(); ++i) {
        sample::SampleNote note;
        note.title = titles[i];
        note.body = sample::compressedPlainBody(titles[i].value_or(""), "body " + std::to_string(i));
        note.modified = 1000000.0 - static_cast<double>(i); // keeps the titles' order
        store.addNote(note);
    }
    store.commit();
    store.finish();
}
} // namespace

TEST(NotesExporterFastDB, ExportsTheSampleHomeCompletely)
{
    test::TempDir dir;
    const fs::path home = dir / "home";
    sample::buildNotes(home, {});
    fs::create_directories(dir / "tmp");

    std::vector<Report> reports;
    test::TraceCapture trace;
    NotesExporterFastDB exporter(
        [&](double f, const std::string& m) {
            reports.push_back({f, m});
        },
        MacHomeSource::make(home.string()), {}, {}, dir / "tmp");
    exporter.exportTo((dir / "out").string(), {ExportFormat::html, ExportFormat::json});

    std::vector<std::string> messages;
    for (const Report& report : reports)
        messages.push_back(report.message);
    EXPECT_EQ(messages, (std::vector<std::string>{
                            "Checking that the Notes database can be read...", "Opening database...",
                            "Detecting schema version...", "Querying notes...", "Loading attachments...",
                            "Extracting text from 16 notes...", "Exporting to NDJSON...", "Exporting HTML files...",
                            "Exporting 16 text files...", "Processing batch 1 of 1", "Exported 16 notes to NDJSON",
                            "Finalizing export...", "Export complete: 16 notes"}));
    EXPECT_DOUBLE_EQ(reports.back().fraction, 1.0);
    EXPECT_TRUE(trace.contains("[FastDB] Found 16 notes"));
    EXPECT_EQ(
        trace
            .linesStartingWith("[FastDB] ⚠️ Nothing to show for the image 6A11E2F0-0106-4A00-8000-00000000A106 "
                               "in note 16: the store has neither its file")
            .size(),
        1u);
    EXPECT_TRUE(
        trace.contains("[FastDB] ⚠️ The scanned document or gallery 6A11E2F0-0006-4A00-8000-00000000A006 in "
                       "note 16 has no page images in the store; it is exported as a placeholder"));

    const std::set<std::string> expectedNames{
        "_..-..-escape.txt", "A very long note.txt",    "Bank details.txt",         "Café in Zürich — 東京の思い出.txt",
        "Diary.txt",         "Formatting showcase.txt", "Meeting notes.txt",        "Meeting notes (34).txt",
        "Old draft.txt",     "Plans 2024-2025- Q1.txt", "Shopping list 🛒.txt",   "Sketches and scans.txt",
        "Untitled_37.txt",   "Untitled_38.txt",         "Written a moment ago.txt", "Zuletzt geändert.txt"};
    EXPECT_EQ(fileNames(dir / "out/txt"), expectedNames);
    const fs::path txt = dir / "out/txt";
    EXPECT_TRUE(contents(txt / "Sketches and scans.txt").ends_with("Filed under #Reisen for @Ada Byron."));
    EXPECT_EQ(contents(txt / "Shopping list 🛒.txt"),
              "Shopping list 🛒\nMilk 🥛\nBread 🍞\nÄpfel und Birnen\nCoffee ☕️");
    const std::string longNote = contents(txt / "A very long note.txt");
    EXPECT_GT(longNote.size(), 1024u * 1024u);
    EXPECT_TRUE(longNote.ends_with("LAST LINE OF THE LONG NOTE"));
    EXPECT_EQ(contents(txt / "Written a moment ago.txt"), "Written a moment ago\nStill in the WAL 📝");

    const std::string ndjson = contents(dir / "out/notes.ndjson");
    EXPECT_NE(ndjson.back(), '\n');
    std::vector<json> lines;
    std::istringstream in(ndjson);
    for (std::string line; std::getline(in, line);)
        lines.push_back(json::parse(line));
    ASSERT_EQ(lines.size(), 16u);
    EXPECT_EQ(lines[0]["title"], "Written a moment ago") << "newest first, and the WAL's notes are there";
    for (const json& line : lines) {
        EXPECT_EQ(line["account"], "On My Mac");
        if (line["title"] == "Café in Zürich — 東京の思い出") {
            EXPECT_EQ(line["folder"], "Reisen ✈️");
            ASSERT_EQ(line["attachments"].size(), 5u);
            EXPECT_EQ(line["attachments"][1]["filename"], "Menü.pdf");
            std::vector<std::string> kinds;
            for (const json& attachment : line["attachments"])
                kinds.push_back(attachment["kind"]);
            EXPECT_EQ(kinds, (std::vector<std::string>{"image", "pdf", "table", "audio", "link"}));
            EXPECT_EQ(line["attachments"][4]["url"], "https://www.zuerich.com/en/visit/attractions");
            EXPECT_EQ(line["attachments"][4]["title"], "Attractions in Zürich & around");
            EXPECT_EQ(line["tables"], json::parse(R"([[["Sight","Day | time"],["東京タワー 🗼","Montag 10:00"]]])"));
            EXPECT_TRUE(
                fs::is_regular_file(fs::path(line["attachments"][1]["directory"].get<std::string>()) / "Menü.pdf"));
        }
        if (line["title"] == "Sketches and scans") {
            // Each kind, where its shown file comes from, and what a page or a hashtag adds.
            std::vector<std::string> kinds;
            for (const json& attachment : line["attachments"])
                kinds.push_back(attachment["kind"].get<std::string>() + " " + attachment.value("file_source", "-") +
                                " " + attachment.value("gallery", attachment.value("text", "-")));
            const std::string receipt = "6A11E2F0-0004-4A00-8000-00000000A004";
            const std::string lost = "6A11E2F0-0006-4A00-8000-00000000A006";
            EXPECT_EQ(kinds,
                      (std::vector<std::string>{"drawing fallback_image -", "drawing fallback_image -",
                                                "drawing preview -", "gallery - -", "image fallback_image " + receipt,
                                                "image original " + receipt, "scan fallback_pdf -", "gallery - -",
                                                "image - " + lost, "hashtag - #Reisen", "mention - @Ada Byron"}));
            EXPECT_TRUE(line["attachments"][2]["stand_in_file"].get<std::string>().ends_with(
                "-2-288x216-0/1_5A11000-0000-4000-8000-000000000288/Preview.png"))
                << "the largest preview";
            for (const json& attachment : line["attachments"])
                EXPECT_TRUE(!attachment.contains("stand_in_file") ||
                            fs::is_regular_file(attachment["stand_in_file"].get<std::string>()));
        }
        if (line["title"] == "Old draft") {
            EXPECT_TRUE(line["is_deleted"] == true && line["folder"] == "Recently Deleted");
        }
        if (line["title"] == "Shopping list 🛒") {
            EXPECT_EQ(line["is_pinned"], true);
        }
    }

    // The private copy is gone.
    EXPECT_TRUE(fs::is_empty(dir / "tmp"));
}

TEST(NotesExporterFastDB, FormatsAndFailures)
{
    test::TempDir dir;
    const fs::path home = dir / "home";
    buildTitledHome(home, {"One", "Two"});
    std::string last;
    NotesExporterFastDB exporter([&](double, const std::string& m) { last = m; }, MacHomeSource::make(home.string()));
    exporter.exportTo((dir / "json").string(), {});
    EXPECT_TRUE(fs::exists(dir / "json/notes.ndjson"));
    EXPECT_FALSE(fs::exists(dir / "json/txt"));
    EXPECT_EQ(last, "Export complete: 2 notes");
    exporter.exportTo((dir / "none").string(), {ExportFormat::pdf});
    EXPECT_TRUE(fs::is_empty(dir / "none"));

    std::string description;
    NotesExporterFastDB denied({}, MacHomeSource::make(home.string()), {}, [](const std::string&) { return false; });
    EXPECT_EQ(codeOf([&] { denied.exportTo((dir / "denied").string(), {}); }, &description), 1);
    EXPECT_EQ(description, "Cannot read the Notes database at " + home.string() +
                               "/Library/Group Containers/group.com.apple.notes/NoteStore.sqlite: your user has no "
                               "permission to read it. Give your user read permission on it and the folders above "
                               "it, mount the disk that holds it, or point --source at a Mac home folder or iPhone "
                               "backup that holds it.");
    EXPECT_FALSE(fs::exists(dir / "denied"));

    NotesExporterFastDB missing({}, MacHomeSource::make((dir / "nohome").string()));
    EXPECT_EQ(codeOf([&] { missing.exportTo((dir / "missing").string(), {}); }, &description), 2);
    EXPECT_EQ(description, "Notes database not found at expected location");

    const fs::path other = dir / "other";
    {
        auto db =
            Database::open(sample::notesContainer(other).string() + "/NoteStore.sqlite",
                           (fs::create_directories(sample::notesContainer(other)), Database::Mode::ReadWriteCreate));
        ASSERT_TRUE(db && db->exec("CREATE TABLE unrelated (x);"));
    }
    NotesExporterFastDB neither({}, MacHomeSource::make(other.string()));
    EXPECT_EQ(codeOf([&] { neither.exportTo((dir / "neither").string(), {}); }), 3);

    // A store cut short fails with a database error, not a crash and not an empty success.
    const fs::path cut = dir / "cut";
    buildTitledHome(cut, std::vector<std::optional<std::string>>(300, std::string(400, 'w')));
    const fs::path cutStore = sample::notesContainer(cut) / "NoteStore.sqlite";
    const std::string whole = contents(cutStore);
    ASSERT_TRUE(writeFile(cutStore, std::string_view(whole).substr(0, whole.size() / 2)));
    NotesExporterFastDB truncated({}, MacHomeSource::make(cut.string()));
    const int code = codeOf([&] { truncated.exportTo((dir / "cut-out").string(), {}); });
    EXPECT_TRUE(code == 7 || code == 10) << code;
    EXPECT_FALSE(fs::exists(dir / "cut-out/notes.ndjson")) << "no half-written NDJSON";

    // A text file that cannot be written fails the export after the others are written.
    fs::create_directories(dir / "blocked/txt/One.txt");
    NotesExporterFastDB blocked({}, MacHomeSource::make(home.string()));
    EXPECT_EQ(codeOf([&] { blocked.exportTo((dir / "blocked").string(), {ExportFormat::html}); }, &description), 9);
    EXPECT_NE(description.find("1 of 2 text files"), std::string::npos) << description;
    EXPECT_EQ(contents(dir / "blocked/txt/Two.txt"), "Two\nbody 1");
}

TEST(NotesExporterFastDB, NamesNeverCollideOrLeaveTheFolder)
{
    test::TempDir dir;
    std::vector<std::optional<std::string>> titles(250, std::string("Same/Title:"));
    titles.push_back(std::string(5000, 'x'));
    titles.push_back(std::string(300, '/') + "::");
    std::string cjk;
    for (int i = 0; i < 150; ++i)
        cjk += "東";
    titles.push_back(cjk); // 100 characters would be 300 bytes, beyond what a file name may hold
    titles.push_back(std::string("line\nbreak\ttab"));
    titles.push_back(std::string("same/title:")); // differs only in case
    buildTitledHome(dir / "home", titles);

    std::vector<Report> batches;
    NotesExporterFastDB exporter(
        [&](double f, const std::string& m) {
            if (m.rfind("Processing batch", 0) == 0)
                batches.push_back({f, m});
        },
        MacHomeSource::make((dir / "home").string()));
    exporter.exportTo((dir / "out").string(), {ExportFormat::html});

    const fs::path txt = dir / "out/txt";
    const std::set<std::string> names = fileNames(txt);
    ASSERT_EQ(names.size(), titles.size()) << "every note has a file of its own";
    std::set<std::string> bodies;
    for (const std::string& name : names) {
        EXPECT_LE(name.size(), 255u);
        EXPECT_EQ(name.find_first_of("/:\n\t"), std::string::npos) << name;
        bodies.insert(contents(txt / name));
    }
    EXPECT_EQ(bodies.size(), titles.size());
    EXPECT_TRUE(names.count("Same-Title-.txt"));
    EXPECT_TRUE(names.count(std::string(100, 'x') + ".txt"));
    EXPECT_EQ(contents(txt / "Same-Title-.txt"), "Same/Title:\nbody 0") << "the first note keeps the plain name";

    ASSERT_EQ(batches.size(), 3u);
    EXPECT_EQ(batches[2].message, "Processing batch 3 of 3");
    EXPECT_NEAR(batches[1].fraction, 0.5 + 0.4 / 3, 1e-9);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "out"), {}), 1) << "nothing beside txt";
}

TEST(NotesExporterFastDB, StreamsManyNotesInOrderAndStopsBetweenBatches)
{
    test::TempDir dir;
    std::vector<std::optional<std::string>> titles;
    for (int i = 0; i < 950; ++i)
        titles.push_back("n" + std::to_string(i));
    buildTitledHome(dir / "home", titles);

    // More notes than one round of batches: every line, in the store's order.
    NotesExporterFastDB whole({}, MacHomeSource::make((dir / "home").string()));
    whole.exportTo((dir / "whole").string(), {ExportFormat::json});
    std::istringstream lines(contents(dir / "whole/notes.ndjson"));
    size_t index = 0;
    for (std::string line; std::getline(lines, line); ++index)
        ASSERT_EQ(nlohmann::json::parse(line)["title"], "n" + std::to_string(index));
    EXPECT_EQ(index, titles.size());

    std::stop_source stop;
    std::vector<std::string> messages;
    NotesExporterFastDB exporter(
        [&](double, const std::string& m) {
            messages.push_back(m);
            if (m == "Processing batch 5 of 10")
                stop.request_stop();
        },
        MacHomeSource::make((dir / "home").string()), stop.get_token());
    exporter.exportTo((dir / "out").string(), {ExportFormat::html, ExportFormat::json});
    EXPECT_FALSE(fs::exists(dir / "out/notes.ndjson")) << "a stopped export leaves no half NDJSON";
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "out/txt"), {}), 400) << "the first round is written";
    EXPECT_EQ(messages.back(), "Processing batch 5 of 10");
}

TEST(NotesDispatch, FastBranchRunsThroughTheManagerAndTheCommandLine)
{
    test::TempDir dir;
    const fs::path home = dir / "home";
    buildTitledHome(home, {"Alpha", std::nullopt});

    ManualMainQueue queue;
    test::TraceCapture trace;
    ExportManager manager(queue);
    std::optional<ExportManager::Outcome> outcome;
    manager.addOutcomeObserver([&](ExportManager::Outcome o) { outcome = o; });
    ExportOptions options;
    options.type = ExporterType::notes;
    options.outputPath = (dir / "managed").string();
    options.useFastMode = true;
    options.isDryRun = true;
    options.testModeLimit = 1; // the fast method ignores it
    options.sourceHome = home.string();
    manager.startExport(options);
    ASSERT_TRUE(queue.runUntil([&] { return outcome.has_value(); }));
    EXPECT_EQ(*outcome, ExportManager::Outcome::completed);
    EXPECT_TRUE(trace.contains("[Varnholt] Fast mode progress: 100% - Dry run complete: 2 notes"));
    EXPECT_EQ(manager.exportSummary(), "Dry run complete: 2 notes");
    EXPECT_FALSE(fs::exists(dir / "managed")) << "a dry run writes nothing";

    outcome.reset();
    options.isDryRun = false;
    manager.startExport(options);
    ASSERT_TRUE(queue.runUntil([&] { return outcome.has_value(); }));
    EXPECT_EQ(*outcome, ExportManager::Outcome::completed);
    EXPECT_TRUE(trace.contains("[Varnholt] Fast mode progress: 100% - Export complete: 2 notes"));
    EXPECT_TRUE(fs::exists(dir / "managed/notes.ndjson"));

    std::ostringstream out, err;
    EXPECT_EQ(cli::run({"varnholt", "--home", home.string(), "notes", "--fast", "--format", "json,pdf"}, {out, err}),
              cli::badUsage);
    fs::create_directories(dir / "empty-home");
    std::vector<std::string> args{"varnholt", "--home", (dir / "empty-home").string(), "notes",
                                  "--fast",   "--out",  (dir / "x").string()};
    EXPECT_EQ(cli::run(args, {out, err}), cli::exportFailed);
    EXPECT_NE(err.str().find("Notes database not found at expected location"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find((dir / "empty-home").string() +
                             "/Library/Group Containers/group.com.apple.notes/NoteStore.sqlite"),
              std::string::npos);
}
