// Output folders whose names a shell, a script or an option parser could take for something else:
// every command exports into them as into any folder, and writes nowhere else.

#include "sample-home/SampleFiles.h"
#include "sample-home/SampleHome.h"
#include "support/CliRun.h"
#include "support/FileTree.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace varnholt;
namespace fs = std::filesystem;

namespace {

struct Command {
    std::string name;
    std::vector<std::string> args; // --out is added
    std::string writes;            // a file the export leaves below its output folder (empty: any file)
};

// Runs the body in `folder`, so that a relative output path starts with what the test chose.
class InFolder {
public:
    explicit InFolder(const fs::path& folder) : m_previous(fs::current_path()) { fs::current_path(folder); }
    ~InFolder() { fs::current_path(m_previous); }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;

private:
    fs::path m_previous;
};

} // namespace

TEST(OutputPath, QuotesBackslashesNewlinesShellTextAndLeadingDashesAreJustNames)
{
    test::TempDir dir;
    sample::buildSampleHome(dir / "home");
    sample::writeSampleFile(dir / "html/Trip.html", "<html><body><p>Pack light.</p></body></html>");
    fs::create_directories(dir / "work");
    const std::string home = (dir / "home").string();
    const std::vector<Command> commands{
        {"voice-memos", {"--source", home, "voice-memos"}, "voice_memos_metadata.json"},
        {"messages", {"--source", home, "messages"}, "messages/txt/bob@example.com.txt"},
        {"notes --fast", {"--source", home, "notes", "--fast"}, "notes.ndjson"},
        {"notes", {"--source", home, "notes"}, ""},
        {"convert", {"convert", "--html", (dir / "html").string(), "--format", "rtf,txt"}, "txt/Trip.txt"},
    };
    const std::vector<std::string> names{"say \"cheese\"", "back\\slash\\", "two\nlines", "$(touch pwned)`id`",
                                         "-leading-dash"};

    const InFolder inWork(dir / "work");
    for (const Command& command : commands)
        for (const std::string& name : names) {
            SCOPED_TRACE(command.name + " into \"" + name + "\"");
            const fs::path out = dir / "work" / (command.name + " " + name);
            // Relative, as typed: the leading dash stays in front.
            std::vector<std::string> args = command.args;
            args.push_back("--out=" + fs::path(out).filename().string());
            if (name.front() == '-')
                args.back() = "--out=" + name + " " + command.name;
            const fs::path expected = name.front() == '-' ? dir / "work" / (name + " " + command.name) : out;
            const auto run = test::runCli(args);
            EXPECT_EQ(run.status, 0) << run.err;
            EXPECT_FALSE(test::filesBelow(expected).empty()) << expected;
            if (!command.writes.empty()) {
                EXPECT_TRUE(fs::exists(expected / command.writes)) << expected;
            }
        }
    EXPECT_FALSE(fs::exists(dir / "work/pwned"));
    // Only the output folders appeared.
    std::size_t folders = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir / "work")) {
        EXPECT_TRUE(entry.is_directory()) << entry.path();
        ++folders;
    }
    EXPECT_EQ(folders, commands.size() * names.size());
}
