#include "WindowFixture.h"

#include "app/TestLimit.h"
#include "model/messages/DateWindow.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace varnholt::test {
namespace {

using DetailViewTest = WindowFixture;

QStringList formatSwitches(const QWidget* view)
{
    QStringList titles;
    for (const QCheckBox* box : child(view, "formatsSection")->findChildren<QCheckBox*>())
        titles << box->text();
    return titles;
}

QStringList formatDescriptions(const QWidget* view)
{
    QStringList texts;
    for (const QLabel* label : child(view, "formatsSection")->findChildren<QLabel*>("formatDescription"))
        texts << label->text();
    return texts;
}

TEST_F(DetailViewTest, EachSourceShowsItsOwnSectionsAndTexts)
{
    auto notes = makeDetail(ExporterType::notes);
    QStringList texts = labelTexts(notes.get());
    for (const char* expected : {"Export Method", "Standard", "Recommended", "Full formatting", "Fast", "Experimental",
                                 "Plain text only", "Output Formats", "Export Location"})
        EXPECT_TRUE(texts.contains(expected)) << expected;
    EXPECT_EQ(notes->findChild<QWidget*>("previewButton"), nullptr);
    EXPECT_EQ(text(notes.get(), "exportButton"), "Export Notes");
    EXPECT_EQ(child<QLineEdit>(notes.get(), "exportPath")->placeholderText(), "Choose location...");
    EXPECT_TRUE(child<QLineEdit>(notes.get(), "exportPath")->isReadOnly());

    auto memos = makeDetail(ExporterType::voiceMemos);
    texts = labelTexts(memos.get());
    EXPECT_TRUE(texts.contains("Export Info"));
    EXPECT_TRUE(texts.contains("Audio files will be copied with original format (.m4a, .mp3, etc.)"));
    EXPECT_FALSE(texts.contains("Export Method"));
    EXPECT_EQ(text(memos.get(), "previewButton"), "Preview");
    EXPECT_EQ(text(memos.get(), "exportButton"), "Export Voice Memos");
    // Names by title only when asked, and the export is asked for it.
    auto* byTitle = child<QCheckBox>(memos.get(), "nameByTitle");
    EXPECT_EQ(byTitle->text(), "Name recordings by their titles");
    EXPECT_FALSE(memos->exportRequest()->nameRecordingsByTitle);
    byTitle->setChecked(true);
    EXPECT_TRUE(memos->exportRequest()->nameRecordingsByTitle);
    // A password, typed hidden, goes with the export and the preview, and nowhere else.
    auto* password = child<QLineEdit>(memos.get(), "password");
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(memos->exportRequest()->passwords.empty());
    password->setText(QStringLiteral("open sesame"));
    EXPECT_EQ(memos->exportRequest()->passwords, std::vector<std::string>{"open sesame"});
    EXPECT_EQ(memos->previewRequest().passwords, std::vector<std::string>{"open sesame"});
    EXPECT_TRUE(memos->exportRequest()->passwordFile.empty());

    auto messages = makeDetail(ExporterType::messages);
    texts = labelTexts(messages.get());
    for (const char* expected : {"Export Options", "Look up contact names from Contacts app (slower)", "Export Info",
                                 "Conversations will be exported in JSON, HTML, and TXT formats",
                                 "Attachments will be copied to organized folders"})
        EXPECT_TRUE(texts.contains(expected)) << expected;
    auto* resolve = child<QCheckBox>(messages.get(), "resolveContactNames");
    EXPECT_EQ(resolve->text(), "Resolve contact names");
    EXPECT_EQ(resolve->toolTip(), "Use Contacts app to replace phone numbers with names. This will make the export "
                                  "slower but more readable.");
    EXPECT_EQ(text(messages.get(), "exportButton"), "Export Messages");
    EXPECT_FALSE(shown(messages.get(), "comingSoon"));
}

TEST_F(DetailViewTest, TestModeRowShowsItsLimitFieldAndIsDisabledInFastMode)
{
    auto notes = makeDetail(ExporterType::notes);
    auto* row = child(notes.get(), "testModeRow");
    EXPECT_EQ(row->toolTip(), "Limit export for testing");
    auto* field = child<QLineEdit>(notes.get(), "testModeLimit");
    EXPECT_FALSE(field->isVisible());
    EXPECT_FALSE(notes->exportRequest()->testModeLimit);

    child<QAbstractButton>(notes.get(), "testMode")->click();
    EXPECT_TRUE(field->isVisible());
    EXPECT_EQ(field->text(), "10");
    EXPECT_EQ(field->placeholderText(), "10");
    EXPECT_TRUE(labelTexts(notes.get()).contains("notes)"));
    EXPECT_EQ(notes->exportRequest()->testModeLimit, 10);

    // Fast mode disables the row but keeps test mode on, and the limit still goes out.
    QTest::mouseClick(child(notes.get(), "methodFast"), Qt::LeftButton);
    EXPECT_FALSE(row->isEnabled());
    EXPECT_TRUE(notes->isTestMode());
    EXPECT_EQ(notes->exportRequest()->testModeLimit, 10);
    QTest::keyClick(child(notes.get(), "methodStandard"), Qt::Key_Space);
    EXPECT_TRUE(row->isEnabled());

    // What the field takes is parseTestLimit's to say (below); the request carries its answer.
    field->setText("+7");
    EXPECT_EQ(notes->exportRequest()->testModeLimit, 7);
    field->setText("abc");
    EXPECT_FALSE(notes->exportRequest()->testModeLimit);
}

TEST(TestLimitTest, AcceptsOnlyASignedDecimalInteger)
{
    EXPECT_EQ(parseTestLimit("10"), 10);
    EXPECT_EQ(parseTestLimit("+7"), 7);
    EXPECT_EQ(parseTestLimit("-3"), -3);
    EXPECT_EQ(parseTestLimit("0"), 0);
    for (const char* bad : {"", "abc", "+", "-", "+-3", "++7", " 7", "7 ", "7x", "1.5", "0x10", "99999999999999999999"})
        EXPECT_FALSE(parseTestLimit(bad)) << bad;
}

TEST_F(DetailViewTest, FastMethodRetitlesHtmlAsTextAndKeepsTheSelection)
{
    auto notes = makeDetail(ExporterType::notes);
    EXPECT_EQ(formatSwitches(notes.get()), (QStringList{"HTML", "Markdown", "PDF", "RTF", "TXT"}));
    EXPECT_EQ(formatDescriptions(notes.get()),
              (QStringList{"Rich text with formatting", "Markdown format with preserved formatting",
                           "Portable document format (requires additional tools)", "Rich text format (Word compatible)",
                           "Plain text with media links"}));
    EXPECT_TRUE(child<QAbstractButton>(notes.get(), "format.HTML")->isChecked());
    EXPECT_EQ(child(child(notes.get(), "methodStandard"), "check")->property("symbolName"), "checkmark.circle.fill");
    EXPECT_EQ(child(child(notes.get(), "methodFast"), "check")->property("symbolName"), "circle");

    child<QAbstractButton>(notes.get(), "format.PDF")->click();
    QTest::mouseClick(child(notes.get(), "methodFast"), Qt::LeftButton);
    EXPECT_TRUE(notes->useFastMode());
    EXPECT_EQ(child(child(notes.get(), "methodFast"), "check")->property("symbolName"), "checkmark.circle.fill");
    EXPECT_EQ(formatSwitches(notes.get()), (QStringList{"TXT", "JSON"}));
    EXPECT_EQ(formatDescriptions(notes.get()),
              (QStringList{"Plain text files (.txt)", "NDJSON format for fast processing"}));
    // Switching the method does not change the chosen formats, even those not offered now.
    EXPECT_EQ(notes->exportFormats(), (ExportFormatSet{ExportFormat::html, ExportFormat::pdf}));

    // JSON alone: the entry titled "TXT" is html.
    child<QAbstractButton>(notes.get(), "format.JSON")->click();
    child<QAbstractButton>(notes.get(), "format.HTML")->click();
    QTest::mouseClick(child(notes.get(), "methodStandard"), Qt::LeftButton);
    child<QAbstractButton>(notes.get(), "format.PDF")->click();
    QTest::mouseClick(child(notes.get(), "methodFast"), Qt::LeftButton);
    const auto request = notes->exportRequest();
    ASSERT_TRUE(request);
    EXPECT_EQ(request->formats, ExportFormatSet{ExportFormat::json});
    EXPECT_TRUE(request->useFastMode);
    EXPECT_TRUE(child(notes.get(), "exportButton")->isEnabled());

    child<QAbstractButton>(notes.get(), "format.JSON")->click();
    EXPECT_FALSE(child(notes.get(), "exportButton")->isEnabled());
    EXPECT_FALSE(notes->exportRequest());
}

TEST_F(DetailViewTest, ExportButtonNeedsAPathAnImplementedSourceAndNoRunningExport)
{
    auto memos = makeDetail(ExporterType::voiceMemos);
    auto* exportButton = child(memos.get(), "exportButton");
    EXPECT_TRUE(exportButton->isEnabled());

    // The chooser's message names the source; a confirmed chooser without a folder empties the path.
    FolderChooser::setNextAnswer(QString());
    child<QPushButton>(memos.get(), "chooseExportPath")->click();
    ASSERT_TRUE(FolderChooser::lastRequest());
    EXPECT_EQ(FolderChooser::lastRequest()->message, "Choose where to export your Voice Memos");
    EXPECT_EQ(FolderChooser::lastRequest()->creation, FolderCreation::allowed);
    EXPECT_EQ(memos->exportPath(), "");
    EXPECT_FALSE(exportButton->isEnabled());
    EXPECT_FALSE(memos->exportRequest());
    memos->startExport();
    EXPECT_FALSE(m_binding.isExporting());

    // A cancelled chooser leaves the path alone.
    FolderChooser::setNextAnswer(QStringLiteral("/somewhere"));
    child<QPushButton>(memos.get(), "chooseExportPath")->click();
    FolderChooser::setNextAnswer(std::nullopt);
    child<QPushButton>(memos.get(), "chooseExportPath")->click();
    EXPECT_EQ(memos->exportPath(), "/somewhere");
    EXPECT_TRUE(exportButton->isEnabled());

    for (ExporterType type :
         {ExporterType::photos, ExporterType::contacts, ExporterType::safari, ExporterType::health}) {
        auto other = makeDetail(type);
        EXPECT_FALSE(child(other.get(), "exportButton")->isEnabled());
        EXPECT_TRUE(shown(other.get(), "comingSoon"));
        EXPECT_EQ(text(other.get(), "comingSoon"), "Coming soon");
    }
    EXPECT_EQ(text(makeDetail(ExporterType::contacts).get(), "exportButton"), "Export Contacts & Calendar");
}

// The window's filters reach the request as the command line's do; a date that is not one stops the export and
// says what form it takes.
TEST_F(DetailViewTest, MessagesFiltersReachTheRequest)
{
    auto messages = makeDetail(ExporterType::messages);
    EXPECT_TRUE(messages->exportRequest()->messagesFilter.isEmpty());
    child<QLineEdit>(messages.get(), "messagesSince")->setText("2024-03-05");
    child<QLineEdit>(messages.get(), "messagesUntil")->setText("2024-03-06");
    child<QLineEdit>(messages.get(), "messagesChats")->setText(" Ada , , +1555 ");
    const auto request = messages->exportRequest();
    ASSERT_TRUE(request);
    EXPECT_EQ(request->messagesFilter.window.from, localDayBound("2024-03-05", DayEdge::start));
    EXPECT_EQ(request->messagesFilter.window.until, localDayBound("2024-03-06", DayEdge::end));
    EXPECT_EQ(request->messagesFilter.chats, (std::vector<std::string>{"Ada", "+1555"}));
    EXPECT_FALSE(shown(messages.get(), "messagesFilterProblem"));

    child<QLineEdit>(messages.get(), "messagesUntil")->setText("2024-02-30");
    EXPECT_FALSE(messages->exportRequest());
    EXPECT_FALSE(child(messages.get(), "exportButton")->isEnabled());
    EXPECT_TRUE(shown(messages.get(), "messagesFilterProblem"));
    EXPECT_EQ(text(messages.get(), "messagesFilterProblem"), "Give dates as YYYY-MM-DD, for example 2024-03-05.");
}

TEST_F(DetailViewTest, PreviewSendsADryRunWithTheContactNamesSetting)
{
    auto messages = makeDetail(ExporterType::messages);
    child<QAbstractButton>(messages.get(), "resolveContactNames")->click();
    child<QAbstractButton>(messages.get(), "testMode")->click();
    const ExportOptions preview = messages->previewRequest();
    EXPECT_TRUE(preview.isDryRun);
    EXPECT_TRUE(preview.resolveContactNames);
    EXPECT_TRUE(preview.formats.empty());
    EXPECT_FALSE(preview.testModeLimit);
    EXPECT_FALSE(preview.useFastMode);
    EXPECT_EQ(preview.sourceHome, sourceHome());
    EXPECT_EQ(preview.outputPath, defaultOutputPath(ExporterType::messages, fixedNow(), userHome()));

    const auto request = messages->exportRequest();
    EXPECT_FALSE(request->isDryRun);
    EXPECT_TRUE(request->formats.empty());
    EXPECT_EQ(request->testModeLimit, 10);
}

} // namespace
} // namespace varnholt::test
