#include "WindowFixture.h"

#include "app/ErrorPanel.h"
#include "app/FDAWarningView.h"
#include "model/ExportError.h"
#include "platform/DomainError.h"
#include "sample-home/SampleFiles.h"
#include "support/Unprivileged.h"

#include <QPushButton>
#include <sys/stat.h>

namespace varnholt::test {
namespace {

namespace fs = std::filesystem;

using PermissionTest = WindowFixture;

TEST_F(PermissionTest, BannerNamesWhatCannotBeReadAndWhyAndOffersNoExportThatWouldFail)
{
    // Messages and Notes each read one store; the banner names it.
    const std::pair<ExporterType, std::string> stores[] = {
        {ExporterType::messages, "/Library/Messages/chat.db"},
        {ExporterType::notes, "/Library/Group Containers/group.com.apple.notes/NoteStore.sqlite"}};
    for (const auto& [type, store] : stores) {
        SCOPED_TRACE(std::string(rawValue(type)));
        fs::remove_all(sourceHome());
        fs::create_directories(sourceHome());
        const std::string chatDb = sourceHome() + store;
        struct Case {
            const char* name;
            std::function<void()> arrange;
            std::string folder; // the source folder chosen
            std::string path;   // named in the banner
            AccessProblem problem;
            const char* told;
        };
        const std::string absent = (m_temp / "unplugged-disk").string();
        const Case cases[] = {
            {"a folder that is no Mac home", [] {}, sourceHome(), sourceHome(), AccessProblem::notASource,
             "is neither a Mac home folder"},
            {"a home without Messages", [&] { fs::create_directories(sourceHome() + "/Library"); }, sourceHome(),
             chatDb, AccessProblem::missing,
             "does not exist. If it lies on a disk that is not mounted, mount the disk"},
            {"a database this user may not read", [&] { sample::writeSampleFile(chatDb, "SQLite format 3"); },
             sourceHome(), chatDb, AccessProblem::permissionDenied, "Permission denied: your user may not read "},
            {"a folder that is gone", [] {}, absent, absent, AccessProblem::missing, "does not exist"},
        };
        m_readable = false;
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            c.arrange();
            m_probed.clear();
            WindowEnvironment chosen = environment();
            chosen.sourceHome = c.folder;
            ExporterDetailView messages(type, m_binding, chosen);
            messages.show();
            // Only the store's own file is probed, as before anything is opened.
            EXPECT_EQ(m_probed, std::vector<std::string>{c.folder + store});
            EXPECT_FALSE(messages.hasFDAAccess());
            EXPECT_EQ(messages.sourceAccess().path, c.path);
            EXPECT_EQ(messages.sourceAccess().problem, c.problem);
            ASSERT_TRUE(shown(&messages, "fdaBanner"));
            const QString explanation = text(&messages, "accessExplanation");
            EXPECT_TRUE(explanation.contains(QString::fromStdString(c.path))) << explanation.toStdString();
            EXPECT_TRUE(explanation.contains(QString::fromStdString(c.told))) << explanation.toStdString();
            EXPECT_TRUE(labelTexts(child(&messages, "fdaBanner")).contains("Cannot Read the Source Folder"));
            // Nothing that would only fail: no settings to open, no export or preview to press.
            EXPECT_TRUE(child(&messages, "fdaBanner")->findChildren<QPushButton*>().isEmpty())
                << "a screen made without the window has no chooser to offer";
            EXPECT_FALSE(child(&messages, "exportButton")->isEnabled());
            if (type == ExporterType::messages) { // Notes has no preview
                EXPECT_FALSE(child(&messages, "previewButton")->isEnabled());
            }
        }
    }

    // Other sources are not probed; Safari needs the permission but is never probed either.
    m_probed.clear();
    for (ExporterType type : {ExporterType::voiceMemos, ExporterType::safari}) {
        auto other = makeDetail(type);
        EXPECT_TRUE(other->hasFDAAccess());
        EXPECT_FALSE(shown(other.get(), "fdaBanner"));
    }
    EXPECT_TRUE(m_probed.empty());

    m_readable = true;
    auto readable = makeDetail(ExporterType::messages);
    EXPECT_FALSE(shown(readable.get(), "fdaBanner"));
    EXPECT_TRUE(child(readable.get(), "exportButton")->isEnabled());
    EXPECT_TRUE(child(readable.get(), "previewButton")->isEnabled());

