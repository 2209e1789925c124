#include "export/ExportManager.h"
#include "export/contract/CaughtErrors.h"
#include "model/ExportError.h"
#include "platform/DomainError.h"
#include "platform/ManualMainQueue.h"
#include "support/TraceCapture.h"

#include <cmath>
#include <condition_variable>
#include <gtest/gtest.h>

using namespace varnholt;
using namespace std::chrono_literals;

namespace {

ExportOptions voiceMemosOptions(bool dryRun = false)
{
    ExportOptions options;
    options.type = ExporterType::voiceMemos;
    options.outputPath = "/tmp/out";
    options.isDryRun = dryRun;
    return options;
}

using Body = std::function<void(ProgressSink&, std::stop_token)>;

// An exporter whose work is the test's own; what it throws becomes its error, as in the real ones.
class BodyExporter final : public Exporter {
public:
    explicit BodyExporter(Body body) : m_body(std::move(body)) {}
    tl::expected<ExportSummary, ErrorPtr> run(const ExportRequest&, ProgressSink& progress,
                                              std::stop_token stop) override
    {
        return catchingErrors([&] {
            m_body(progress, stop);
            return ExportSummary{};
        });
    }

private:
    Body m_body;
};

ExportManager::ExporterFactory exporting(Body body)
{
    return [body](const ExportOptions&) { return std::make_unique<BodyExporter>(body); };
}

// A manager whose export body is the test's own, driven by a manual queue.
struct Harness {
    explicit Harness(Body body) : Harness(exporting(std::move(body))) {}
    explicit Harness(ExportManager::ExporterFactory exporters) : manager(queue, std::move(exporters))
    {
        manager.addOutcomeObserver([this](ExportManager::Outcome o) { outcome = o; });
    }

    bool runToOutcome()
    {
        return queue.runUntil([this] { return outcome.has_value(); });
    }

    test::TraceCapture trace;
    ManualMainQueue queue;
    ExportManager manager;
    std::optional<ExportManager::Outcome> outcome;
};

} // namespace

TEST(ExportManager, SuccessfulExportPublishesSummaryThenResetsAfterTwoSeconds)
{
    Harness h([](ProgressSink& context, std::stop_token) {
        auto relay = context.relay(ProgressSink::kVoiceMemosTrace);
        relay(0.5, "Copying voice memo 1 of 2");
        relay(0.999, "Almost");
    });
    std::vector<std::string> statuses;
    h.manager.addChangeObserver([&](ExportManager::Field f) {
        if (f == ExportManager::Field::statusMessage)
            statuses.push_back(h.manager.statusMessage());
    });

    ExportOptions options = voiceMemosOptions();
    options.testModeLimit = 5;
    h.manager.startExport(options);
    EXPECT_TRUE(h.manager.isExporting());
    EXPECT_EQ(h.manager.statusMessage(), "Starting Voice Memos export...");

    ASSERT_TRUE(h.runToOutcome());
    EXPECT_EQ(*h.outcome, ExportManager::Outcome::completed);
    EXPECT_EQ(h.manager.statusMessage(), "Export complete!");
    EXPECT_EQ(h.manager.progress(), 1.0);
    EXPECT_EQ(h.manager.exportSummary(), "Files exported to: /tmp/out");
    EXPECT_TRUE(h.manager.isExporting());
    EXPECT_EQ(statuses, (std::vector<std::string>{"Starting Voice Memos export...", "Copying voice memo 1 of 2",
                                                  "Almost", "Export complete!"}));

    h.queue.advance(1999ms);
    EXPECT_TRUE(h.manager.isExporting());
    h.queue.advance(1ms);
    EXPECT_FALSE(h.manager.isExporting());
    EXPECT_EQ(h.manager.progress(), 0.0);
    EXPECT_EQ(h.manager.statusMessage(), "");
    EXPECT_EQ(h.manager.exportSummary(), "Files exported to: /tmp/out");

    EXPECT_EQ(h.trace.lines(), (std::vector<std::string>{
                                   "[Varnholt] Starting Voice Memos export to: /tmp/out",
                                   "[Varnholt] Dry run: false",
                                   "[Varnholt] Fast mode: false",
                                   "[Varnholt] Test mode: limiting to 5 items",
                                   "[Varnholt] Voice Memos progress: 50% - Copying voice memo 1 of 2",
                                   "[Varnholt] Voice Memos progress: 99% - Almost",
                                   "[Varnholt] Export completed successfully",
                                   "[Varnholt] Summary: Files exported to: /tmp/out",
                               }));
}

