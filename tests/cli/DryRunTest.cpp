// A dry run only reads and counts: for every command and method, on a Mac home and on an iPhone
// backup, it leaves no output folder, no copy of a database, no private folder and no temporary file,
// not even for a moment (a folder made and removed again changes its parent's date).

#include "sample-home/BackupBuilder.h"
#include "sample-home/SampleFiles.h"
#include "sample-home/SampleHome.h"
#include "support/CliRun.h"
#include "support/ScopedEnvironment.h"
#include "support/SourceFingerprint.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <optional>

using namespace varnholt;
namespace fs = std::filesystem;

namespace {

struct DryRun {
    std::string name;
    std::vector<std::string> command; // --source and --out are added
    std::string says;                 // what the dry run reports
};

const std::vector<DryRun>& dryRuns()
{
    static const std::vector<DryRun> kDryRuns{
        {"voice-memos", {"voice-memos", "--dry-run"}, "Dry run complete: "},
        {"messages", {"messages", "--dry-run"}, "Dry run complete: Found "},
        {"messages with filters and contacts",
         {"messages", "--dry-run", "--contacts", "--since", "2024-01-01", "--chat", "book"},
         "Dry run complete: Found "},
        {"notes --fast", {"notes", "--fast", "--dry-run"}, "Dry run complete: "},
        {"notes", {"notes", "--dry-run"}, "Total: "},
        {"notes with every format", {"notes", "--dry-run", "--format", "html,md,rtf,txt"}, "Total: "},
    };
    return kDryRuns;
}

// The folders every dry run gets: a home, a backup of it, a folder of HTML, the output's parent, and a
// temporary folder standing in for the system's, so that whatever would go there is seen.
class DryRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        sample::buildSampleHome(m_dir / "home");
        sample::buildBackupOfHome(m_dir / "home", m_dir / "backup");
        sample::writeSampleFile(m_dir / "html/Work/Plan.html",
                                "<html><body><h1>Plan</h1><p>Ship it.</p></body></html>");
        sample::writeSampleFile(m_dir / "html/Trip.html", "<html><body><p>Pack light.</p></body></html>");
        fs::create_directories(m_dir / "outs");
        fs::create_directories(m_dir / "tmp");
        m_tmp.emplace("TMPDIR", (m_dir / "tmp").string());
    }

    // Runs every export command's dry run on `source` and checks that nothing below the test's folder
    // changed; with `layoutBeside`, but for the output's parent, where a private folder came and went.
    enum class Layout { none, beside };
    void expectNoExportWrites(const std::string& source, Layout layout = Layout::none)
    {
        for (const DryRun& dry : dryRuns()) {
            SCOPED_TRACE(dry.name + " on the " + source);
            const test::TreeFingerprint before = test::fingerprintTree(m_dir.path());
            std::vector<std::string> args = dry.command;
            args.insert(args.end(), {"--source", (m_dir / source).string(), "--out", out().string()});
            const auto run = test::runCli(args);
            EXPECT_EQ(run.status, 0) << run.err;
            std::string said = run.err;
            for (const std::string& line : run.trace)
                said += line + "\n";
            EXPECT_NE(said.find(dry.says), std::string::npos) << said;
            std::string differences = test::describeDifferences(before, test::fingerprintTree(m_dir.path()));
            if (layout == Layout::beside && differences.find("\n  changed: outs: folder ") == 0 &&
                differences.find('\n', 1) == std::string::npos)
                differences.clear();
            EXPECT_EQ(differences, "");
        }
    }

    fs::path out() const { return m_dir / "outs/out"; }

    test::TempDir m_dir;
    std::optional<test::ScopedEnvironment> m_tmp;
};

} // namespace

TEST_F(DryRunTest, NoCommandWritesAnythingOnAHome)
{
    expectNoExportWrites("home");

    SCOPED_TRACE("convert");
    const test::TreeFingerprint before = test::fingerprintTree(m_dir.path());
    const auto run = test::runCli({"convert", "--dry-run", "--html", (m_dir / "html").string(), "--out", out().string(),
                                   "--format", "md,pdf,rtf,txt"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Trip.html\nWork/Plan.html\n");
    EXPECT_NE(run.err.find("Dry run: 2 HTML files would be converted into markdown/, pdf/, rtf/, txt/ below " +
                           out().string()),
              std::string::npos)
        << run.err;
    EXPECT_EQ(test::describeDifferences(before, test::fingerprintTree(m_dir.path())), "");
}

TEST_F(DryRunTest, EveryDryRunWorksOnABackupAndLeavesNothingBehind)
{
    // A backup's databases and logs are read in place through links laid out in a private folder
    // beside the output, which goes when the dry run ends; only its parent's time tells it was there.
    expectNoExportWrites("backup", Layout::beside);
}
