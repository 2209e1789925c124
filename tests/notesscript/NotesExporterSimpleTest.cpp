#include "export/notesscript/NotesExporterSimple.h"
#include "export/notesscript/HtmlFileCounter.h"
#include "export/notesscript/NotesScriptHost.h"
#include "export/notesscript/OutputPostProcessing.h"
#include "model/ExportError.h"
#include "platform/Files.h"
#include "sample-home/SampleFiles.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <condition_variable>
#include <gtest/gtest.h>
#include <regex>

using namespace varnholt;
namespace fs = std::filesystem;

namespace {

// A stand-in export script: writes one note file each time the exporter pauses between polls.
class FakeScript : public ScriptProcess {
public:
    FakeScript(std::string destination, int notes, int exitStatus)
        : m_destination(std::move(destination)), m_notes(notes), m_exitStatus(exitStatus)
    {
    }

    void step()
    {
        std::lock_guard lock(m_mutex);
        if (m_exited)
            return;
        if (m_written < m_notes) {
            ++m_written;
            const fs::path folder = fs::path(m_destination) / "iCloud" / "Notes";
            sample::writeSampleFile(folder / ("Note " + std::to_string(m_written) + ".html"), "<p>note</p>");
            fs::create_directories(folder / ("Note " + std::to_string(m_written) + "_files"));
        }
        if (m_written == m_notes)
            exit(m_exitStatus);
    }

    bool isRunning() override
    {
        std::lock_guard lock(m_mutex);
        return !m_exited;
    }
    void terminate() override { signal("TERM", 15); }
    void interrupt() override { signal("INT", std::nullopt); }
    void kill() override { signal("KILL", 137); } // for a script that ignores the other two
    int wait() override
    {
        std::unique_lock lock(m_mutex);
        m_exitedSignal.wait(lock, [this] { return m_exited; });
        return m_status;
    }

    std::vector<std::string> signals;

private:
    void signal(const std::string& name, std::optional<int> exitStatus)
    {
        std::lock_guard lock(m_mutex);
        signals.push_back(name);
        if (exitStatus)
            exit(*exitStatus);
    }
    void exit(int status)
    {
        if (m_exited)
            return;
        m_exited = true;
        m_status = status;
        m_exitedSignal.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_exitedSignal;
    std::string m_destination;
    int m_notes;
    int m_exitStatus;
    int m_written = 0;
    bool m_exited = false;
    int m_status = 0;
};

std::string destinationOf(const std::string& script)
{
    std::smatch match;
    std::regex line("set destRootPOSIX to \"([^\"]*)\"");
    return std::regex_search(script, match, line) ? match[1].str() : "";
}

struct Fixture {
    explicit Fixture(long long notesInLibrary, int scriptNotes = -1, int exitStatus = 0)
    {
        sample::writeSampleFile(dir / "export_notes.applescript",
                                "tell application \"Notes\"\nset destRootPOSIX to \"/Users/tolvane/notes_export_\" & "
                                "dateStamp & \"/\"\nset n_name to name of n\nend tell");
        services.scriptHost =
            std::make_shared<NotesScriptHost>([notesInLibrary]() -> std::optional<NotesLibraryCounts> {
                return NotesLibraryCounts{notesInLibrary, 1};
            });
        services.scriptResource = [this] { return (dir / "export_notes.applescript").string(); };
        services.osascriptPath = "/usr/bin/osascript";
        const int toWrite = scriptNotes < 0 ? static_cast<int>(notesInLibrary) : scriptNotes;
        services.launch =
            [this, toWrite, exitStatus](
                const std::string& executable,
                const std::vector<std::string>& args) -> tl::expected<std::shared_ptr<ScriptProcess>, std::string> {
            launchedWith = {executable};
            launchedWith.insert(launchedWith.end(), args.begin(), args.end());
            script = std::make_shared<FakeScript>(destinationOf(args.at(1)), toWrite, exitStatus);
            return script;
        };
        services.pause = [this](std::chrono::milliseconds, std::stop_token) {
            ++pauses;
            now += std::chrono::milliseconds(500);
            if (script)
                script->step();
        };
        services.now = [this] { return now; };
        services.runCommand = [this](const std::string& executable, const std::vector<std::string>& args) {
            commands.push_back(executable + " " + args.at(0) + " " + args.at(1));
            return std::optional<int>(0);
        };
        services.convertFormats = [this](const std::string& out, const ExportFormatSet& formats,
                                         std::optional<long long> limit, const ProgressHandler&) {
            conversions.push_back({out, formats, limit});
            return 7LL;
        };
    }

    void run(const ExportFormatSet& formats, std::optional<long long> limit = std::nullopt, DryRun dry = DryRun::no,
             std::stop_token stop = {})
    {
        NotesExporterSimple exporter(services, stop);
        exporter.exportTo(out(), dry, formats, limit, [this](double f, const std::string& m) {
            fractions.push_back(f);
            messages.push_back(m);
        });
    }

    std::string out() const { return (dir / "out").string(); }

