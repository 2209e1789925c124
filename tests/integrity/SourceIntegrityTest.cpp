// The promise behind every export: the Mac home is only read. Each export method runs on a
// sample home whose every file is fingerprinted (SHA-256, size, mode, modification time to
// the nanosecond) before and after; then again on a home nobody can write, where the
// databases are in WAL mode with changes not yet checkpointed, as when the apps are open.

#include "platform/Files.h"
#include "sample-home/MessagesSample.h"
#include "sample-home/NotesSample.h"
#include "sample-home/SampleHome.h"
#include "support/ExportRun.h"
#include "support/ReadOnlyHome.h"
#include "support/SourceFingerprint.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <sys/stat.h>

using namespace varnholt;
using namespace varnholt::test;
namespace fs = std::filesystem;

namespace {
// Text that exists only in the -wal files of the sample home.
std::vector<std::string> writeAheadOnlyTexts(ExportMethod method)
{
    switch (method) {
    case ExportMethod::messages:
        return {"D'accord, merci Ren\u00E9e !", "Ren\u00E9e Dupont"}; // the chat, and the contact naming it
    case ExportMethod::notesFast:
    case ExportMethod::notesStandard:
    case ExportMethod::notesStandardConverted:
        return {"Still in the WAL \U0001F4DD", "Auch nur im WAL."};
    case ExportMethod::voiceMemos:
        return {};
    }
    return {};
}

std::uintmax_t sizeOf(const fs::path& path)
{
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    return ec ? 0 : size;
}
} // namespace

TEST(SourceIntegrity, EveryExportLeavesEveryFileOfTheHomeUntouched)
{
    TempDir dir;
    const fs::path home = dir / "home";
    sample::buildSampleHome(home);
    const TreeFingerprint before = fingerprintTree(home);
    ASSERT_GT(before.size(), 20u);

    for (ExportMethod method : allExportMethods()) {
        SCOPED_TRACE(methodName(method));
        const ExportOutcome outcome = runExport(method, home, dir / ("out-" + std::to_string(int(method))));
        EXPECT_TRUE(outcome.succeeded()) << outcome.messages;
        EXPECT_EQ(describeDifferences(before, fingerprintTree(home)), "") << methodName(method) << " changed the home";
    }
}

TEST(SourceIntegrity, ReadOnlyHomeWithUncheckpointedLogsExportsEverything)
{
    TempDir dir;
    const fs::path home = dir / "home";
    sample::buildSampleHome(home);
    // The late changes live only in the logs, as on a Mac with Messages and Notes open.
    const fs::path chat = sample::messagesDatabasePath(home);
    const fs::path store = sample::notesContainer(home) / "NoteStore.sqlite";
    ASSERT_GT(sizeOf(chat.string() + "-wal"), 0u);
    ASSERT_GT(sizeOf(store.string() + "-wal"), 0u);

    const ReadOnlyHome readOnly(home);
    std::cout << "[ read-only ] home made read-only by: " << readOnly.describe() << std::endl;
    const TreeFingerprint before = fingerprintTree(home);

    for (ExportMethod method : allExportMethods()) {
        SCOPED_TRACE(methodName(method));
        const fs::path output = dir / ("out-" + std::to_string(int(method)));
        const fs::path report = dir / ("report-" + std::to_string(int(method)) + ".txt");
        // The unprivileged user must be able to write the output and its report.
        fs::create_directories(output);
        ::chmod(output.c_str(), 0777);
        ::chmod(dir.path().c_str(), 0777);
        const int exitCode = readOnly.run([&] {
            const ExportOutcome outcome = runExport(method, home, output);
            std::ofstream(report) << outcome.messages;
            return outcome.exitCode;
        });
        ::chmod(dir.path().c_str(), 0755);
        EXPECT_EQ(exitCode, 0) << readFile(report).value_or("(no report)");

        const std::string exported = allText(output);
        for (const std::string& text : writeAheadOnlyTexts(method))
            EXPECT_NE(exported.find(text), std::string::npos) << "missing from the export: " << text;
        EXPECT_EQ(describeDifferences(before, fingerprintTree(home)), "") << methodName(method) << " changed the home";
    }
}
