#include "sources/SourceAccess.h"
#include "sample-home/SampleFiles.h"
#include "sources/MacHomeSource.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace varnholt;
namespace fs = std::filesystem;

// Why a store cannot be read is told apart by what is there, so the advice fits the case.
TEST(SourceAccess, SaysWhyAStoreCannotBeReadAndWhatToDo)
{
    test::TempDir dir;
    sample::writeSampleFile(dir / "home/Library/Messages/chat.db", "stands for the database");
    fs::create_directories(dir / "photos");
    const std::string chat = "/Library/Messages/chat.db";
    struct Case {
        std::string name;
        std::string root;
        std::string reason;
    };
    const std::vector<Case> cases{
        {"present but unreadable", (dir / "home").string(), "your user has no permission to read it"},
        {"a home without it", (dir / "home").string(), "it is not there"},
        {"a folder that is no home", (dir / "photos").string(),
         (dir / "photos").string() + " is neither a Mac home folder (it has no Library folder) nor an iPhone backup"},
        {"a source that is gone", (dir / "unmounted").string(),
         (dir / "unmounted").string() + " does not exist (the disk that holds it may not be mounted)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = c.root + (c.name == "a home without it" ? "/Library/Messages/gone.db" : chat);
        const std::string text = cannotReadText(MacHomeSource(c.root), "the Messages database", path);
        EXPECT_EQ(text, "Cannot read the Messages database at " + path + ": " + c.reason +
                            ". Give your user read permission on it and the folders above it, mount the disk that "
                            "holds it, or point --source at a Mac home folder or iPhone backup that holds it.");
    }
}
