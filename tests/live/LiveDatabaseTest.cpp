// Exports while Messages and Notes keep writing: the writer must not be held up, and every
// row committed before an export began must be in that export.

#include "live/LiveWriter.h"
#include "platform/Files.h"
#include "sample-home/MessagesSample.h"
#include "sample-home/NotesSample.h"
#include "sample-home/SampleHome.h"
#include "support/ExportRun.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <iostream>
#include <set>
#include <sstream>

using namespace varnholt;
using namespace varnholt::test;
namespace fs = std::filesystem;

namespace {
// Generous: the target is 100 ms, but a loaded two-core machine stalls any process now and then.
constexpr double kLongestInsertAllowedMs = 1000;
constexpr int kRounds = 3;

std::set<std::string> exportedMessageTexts(const fs::path& output)
{
    std::set<std::string> texts;
    const nlohmann::json conversation =
        nlohmann::json::parse(readFile(output / "messages/json/Live.json").value_or("{}"), nullptr, false);
    for (const auto& message : conversation.value("messages", nlohmann::json::array()))
        texts.insert(message.value("text", ""));
    return texts;
}

std::set<std::string> exportedNoteTitles(const fs::path& output)
{
    std::set<std::string> titles;
    std::istringstream lines(readFile(output / "notes.ndjson").value_or(""));
    for (std::string line; std::getline(lines, line);)
        titles.insert(nlohmann::json::parse(line, nullptr, false).value("title", ""));
    return titles;
}

// The first of rows 1..n missing from `exported`, or 0 when none is.
long long firstMissing(const std::set<std::string>& exported, long long n, std::string (*name)(long long))
{
    for (long long i = 1; i <= n; ++i)
        if (!exported.count(name(i)))
            return i;
    return 0;
}
long long firstMissingIn(const std::string& exported, long long n, std::string (*name)(long long))
{
    for (long long i = 1; i <= n; ++i)
        if (exported.find(name(i)) == std::string::npos)
            return i;
    return 0;
}
} // namespace

TEST(LiveDatabase, ExportsWhileTheAppsWriteMissNothingCommittedAndNeverHoldThemUp)
{
    TempDir dir;
    const fs::path home = dir / "home";
    sample::buildSampleHome(home);

    LiveWriter writer(sample::messagesDatabasePath(home), sample::notesContainer(home) / "NoteStore.sqlite", 50);
    writer.exportsStart();
    for (int round = 0; round < kRounds; ++round) {
        for (ExportMethod method : {ExportMethod::messages, ExportMethod::notesFast, ExportMethod::notesStandard}) {
            SCOPED_TRACE(methodName(method) + ", round " + std::to_string(round));
            const fs::path output = dir / ("out-" + std::to_string(round) + "-" + std::to_string(int(method)));
            const long long committedBefore = writer.committed();
            const ExportOutcome outcome = runExport(method, home, output);
            ASSERT_TRUE(outcome.succeeded()) << outcome.messages;
            long long missing = 0;
            if (method == ExportMethod::messages)
                missing = firstMissing(exportedMessageTexts(output), committedBefore, &LiveWriter::messageText);
            else if (method == ExportMethod::notesFast)
                missing = firstMissing(exportedNoteTitles(output), committedBefore, &LiveWriter::noteTitle);
            else
                missing = firstMissingIn(allText(output), committedBefore, &LiveWriter::noteTitle);
            EXPECT_EQ(missing, 0) << "row " << missing << " of " << committedBefore
                                  << " committed before the export is missing from it";
        }
    }
    const LiveWriter::Figures figures = writer.stop();
    std::cout << "[ live ] writer committed " << figures.committed << " messages and " << figures.committed
              << " notes; longest insert while exporting: " << figures.longestInsertMs
              << " ms (target 100 ms; before exporting: " << figures.longestBaselineMs << " ms)" << std::endl;
    EXPECT_EQ(figures.failures, 0);
    EXPECT_LE(figures.longestInsertMs, kLongestInsertAllowedMs);
}