    struct Conversion {
        std::string out;
        ExportFormatSet formats;
        std::optional<long long> limit;
    };

    test::TempDir dir;
    NotesExporterSimple::Services services;
    std::shared_ptr<FakeScript> script;
    std::vector<std::string> launchedWith;
    std::chrono::steady_clock::time_point now{};
    int pauses = 0;
    std::vector<std::string> commands;
    std::vector<Conversion> conversions;
    std::vector<double> fractions;
    std::vector<std::string> messages;
};

} // namespace

TEST(NotesExporterSimple, HtmlOnlyRunsTheScriptAndTidiesUp)
{
    Fixture f(3);
    test::TraceCapture trace;
    f.run({ExportFormat::html});

    ASSERT_EQ(f.launchedWith.size(), 3u);
    EXPECT_EQ(f.launchedWith[0], "/usr/bin/osascript");
    EXPECT_EQ(f.launchedWith[1], "-e");
    EXPECT_NE(f.launchedWith[2].find("set destRootPOSIX to \"" + f.out() + "/\""), std::string::npos);

    EXPECT_EQ(f.messages.front(), "Counting notes...");
    EXPECT_EQ(f.messages[1], "Starting export of 3 notes...");
    EXPECT_EQ(f.messages[2], "Exporting notes... (0/3)");
    // The script starts on its own thread, so the number of polls before the first note varies.
    const auto first = std::find_if(f.messages.begin(), f.messages.end(),
                                    [](const std::string& m) { return m.find("(1/3)") != std::string::npos; });
    ASSERT_NE(first, f.messages.end());
    EXPECT_TRUE(std::regex_match(
        *first, std::regex("Exporting notes\\.\\.\\. \\(1/3\\) \u2022 ~\\d+ (seconds|minutes) remaining")))
        << *first;
    EXPECT_DOUBLE_EQ(f.fractions[first - f.messages.begin()], 0.1 + (1.0 / 3.0) * 0.85);
    EXPECT_EQ(f.messages[f.messages.size() - 2], "Cleaning up empty folders...");
    EXPECT_EQ(f.messages.back(), "Export complete! 3 notes exported");
    EXPECT_EQ(countHTMLFiles(f.out()), 3);
    EXPECT_FALSE(fs::exists(fs::path(f.out()) / "iCloud/Notes/Note 1_files"));
    EXPECT_TRUE(trace.contains("[NotesExporter] Removed empty folder: " + f.out() + "/iCloud/Notes/Note 1_files"));
    EXPECT_TRUE(f.conversions.empty());
    EXPECT_TRUE(f.commands.empty());
}

TEST(NotesExporterSimple, LimitStopsTheScriptAtAPoll)
{
    Fixture f(10);
    test::TraceCapture trace;
    f.run({ExportFormat::html, ExportFormat::pdf}, 2);
    EXPECT_EQ(f.messages[1], "Starting export of 2 notes (DEBUG MODE: limited to 2)...");
    EXPECT_EQ(f.script->signals.front(), "TERM");
    EXPECT_TRUE(trace.contains("[NotesExporter] Debug limit reached, terminating AppleScript export"));
    EXPECT_NE(f.launchedWith[2].find("set globalDebugLimit to 2"), std::string::npos);
    EXPECT_NE(f.launchedWith[2].find("set destRootPOSIX to \"" + f.out() + "/html/\""), std::string::npos);
    ASSERT_EQ(f.conversions.size(), 1u);
    EXPECT_EQ(f.conversions[0].limit, 2);
    EXPECT_EQ(f.messages.back(), "Export complete! 2 notes exported");

    Fixture big(3);
    big.run({ExportFormat::html}, 50);
    EXPECT_EQ(big.messages[1], "Starting export of 3 notes (DEBUG MODE: limited to 50)...");

    Fixture zero(3);
    zero.run({ExportFormat::html}, 0);
    EXPECT_EQ(zero.messages.back(), "Export complete! 0 notes exported");
}

TEST(NotesExporterSimple, ExitStatusDecidesSuccess)
{
    Fixture failed(2, 1, 1);
    try {
        failed.run({ExportFormat::html});
        FAIL() << "expected the script failure";
    } catch (const ExportError& e) {
        EXPECT_EQ(e.kind(), ExportError::Kind::scriptExecutionFailed);
        EXPECT_EQ(e.description(), "Script exited with code 1");
    }
    EXPECT_EQ(countHTMLFiles(failed.out()), 1) << "nothing is cleaned up after a failed script";

    Fixture terminated(2, 2, 15);
    terminated.run({ExportFormat::html});
    EXPECT_EQ(terminated.messages.back(), "Export complete! 2 notes exported");

    Fixture unlaunchable(2);
    unlaunchable.services.launch =
        [](const std::string&,
           const std::vector<std::string>&) -> tl::expected<std::shared_ptr<ScriptProcess>, std::string> {
        return tl::unexpected(std::string("No such file"));
    };
    EXPECT_THROW(unlaunchable.run({ExportFormat::html}), Error);
}

TEST(NotesExporterSimple, EmptyLibraryDryRunAndPermission)
{
    Fixture empty(0);
    empty.run({ExportFormat::html});
    EXPECT_EQ(empty.messages, (std::vector<std::string>{"Counting notes...", "No notes found"}));
    EXPECT_TRUE(fs::is_directory(empty.out()));
    EXPECT_TRUE(empty.launchedWith.empty());

    Fixture dry(4);
    dry.run({ExportFormat::html}, std::nullopt, DryRun::yes);
    EXPECT_EQ(dry.messages, (std::vector<std::string>{"Scanning Notes library...", "Total: 4 notes in 1 accounts"}));
    EXPECT_EQ(dry.fractions, (std::vector<double>{0.1, 1.0}));
    EXPECT_FALSE(fs::exists(dry.out()));

    Fixture denied(4);
    denied.services.scriptHost =
        std::make_shared<NotesScriptHost>([]() -> std::optional<NotesLibraryCounts> { return std::nullopt; });
    try {
        denied.run({ExportFormat::html});
        FAIL() << "expected a permission error";
    } catch (const ExportError& e) {
        EXPECT_EQ(e.kind(), ExportError::Kind::permissionDenied);
        EXPECT_EQ(e.description(), "Notes requires automation permission");
    }

    NotesScriptHost host([] { return std::optional<NotesLibraryCounts>(NotesLibraryCounts{1, 1}); });
    auto outcome = host.create("tell application \"Finder\" to quit")->executeAndReturnError();
    ASSERT_TRUE(std::holds_alternative<ScriptErrorInfo>(outcome));
    EXPECT_NE(std::get<ScriptErrorInfo>(outcome).errorNumber(), kErrorEventNotPermitted);
    EXPECT_EQ(ScriptErrorInfo{}.errorNumber(), -1);
}

TEST(NotesExporterSimple, ConversionOnlyDisposesOfTheHtmlFolder)
{
    Fixture f(2);
    test::TraceCapture trace;
    fs::create_directories(fs::path(f.out()) / "html");
    f.run({ExportFormat::markdown});
    ASSERT_EQ(f.conversions.size(), 1u);
    EXPECT_EQ(f.conversions[0].formats, ExportFormatSet{ExportFormat::markdown});
    EXPECT_EQ(f.commands, (std::vector<std::string>{"/usr/bin/env trash " + f.out() + "/html"}));
    EXPECT_TRUE(trace.contains("[NotesExporter] Moved temporary HTML files to trash"));
    EXPECT_EQ(f.messages.back(), "Export complete! 7 notes exported");

    Fixture jsonOnly(2);
    jsonOnly.run({ExportFormat::json});
    EXPECT_TRUE(jsonOnly.conversions.empty());
    EXPECT_EQ(jsonOnly.messages.back(), "Export complete! 0 notes exported");
}

TEST(NotesExporterSimple, CancellationEndsTheScript)
{
    Fixture f(100);
    std::stop_source stop;
    auto pause = f.services.pause;
    f.services.pause = [&, pause](std::chrono::milliseconds d, std::stop_token t) {
        pause(d, t);
        if (f.pauses == 3)
            stop.request_stop();
    };
    f.run({ExportFormat::html}, std::nullopt, DryRun::no, stop.get_token());
    ASSERT_TRUE(f.script);
    EXPECT_FALSE(f.script->isRunning());
    EXPECT_EQ(f.script->signals.front(), "TERM");
    EXPECT_NE(f.messages.back().find("Exporting notes..."), std::string::npos);
}

TEST(OutputPostProcessing, RemovesOnlyEmptyAttachmentFolders)
{
    test::TempDir dir;
    const fs::path root = dir / "html";
    fs::create_directories(root / "a_files");
    sample::writeSampleFile(root / "b_files/.hidden", "x");
    fs::create_directories(root / "c_files/inner_files");
    sample::writeSampleFile(root / "sub/d_files/img.png", "png");
    fs::create_directories(root / "sub/e_files");
    test::TraceCapture trace;
    cleanupEmptyFilesFolders(root.string());
    EXPECT_FALSE(fs::exists(root / "a_files"));
    EXPECT_FALSE(fs::exists(root / "sub/e_files"));
    EXPECT_TRUE(fs::exists(root / "b_files"));
    EXPECT_TRUE(fs::exists(root / "c_files/inner_files")) << "not visited inside another _files folder";
    EXPECT_TRUE(fs::exists(root / "sub/d_files/img.png"));
    EXPECT_EQ(trace.lines().size(), 2u);

    test::TraceCapture quiet;
    cleanupEmptyFilesFolders((dir / "missing").string());
    EXPECT_TRUE(quiet.lines().empty());

    std::vector<std::string> ran;
    disposeTemporaryHtml((dir / "nothing-here").string(), [&](const std::string& e, const std::vector<std::string>&) {
        ran.push_back(e);
        return std::optional<int>();
    });
    EXPECT_TRUE(ran.empty());
}
