#include "WindowFixture.h"

#include "app/ErrorPanel.h"
#include "platform/DomainError.h"
#include "sample-home/BackupBuilder.h"
#include "sample-home/SampleHome.h"
#include "support/TempDir.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

#include <filesystem>

namespace varnholt::test {
namespace {

using ExportFlowTest = WindowFixture;
using namespace std::chrono_literals;

TEST_F(ExportFlowTest, VoiceMemosExportRunsFromTheWindowToItsResults)
{
    sample::buildSampleHome(sourceHome());
    auto window = makeWindow();
    child<QPushButton>(window.get(), "segmentVoiceMemos")->click();
    const std::string output = window->detailView()->exportPath().toStdString();

    child<QPushButton>(window->detailView(), "exportButton")->click();
    // The click returns at once; the export runs on its own thread.
    EXPECT_TRUE(shown(window->detailView(), "progressArea"));
    EXPECT_FALSE(shown(window->detailView(), "buttonRow"));
    EXPECT_EQ(text(window->detailView(), "progressStatus"), "Starting Voice Memos export...");
    EXPECT_EQ(text(window->detailView(), "progressPercent"), "0%");
    EXPECT_FALSE(shown(window->detailView(), "progressDetail")); // only for statuses with a "/"

    // A running export shows on the screen of any source.
    child<QPushButton>(window.get(), "segmentMessages")->click();
    EXPECT_TRUE(shown(window->detailView(), "progressArea"));
    child<QPushButton>(window.get(), "segmentVoiceMemos")->click();
    ExporterDetailView* view = window->detailView();

    ASSERT_TRUE(m_queue.runUntil([&] { return m_binding.exportSummary().has_value(); }));
    EXPECT_EQ(text(view, "progressStatus"), "Export complete!");
    EXPECT_EQ(text(view, "progressPercent"), "100%");
    EXPECT_TRUE(shown(view, "progressArea"));
    EXPECT_TRUE(shown(view, "resultsArea"));
    EXPECT_EQ(text(view, "summaryText"), QString::fromStdString("Files exported to: " + output));
    EXPECT_TRUE(child<QLabel>(view, "summaryText")->textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(output) / "voice_memos_metadata.json"));

