#include "WindowFixture.h"

#include "app/Colors.h"
#include "sample-home/BackupBuilder.h"
#include "sample-home/SampleFiles.h"
#include "support/ScopedEnvironment.h"

#include <QPushButton>

namespace varnholt::test {
namespace {

using MainWindowTest = WindowFixture;

QColor rgb(double r, double g, double b)
{
    return QColor::fromRgbF(static_cast<float>(r), static_cast<float>(g), static_cast<float>(b));
}

TEST_F(MainWindowTest, OpensOnNotesWithThreeSegmentsInOrderAndItsSizeLimits)
{
    auto window = makeWindow();
    EXPECT_EQ(window->windowTitle(), "Varnholt");
    EXPECT_EQ(window->minimumSize(), QSize(500, 500));
    EXPECT_EQ(window->maximumSize(), QSize(600, 600));
    EXPECT_EQ(window->size(), QSize(550, 550));
    EXPECT_EQ(window->selectedExporter(), ExporterType::notes);

    const auto segments = child(window.get(), "sourcePicker")->findChildren<QPushButton*>();
    ASSERT_EQ(segments.size(), 3);
    EXPECT_EQ(segments[0]->text(), "Notes");
    EXPECT_EQ(segments[1]->text(), "Voice Memos");
    EXPECT_EQ(segments[2]->text(), "Messages");
    EXPECT_TRUE(segments[0]->isChecked());
    EXPECT_EQ(text(window.get(), "sourceFolder"), QString::fromStdString(sourceHome()));
}

TEST_F(MainWindowTest, HeaderShowsTitleSubtitleAndColouredIconOfTheSelectedSource)
{
    struct Expected {
        const char* segment;
        const char* title;
        const char* subtitle;
        const char* symbol;
        QColor color;
    };
    const Expected cases[] = {
        {"segmentVoiceMemos", "Voice Memos Varnholt", "Export your Voice Memos", "mic.circle", rgb(1.0, 0.2, 0.2)},
        {"segmentMessages", "Messages Varnholt", "Export your iMessage conversations", "message", rgb(0.2, 0.6, 1.0)},
        {"segmentNotes", "Varnholt", "Export your Apple Notes", "note.text", rgb(1.0, 0.8, 0.0)},
    };
    auto window = makeWindow();
    for (const Expected& expected : cases) {
        SCOPED_TRACE(expected.segment);
        child<QPushButton>(window.get(), expected.segment)->click();
        EXPECT_EQ(text(window.get(), "headerTitle"), expected.title);
        EXPECT_EQ(text(window.get(), "headerSubtitle"), expected.subtitle);
        const QLabel* icon = child<QLabel>(window.get(), "headerIcon");
        EXPECT_EQ(icon->property("symbolName").toString(), expected.symbol);
        EXPECT_EQ(icon->property("symbolColor").value<QColor>(), expected.color);
        // The symbol was drawn: the SVG image plugin is present and the file is in the resources.
        const QImage image = icon->pixmap().toImage();
        ASSERT_FALSE(image.isNull());
        bool anyPainted = false;
        for (int y = 0; y < image.height() && !anyPainted; ++y)
            for (int x = 0; x < image.width() && !anyPainted; ++x)
                anyPainted = qAlpha(image.pixel(x, y)) > 200 && QColor(image.pixel(x, y)).rgb() == expected.color.rgb();
        EXPECT_TRUE(anyPainted) << "icon not drawn in its colour";
    }
}

TEST(SourceIconColorTest, SourcesWithoutAColourOfTheirOwnTakeTheAccentColour)
{
    QPalette palette;
    palette.setColor(QPalette::Highlight, QColor(10, 20, 30));
    for (ExporterType type : {ExporterType::photos, ExporterType::contacts, ExporterType::safari, ExporterType::health})
        EXPECT_EQ(sourceIconColor(type, palette), QColor(10, 20, 30));
    EXPECT_EQ(sourceIconColor(ExporterType::notes, palette), rgb(1.0, 0.8, 0.0));
}

TEST_F(MainWindowTest, SwitchingSourcesGivesAFreshScreenWithDefaults)
{
    auto window = makeWindow();
    ExporterDetailView* notes = window->detailView();
    const QString defaultPath = QString::fromStdString(defaultOutputPath(ExporterType::notes, fixedNow(), userHome()));
    EXPECT_EQ(notes->exportPath(), defaultPath);

    FolderChooser::setNextAnswer(QStringLiteral("/chosen/folder"));
    child<QPushButton>(notes, "chooseExportPath")->click();
    QTest::mouseClick(child(notes, "methodFast"), Qt::LeftButton);
    child<QAbstractButton>(notes, "format.JSON")->click();
    child<QAbstractButton>(notes, "testMode")->click();
    ASSERT_EQ(notes->exportPath(), "/chosen/folder");
    ASSERT_TRUE(notes->useFastMode());
    ASSERT_EQ(notes->exportFormats(), (ExportFormatSet{ExportFormat::html, ExportFormat::json}));

    child<QPushButton>(window.get(), "segmentVoiceMemos")->click();
    EXPECT_EQ(window->detailView()->exporterType(), ExporterType::voiceMemos);
    child<QPushButton>(window.get(), "segmentNotes")->click();

    ExporterDetailView* fresh = window->detailView();
    EXPECT_EQ(fresh->exporterType(), ExporterType::notes);
    EXPECT_EQ(fresh->exportPath(), defaultPath);
    EXPECT_FALSE(fresh->useFastMode());
    EXPECT_FALSE(fresh->isTestMode());
    EXPECT_EQ(fresh->exportFormats(), ExportFormatSet{ExportFormat::html});
    EXPECT_EQ(window->findChildren<QWidget*>("detailView").size(), 1);
}

TEST_F(MainWindowTest, ChoosingTheSourceFolderProbesItAgainAndFeedsTheExport)
{
    m_readable = false;
    auto window = makeWindow();
    child<QPushButton>(window.get(), "segmentMessages")->click();
    EXPECT_TRUE(shown(window.get(), "fdaBanner"));

    const std::string other = (m_temp / "copy").string();
    m_readable = true;
    m_probed.clear();
    FolderChooser::setNextAnswer(QString::fromStdString(other));
    child<QPushButton>(window.get(), "chooseSourceFolder")->click();

    ASSERT_TRUE(FolderChooser::lastRequest());
    EXPECT_EQ(FolderChooser::lastRequest()->creation, FolderCreation::notAllowed);
    EXPECT_EQ(text(window.get(), "sourceFolder"), QString::fromStdString(other));
    EXPECT_EQ(m_probed, std::vector<std::string>{other + "/Library/Messages/chat.db"});
    EXPECT_FALSE(shown(window.get(), "fdaBanner"));
    EXPECT_EQ(window->detailView()->exporterType(), ExporterType::messages);
    EXPECT_EQ(window->detailView()->exportRequest()->sourceHome, other);

    // A cancelled chooser changes nothing.
    FolderChooser::setNextAnswer(std::nullopt);
    child<QPushButton>(window.get(), "chooseSourceFolder")->click();
    EXPECT_EQ(window->sourceHome(), other);
}

TEST_F(MainWindowTest, ABackupChosenAsSourceIsNamedByItsDeviceAndProbedThroughItsManifest)
{
    const ScopedEnvironment utc("TZ", "UTC");
    const std::filesystem::path backup = m_temp / "backup";
    sample::BackupBuilder builder(backup);
    builder.addBytes("HomeDomain", "Library/SMS/sms.db", "SQLite format 3");
    builder.finish();
    auto window = makeWindow();
    child<QPushButton>(window.get(), "segmentMessages")->click();
    EXPECT_FALSE(shown(window.get(), "sourceKind")); // a Mac home needs no words

    m_probed.clear();
    FolderChooser::setNextAnswer(QString::fromStdString(backup.string()));
    child<QPushButton>(window.get(), "chooseSourceFolder")->click();
    EXPECT_EQ(text(window.get(), "sourceKind"), "iPhone backup of Ada's iPhone, iOS 17.4.1, 2024-05-01 12:51");
    EXPECT_EQ(m_probed, std::vector<std::string>{backup.string() + "/Manifest.db"});

    // A backup that cannot be read says why in the same place.
    std::filesystem::remove(backup / "Manifest.plist");
    FolderChooser::setNextAnswer(QString::fromStdString(backup.string()));
    child<QPushButton>(window.get(), "chooseSourceFolder")->click();
    EXPECT_TRUE(text(window.get(), "sourceKind").contains("Manifest.plist is missing"));
}

} // namespace
} // namespace varnholt::test