TEST(ExportManager, PreviewTakesLastStatusAsSummary)
{
    Harness h([](ProgressSink& context, std::stop_token) {
        context.relay(ProgressSink::kVoiceMemosTrace)(1.0, "Dry run complete: 3 voice memos, total size: 12 KB");
    });
    h.manager.startExport(voiceMemosOptions(true));
    ASSERT_TRUE(h.runToOutcome());
    EXPECT_EQ(h.manager.statusMessage(), "Preview complete!");
    EXPECT_EQ(h.manager.exportSummary(), "Dry run complete: 3 voice memos, total size: 12 KB");
    EXPECT_TRUE(h.trace.contains("[Varnholt] Dry run: true"));
    EXPECT_TRUE(h.trace.contains("[Varnholt] Summary: Dry run complete: 3 voice memos, total size: 12 KB"));
}

TEST(ExportManager, FailureKeepsEarlierSummaryAndDoesNotFinishProgress)
{
    bool fail = false;
    Harness h([&fail](ProgressSink& context, std::stop_token) {
        context.relay(ProgressSink::kVoiceMemosTrace)(0.3, "Copying voice memos...");
        if (fail)
            throw DomainError("VoiceMemosExporter", 1, "Could not find it.");
    });
    h.manager.startExport(voiceMemosOptions());
    ASSERT_TRUE(h.runToOutcome());
    h.queue.advance(2s);

    fail = true;
    h.outcome.reset();
    h.manager.startExport(voiceMemosOptions());
    EXPECT_FALSE(h.manager.lastError());
    ASSERT_TRUE(h.runToOutcome());
    EXPECT_EQ(*h.outcome, ExportManager::Outcome::failed);
    ASSERT_TRUE(h.manager.lastError());
    auto domainError = std::dynamic_pointer_cast<const DomainError>(h.manager.lastError());
    ASSERT_TRUE(domainError);
    EXPECT_EQ(domainError->code(), 1);
    EXPECT_EQ(h.manager.statusMessage(), "Export failed: Could not find it.");
    EXPECT_EQ(h.manager.progress(), 0.3);
    EXPECT_EQ(h.manager.exportSummary(), "Files exported to: /tmp/out");
    EXPECT_TRUE(h.trace.contains("[Varnholt] \u274C Export failed: Could not find it."));
    EXPECT_TRUE(
        h.trace.contains("[Varnholt] Error details: Error Domain=VoiceMemosExporter Code=1 \"Could not find it.\""));

    h.queue.advance(2s);
    EXPECT_FALSE(h.manager.isExporting());
    EXPECT_TRUE(h.manager.lastError()) << "the error stays for the error panel";

    h.manager.clearError();
    EXPECT_FALSE(h.manager.lastError());
    EXPECT_FALSE(h.manager.exportSummary());
    EXPECT_EQ(h.manager.statusMessage(), "");
}

TEST(ExportManager, AutomationRefusalAddsPermissionTraceLinesAndAFailureSaysExportFailedOnce)
{
    Harness h([](ProgressSink&, std::stop_token) {
        throw ExportError::permissionDenied("Notes requires automation permission");
    });
    ExportOptions options = voiceMemosOptions();
    options.type = ExporterType::notes;
    h.manager.startExport(options);
    ASSERT_TRUE(h.runToOutcome());
    EXPECT_EQ(h.manager.statusMessage(), "Export failed: Notes requires automation permission");
    const auto lines = h.trace.lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2],
              "[Varnholt] \u26A0\uFE0F Permission Issue: Notes requires automation permission");
    EXPECT_EQ(lines.back(), "[Varnholt] To fix: make the Notes database readable for your user (or mount the disk "
                            "that holds it), or choose a source folder that holds a readable copy");

    Harness script([](ProgressSink&, std::stop_token) { throw ExportError::scriptExecutionFailed("boom"); });
    script.manager.startExport(voiceMemosOptions());
    ASSERT_TRUE(script.runToOutcome());
    EXPECT_EQ(script.manager.statusMessage(), "Export failed: boom");
    EXPECT_TRUE(script.trace.contains("[Varnholt] \u274C Export failed: boom"));
}