    // Two seconds on the queue's clock later the buttons come back and the results stay.
    m_queue.advance(2000ms);
    EXPECT_FALSE(shown(view, "progressArea"));
    EXPECT_TRUE(shown(view, "buttonRow"));
    EXPECT_TRUE(shown(view, "resultsArea"));
    EXPECT_TRUE(child(view, "exportButton")->isEnabled());
    EXPECT_FALSE(shown(view, "errorPanel"));
}

TEST_F(ExportFlowTest, FailedExportKeepsItsErrorTextAfterTheStatusLineIsCleared)
{
    // An empty home has no Voice Memos folder.
    auto memos = makeDetail(ExporterType::voiceMemos);
    child<QPushButton>(memos.get(), "previewButton")->click();
    ASSERT_TRUE(m_queue.runUntil([&] { return m_binding.lastError() != nullptr; }));
    ASSERT_TRUE(shown(memos.get(), "errorPanel"));
    const QString expected = "Export failed: " + QString::fromStdString(m_binding.lastError()->description());
    EXPECT_EQ(text(memos.get(), "errorText"), expected);
    EXPECT_TRUE(shown(memos.get(), "helpBox")) << "the data is not where the source should hold it";
    EXPECT_FALSE(shown(memos.get(), "resultsArea"));

    m_queue.advance(2000ms);
    EXPECT_EQ(m_binding.statusMessage(), "");
    EXPECT_TRUE(shown(memos.get(), "errorPanel"));
    EXPECT_EQ(text(memos.get(), "errorText"), expected);
    EXPECT_TRUE(shown(memos.get(), "buttonRow"));

    // The next export clears the error.
    child<QPushButton>(memos.get(), "exportButton")->click();
    EXPECT_FALSE(shown(memos.get(), "errorPanel"));
    ASSERT_TRUE(m_queue.runUntil([&] { return m_binding.lastError() != nullptr; }));
    m_queue.advance(2000ms);
}

TEST_F(ExportFlowTest, ClearErrorHidesThePanelAndTheResults)
{
    sample::buildSampleHome(sourceHome());
    auto memos = makeDetail(ExporterType::voiceMemos);
    child<QPushButton>(memos.get(), "previewButton")->click();
    ASSERT_TRUE(m_queue.runUntil([&] { return m_binding.exportSummary().has_value(); }));
    EXPECT_EQ(text(memos.get(), "progressStatus"), "Preview complete!");
    EXPECT_TRUE(text(memos.get(), "summaryText").startsWith("Dry run complete: "));
    m_queue.advance(2000ms);

    // A failure with the automation text shows the help box next to the earlier results.
    std::filesystem::remove_all(sourceHome() + "/Library");
    child<QPushButton>(memos.get(), "exportButton")->click();
    ASSERT_TRUE(m_queue.runUntil([&] { return m_binding.lastError() != nullptr; }));
    EXPECT_TRUE(shown(memos.get(), "resultsArea"));
    ErrorPanel* panel = child<ErrorPanel>(memos.get(), "errorPanel");
    panel->showError(DomainError("NotesExporter", -1743, "Not authorized to send Apple events to Notes."));
    ASSERT_TRUE(shown(memos.get(), "helpBox"));
    child<QPushButton>(memos.get(), "clearError")->click();
    EXPECT_FALSE(shown(memos.get(), "errorPanel"));
    EXPECT_FALSE(shown(memos.get(), "resultsArea"));
    m_queue.advance(2000ms);
}

TEST_F(ExportFlowTest, CancelReturnsToTheButtonsAtOnce)
{
    sample::buildSampleHome(sourceHome());
    auto memos = makeDetail(ExporterType::voiceMemos);
    child<QPushButton>(memos.get(), "exportButton")->click();
    ASSERT_TRUE(shown(memos.get(), "progressArea"));
    child<QPushButton>(memos.get(), "cancelButton")->click();
    EXPECT_TRUE(shown(memos.get(), "buttonRow"));
    EXPECT_FALSE(shown(memos.get(), "progressArea"));
    EXPECT_EQ(m_binding.statusMessage(), "Export cancelled");
    // Whatever the abandoned export still reports changes nothing on screen.
    m_queue.advance(2000ms);
    EXPECT_TRUE(shown(memos.get(), "buttonRow"));
    EXPECT_FALSE(shown(memos.get(), "resultsArea"));
}

TEST_F(ExportFlowTest, WindowOfItsOwnPublishesThroughTheGuiEventLoop)
{
    sample::buildSampleHome(sourceHome());
    // No binding given: the window publishes on the GUI thread's event loop.
    MainWindow window(environment());
    window.show();
    window.selectExporter(ExporterType::voiceMemos);
    QSignalSpy completed(&window.binding(), &ExportManagerBinding::exportCompleted);
    child<QPushButton>(window.detailView(), "previewButton")->click();
    EXPECT_TRUE(shown(window.detailView(), "progressArea"));
    // Waits for the outcome event, not for a span of time.
    ASSERT_TRUE(completed.wait(30000));
    EXPECT_EQ(text(window.detailView(), "progressStatus"), "Preview complete!");
    EXPECT_TRUE(text(window.detailView(), "summaryText").startsWith("Dry run complete: "));
}

} // namespace
TEST_F(ExportFlowTest, AnEncryptedBackupExportsWithThePasswordTypedInTheWindow)
{
    TempDir made;
    sample::buildSampleHome(made / "home");
    sample::buildBackupOfHome(made / "home", sourceHome(),
                              sample::BackupEncryption{"open sesame", {.slow = 20, .fast = 20}});
    auto messages = makeDetail(ExporterType::messages);
    const std::string output = messages->exportPath().toStdString();
    auto* password = child<QLineEdit>(messages.get(), "password");

    password->setText(QStringLiteral("open sesam"));
    child<QPushButton>(messages.get(), "exportButton")->click();
    ASSERT_TRUE(m_queue.runUntil([&] { return m_binding.lastError() != nullptr; }));
    EXPECT_TRUE(text(messages.get(), "errorText").contains(QStringLiteral("password is wrong")))
        << text(messages.get(), "errorText").toStdString();
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(output) / "messages"));
    m_queue.advance(2000ms);

    password->setText(QStringLiteral("open sesame"));
    child<QPushButton>(messages.get(), "exportButton")->click();
    ASSERT_TRUE(m_queue.runUntil([&] { return m_binding.exportSummary().has_value(); }));
    EXPECT_EQ(text(messages.get(), "progressStatus"), "Export complete!");
    EXPECT_FALSE(std::filesystem::is_empty(std::filesystem::path(output) / "messages/json"));
    m_queue.advance(2000ms);
}

} // namespace varnholt::test