    // The real probe finds no database in the home made above without one.
    WindowEnvironment plain = environment();
    plain.isReadable = defaultReadabilityProbe();
    fs::remove(sourceHome() + "/Library/Messages/chat.db");
    fs::create_directories(sourceHome() + "/Library");
    ExporterDetailView view(ExporterType::messages, m_binding, plain);
    view.show();
    EXPECT_TRUE(shown(&view, "fdaBanner"));
    EXPECT_EQ(view.sourceAccess().problem, AccessProblem::missing);
}

TEST_F(PermissionTest, AFolderThisUserMayNotEnterIsDeniedNotMissing)
{
    if (!canTestPermissions())
        GTEST_SKIP() << "cannot drop root's power to read every file here";
    const fs::path messages = m_temp / "home/Library/Messages";
    sample::writeSampleFile(messages / "chat.db", "SQLite format 3");
    ASSERT_EQ(::chmod(messages.c_str(), 0700), 0);
    const int result = runUnprivileged([&] {
        const SourceAccess access = checkSourceAccess(sourceHome(), ExporterType::messages, defaultReadabilityProbe());
        if (access.problem != AccessProblem::permissionDenied)
            return 1;
        return access.path == (messages / "chat.db").string() ? 0 : 2;
    });
    ::chmod(messages.c_str(), 0755);
    EXPECT_EQ(result, 0);
}

TEST_F(PermissionTest, ChooseInTheBannerOrTheErrorHelpOpensTheSourceFolderChooser)
{
    m_readable = false;
    auto window = makeWindow();
    child<QPushButton>(window.get(), "segmentMessages")->click();
    ASSERT_TRUE(shown(window.get(), "fdaBanner"));

    const std::string copy = (m_temp / "copy").string();
    FolderChooser::setNextAnswer(QString::fromStdString(copy));
    m_readable = true;
    child<QPushButton>(window.get(), "chooseSourceFromBanner")->click();
    QCoreApplication::sendPostedEvents(); // the chooser runs once the click is over
    ASSERT_TRUE(FolderChooser::lastRequest());
    EXPECT_EQ(FolderChooser::lastRequest()->creation, FolderCreation::notAllowed);
    EXPECT_EQ(window->sourceHome(), copy);
    EXPECT_FALSE(shown(window.get(), "fdaBanner"));

    // A failed export that could not read the source offers the same chooser.
    m_binding.startExport([&] {
        ExportOptions options;
        options.type = ExporterType::messages;
        options.sourceHome = (m_temp / "nowhere").string();
        options.outputPath = (m_temp / "out").string();
        return options;
    }());
    ASSERT_TRUE(m_queue.runUntil([&] { return m_binding.lastError() != nullptr; }));
    ASSERT_TRUE(shown(window.get(), "errorPanel"));
    EXPECT_TRUE(shown(window.get(), "helpBox"));
    FolderChooser::setNextAnswer(QString::fromStdString(sourceHome()));
    child<QPushButton>(window.get(), "chooseSourceFromError")->click();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(window->sourceHome(), sourceHome());
    m_queue.advance(std::chrono::seconds(2));
}

TEST_F(PermissionTest, HelpBoxForASourceThatCannotBeReadOrAStoreTheNotesMethodCouldNotRead)
{
    ErrorPanel panel(m_binding, {});
    panel.show();
    struct Case {
        ErrorPtr error;
        bool help;
    };
    const Case cases[] = {
        {std::make_shared<DomainError>("MessagesExporter", 1, "Cannot read /mnt/mac/chat.db: Permission denied",
                                       ErrorKind::permission),
         true},
        {std::make_shared<DomainError>("VoiceMemosExporter", 1, "No recordings folder", ErrorKind::notFound), true},
        {std::make_shared<ExportError>(ExportError::permissionDenied("Please grant automation permission for Notes")),
         true},
        {std::make_shared<DomainError>("NotesExporter", -1743, "Not authorized to send Apple events to Notes."), true},
        {std::make_shared<DomainError>("NotesExporter", 1, "The script ended with exit code 1"), false},
        {std::make_shared<DomainError>("Export", 1, "No space left on device", ErrorKind::diskFull), false},
        // The texts are tested case-sensitively.
        {std::make_shared<DomainError>("NotesExporter", 1, "Automation Permission missing"), false},
        {std::make_shared<DomainError>("NotesExporter", 1, "not authorized"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error->description());
        panel.showError(*c.error);
        EXPECT_EQ(text(&panel, "errorText"), "Export failed: " + QString::fromStdString(c.error->description()));
        EXPECT_EQ(shown(&panel, "helpBox"), c.help);
    }
    const QStringList texts = labelTexts(child(&panel, "helpBox"));
    EXPECT_EQ(texts.first(), "How to fix:");
    EXPECT_TRUE(texts.join('\n').contains("read permission")) << texts.join('\n').toStdString();
    EXPECT_TRUE(texts.join('\n').contains("mount the disk"));
    EXPECT_EQ(child(&panel, "helpBox")->findChildren<QPushButton*>().size(), 1) << "only Clear Error without a chooser";
}

} // namespace
} // namespace varnholt::test