TEST(ExportManager, CancelDuringRunStopsTheExporterAndStaysCancelled)
{
    std::mutex mutex;
    std::condition_variable_any wake;
    bool sawStop = false;
    Harness h([&](ProgressSink& context, std::stop_token stop) {
        context.relay(ProgressSink::kVoiceMemosTrace)(0.2, "Working");
        std::unique_lock lock(mutex);
        sawStop = wake.wait(lock, stop, [] { return false; }) || stop.stop_requested();
        context.relay(ProgressSink::kVoiceMemosTrace)(0.9, "Late report");
    });
    h.manager.startExport(voiceMemosOptions());
    ASSERT_TRUE(h.queue.runUntil([&] { return h.manager.statusMessage() == "Working"; }));

    h.manager.cancelExport();
    EXPECT_FALSE(h.manager.isExporting());
    EXPECT_EQ(h.manager.progress(), 0.0);
    EXPECT_EQ(h.manager.statusMessage(), "Export cancelled");

    ASSERT_TRUE(h.queue.runUntil([&] {
        std::lock_guard lock(mutex);
        return sawStop;
    }));
    h.queue.waitAndDrain(100ms);
    h.queue.advance(5s);
    EXPECT_EQ(h.manager.statusMessage(), "Export cancelled") << "an abandoned export changes nothing";
    EXPECT_FALSE(h.outcome);
    EXPECT_FALSE(h.manager.exportSummary());
}

TEST(ExportManager, CancelDuringTheResetWaitSkipsTheReset)
{
    Harness h([](ProgressSink&, std::stop_token) {});
    h.manager.startExport(voiceMemosOptions());
    ASSERT_TRUE(h.runToOutcome());
    h.queue.advance(1s);
    h.manager.cancelExport();
    h.queue.advance(2s);
    EXPECT_EQ(h.manager.statusMessage(), "Export cancelled");
    EXPECT_FALSE(h.manager.isExporting());
    EXPECT_EQ(h.manager.exportSummary(), "Files exported to: /tmp/out");
}

TEST(ExportManager, NonFiniteProgressDoesNotBreakTheTrace)
{
    Harness h([](ProgressSink& context, std::stop_token) {
        auto relay = context.relay(ProgressSink::kFastTrace);
        relay(std::nan(""), "0 of 0");
        relay(std::numeric_limits<double>::infinity(), "too far");
        relay(-1e300, "negative");
    });
    h.manager.startExport(voiceMemosOptions());
    ASSERT_TRUE(h.runToOutcome());
    EXPECT_TRUE(h.trace.contains("[Varnholt] Fast mode progress: 0% - 0 of 0"));
    EXPECT_TRUE(h.trace.contains("[Varnholt] Fast mode progress: 100% - too far"));
    EXPECT_TRUE(h.trace.contains("[Varnholt] Fast mode progress: 0% - negative"));
}

TEST(ExportManager, UnimplementedSourceSaysSo)
{
    Harness h{ExportManager::ExporterFactory(makeExporter)};
    ExportOptions options = voiceMemosOptions();
    options.type = ExporterType::photos;
    h.manager.startExport(options);
    EXPECT_EQ(h.manager.statusMessage(), "Starting Photos export...");
    ASSERT_TRUE(h.runToOutcome());
    EXPECT_TRUE(h.trace.contains("[Varnholt] Photos exporter not yet implemented"));
}

TEST(ExportManager, DestroyingTheManagerStopsARunningExport)
{
    std::atomic<bool> stopped{false};
    {
        Harness h([&](ProgressSink&, std::stop_token stop) {
            std::mutex m;
            std::condition_variable_any cv;
            std::unique_lock lock(m);
            cv.wait(lock, stop, [] { return false; });
            stopped = true;
        });
        h.manager.startExport(voiceMemosOptions());
    }
    EXPECT_TRUE(stopped);
}

TEST(ExportManager, RefusesAnOutputInsideTheSourceBeforeTheExporterRuns)
{
    bool ran = false;
    Harness h([&ran](ProgressSink&, std::stop_token) { ran = true; });
    ExportOptions options = voiceMemosOptions();
    options.sourceHome = "/tmp/varnholt-source-home";
    options.outputPath = "/tmp/varnholt-source-home/Library/export";
    h.manager.startExport(options);
    ASSERT_TRUE(h.runToOutcome());
    EXPECT_EQ(*h.outcome, ExportManager::Outcome::failed);
    EXPECT_FALSE(ran);
    ASSERT_TRUE(h.manager.lastError());
    EXPECT_EQ(h.manager.lastError()->kind(), ErrorKind::badInput);
}
