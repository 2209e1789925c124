#include "cli/CommandLine.h"
#include "platform/Files.h"
#include "platform/ProcessRunner.h"
#include "support/CliRun.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace varnholt {
namespace {

namespace fs = std::filesystem;

TEST(ConvertCommand, ConvertsAnyFolderAndLeavesItsHtmlAlone)
{
    test::TempDir dir;
    const fs::path html = dir / "notes";
    fs::create_directories(html / "Work");
    ASSERT_TRUE(writeFile(html / "Work" / "Plan.html", "<p>plan ü</p>"));
    ASSERT_TRUE(writeFile(html / "Other.html", "<p>other</p>"));
    const fs::path out = dir / "converted";
    test::CliRun run = test::runCli(
        {"convert", "--html", html.string(), "--out", out.string(), "--format", "txt,rtf,pdf", "--limit", "1"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "Converted 1 HTML file into " + out.string() + "\n");
    EXPECT_EQ(*readFile(out / "txt" / "Other.txt"), "other\n");
    EXPECT_TRUE(fs::exists(out / "rtf" / "Other.rtf"));
    EXPECT_FALSE(fs::exists(out / "txt" / "Work"));
    EXPECT_EQ(*readFile(html / "Other.html"), "<p>other</p>") << "no charset added to the user's own file";

    EXPECT_EQ(test::runCli({"convert", "--html", html.string(), "--out", out.string(), "--format", "docx"}).status,
              cli::badUsage);
    EXPECT_EQ(test::runCli({"convert", "--html", (dir / "missing").string(), "--out", out.string(), "--format", "txt"})
                  .status,
              cli::badUsage);
    ASSERT_TRUE(writeFile(dir / "file", "x"));
    run = test::runCli({"convert", "--html", html.string(), "--out", (dir / "file").string(), "--format", "md"});
    EXPECT_EQ(run.status, cli::exportFailed);
    EXPECT_NE(run.err.find("varnholt: Could not create the folder"), std::string::npos) << run.err;
}

// A fresh process: the worker threads are the first to use the HTML parser,
// all at once (libxml2 must be set up before that, or it deadlocks).
TEST(ConvertCommand, AFreshProcessConvertsInParallelWithoutHanging)
{
    const fs::path varnholt = fs::path(VARNHOLT_BINARY_DIR) / "src" / "cli" / "varnholt";
    if (!fs::exists(varnholt))
        GTEST_SKIP() << "build the varnholt program first";
    test::TempDir dir;
    fs::create_directories(dir / "notes");
    for (int i = 0; i < 30; ++i)
        ASSERT_TRUE(writeFile(dir / "notes" / ("n" + std::to_string(i) + ".html"), "<p>note " + std::to_string(i)));
    ProcessSpec spec;
    spec.executable = varnholt.string();
    spec.arguments = {"convert",  "--html",    (dir / "notes").string(), "--out", (dir / "out").string(),
                      "--format", "txt,rtf,md"};
    spec.environment = {{"PATH", "/nonexistent"}};
    spec.timeLimit = std::chrono::minutes(2);
    auto result = ProcessRunner::run(spec);
    ASSERT_TRUE(result);
    EXPECT_FALSE(result->timedOut);
    EXPECT_EQ(result->status, 0) << result->standardError;
    EXPECT_EQ(*readFile(dir / "out" / "txt" / "n29.txt"), "note 29\n");
}

} // namespace
} // namespace varnholt
