// A home built to attack: names that climb out of folders or outgrow file systems, texts full
// of script, attachments and recordings that point out of the home or loop. Every export must
// end with a clear outcome, write nothing outside its output folder, copy nothing from outside
// the home, and write HTML in which no data became active markup.

#include "platform/Files.h"
#include "sample-home/HostileSample.h"
#include "support/ActiveMarkup.h"
#include "support/ExportRun.h"
#include "support/FileTree.h"
#include "support/ScopedEnvironment.h"
#include "support/SourceFingerprint.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <map>

using namespace varnholt;
using namespace varnholt::test;
namespace fs = std::filesystem;

namespace {
// The listing without the export folders, and without the temporary folder's own entry (its
// time changes as snapshots come and go; anything left in it still shows).
TreeFingerprint withoutOutputs(TreeFingerprint tree)
{
    std::erase_if(tree, [](const auto& entry) { return entry.first.rfind("out-", 0) == 0 || entry.first == "tmp"; });
    return tree;
}

class HostileInput : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = new TempDir;
        sample::buildHostileHome(*s_dir / "home");
        // Exports keep their database snapshots in the temporary folder: inside, the listings see them too.
        fs::create_directories(*s_dir / "tmp");
        s_tmp = new ScopedEnvironment("TMPDIR", (*s_dir / "tmp").string());
        s_before = new TreeFingerprint(withoutOutputs(fingerprintTree(s_dir->path())));
        for (ExportMethod method : allExportMethods())
            s_outcomes[static_cast<int>(method)] = runExport(method, home(), output(method));
    }
    static void TearDownTestSuite()
    {
        delete s_before;
        delete s_tmp;
        delete s_dir;
    }

    static fs::path home() { return *s_dir / "home"; }
    static fs::path output(ExportMethod method) { return *s_dir / ("out-" + std::to_string(int(method))); }
    static const ExportOutcome& outcome(ExportMethod method) { return s_outcomes[static_cast<int>(method)]; }

    static inline TempDir* s_dir = nullptr;
    static inline ScopedEnvironment* s_tmp = nullptr;
    static inline TreeFingerprint* s_before = nullptr;
    static inline ExportOutcome s_outcomes[8];
};
} // namespace

TEST_F(HostileInput, EveryExportEndsWithAClearOutcome)
{
    for (ExportMethod method : allExportMethods()) {
        SCOPED_TRACE(methodName(method));
        // Hostile names and texts are still the user's data: they are exported, not refused.
        EXPECT_TRUE(outcome(method).succeeded()) << outcome(method).messages;
    }
}

TEST_F(HostileInput, NothingIsWrittenOutsideTheOutputFolder)
{
    // The home, the folder beside it, the temporary folder: all exactly as before.
    EXPECT_EQ(describeDifferences(*s_before, withoutOutputs(fingerprintTree(s_dir->path()))), "");

    for (ExportMethod method : allExportMethods()) {
        const fs::path root = fs::canonical(output(method));
        for (const fs::path& path : entriesBelow(root)) {
            SCOPED_TRACE(path.string());
            EXPECT_FALSE(fs::is_symlink(path)) << "an export leaves links, which point anywhere";
            EXPECT_TRUE(isWithin(root, fs::weakly_canonical(path)));
            const std::string name = path.filename().string();
            EXPECT_LE(name.size(), 255u);
            EXPECT_NE(name, "..");
            // Names made from database text lose their control characters (recordings keep the
            // names they have on disk).
            if (method == ExportMethod::voiceMemos)
                continue;
            for (const char c : name)
                EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20) << "control character in a file name";
        }
    }
}

TEST_F(HostileInput, NothingFromOutsideTheHomeIsCopied)
{
    for (ExportMethod method : allExportMethods()) {
        SCOPED_TRACE(methodName(method));
        EXPECT_EQ(allText(output(method)).find(sample::kOutsideSecret), std::string::npos);
    }
    // What is inside the home is still exported.
    bool insideCopied = false;
    for (const fs::path& path : entriesBelow(output(ExportMethod::messages) / "messages/attachments"))
        insideCopied = insideCopied || path.filename() == "inside.jpg";
    EXPECT_TRUE(insideCopied);
    EXPECT_TRUE(fs::exists(output(ExportMethod::voiceMemos) / "Kitchen idea.M4A"));
}

TEST_F(HostileInput, ExportedHtmlHoldsTheScriptsAsTextNeverAsMarkup)
{
    size_t pages = 0;
    std::string shown;
    for (ExportMethod method : allExportMethods()) {
        for (const fs::path& path : entriesBelow(output(method))) {
            if (path.extension() != ".html")
                continue;
            ++pages;
            const std::string html = readFile(path).value();
            EXPECT_EQ(activeMarkup(html), std::vector<std::string>{}) << path;
            shown += visibleText(html);
        }
    }
    ASSERT_GT(pages, sample::hostileNames().size());
    for (const std::string& text : sample::hostileTexts())
        EXPECT_NE(shown.find(text), std::string::npos) << "not shown as text: " << text;
}

TEST_F(HostileInput, EveryHostileConversationAndNoteIsExported)
{
    const fs::path json = output(ExportMethod::messages) / "messages/json";
    size_t hostileConversations = 0;
    for (const fs::path& path : entriesBelow(json))
        if (readFile(path).value_or("").find("hostile-chat-") != std::string::npos)
            ++hostileConversations;
    EXPECT_EQ(hostileConversations, sample::hostileNames().size());

    // One text file per note, whatever its title; one page per note in the standard method, and
    // one file per page and format after conversion.
    EXPECT_EQ(entriesBelow(output(ExportMethod::notesFast) / "txt").size(), sample::hostileNames().size());
    for (ExportMethod method : {ExportMethod::notesStandard, ExportMethod::notesStandardConverted}) {
        std::map<std::string, size_t> byExtension;
        for (const fs::path& path : entriesBelow(output(method)))
            ++byExtension[path.extension().string()];
        SCOPED_TRACE(methodName(method));
        EXPECT_EQ(byExtension[".html"], sample::hostileNames().size());
        if (method != ExportMethod::notesStandardConverted)
            continue;
        for (const char* extension : {".txt", ".rtf", ".md", ".pdf"})
            EXPECT_EQ(byExtension[extension], sample::hostileNames().size()) << extension;
    }
}
