#include "WindowFixture.h"

#include "app/ErrorPanel.h"
#include "model/ExportError.h"
#include "platform/DomainError.h"

#include <QPushButton>

namespace varnholt::test {
namespace {

using PermissionTest = WindowFixture;

TEST_F(PermissionTest, BannerShowsOnlyForAnUnreadableMessagesDatabaseAsTheProbeSays)
{
    m_readable = false;
    auto messages = makeDetail(ExporterType::messages);
    EXPECT_EQ(m_probed, std::vector<std::string>{sourceHome() + "/Library/Messages/chat.db"});
    EXPECT_FALSE(messages->hasFDAAccess());
    ASSERT_TRUE(shown(messages.get(), "fdaBanner"));
    const QStringList texts = labelTexts(child(messages.get(), "fdaBanner"));
    EXPECT_TRUE(texts.contains("Full Disk Access Required"));
    EXPECT_TRUE(
        texts.contains("This exporter needs Full Disk Access. Grant it in System Settings > Privacy & Security."));
    // Advisory only: the buttons stay usable.
    EXPECT_TRUE(child(messages.get(), "exportButton")->isEnabled());
    EXPECT_TRUE(child(messages.get(), "previewButton")->isEnabled());

    // Other sources are not probed; Safari needs the permission but is never probed either.
    m_probed.clear();
    for (ExporterType type : {ExporterType::notes, ExporterType::voiceMemos, ExporterType::safari}) {
        auto other = makeDetail(type);
        EXPECT_TRUE(other->hasFDAAccess());
        EXPECT_FALSE(shown(other.get(), "fdaBanner"));
    }
    EXPECT_TRUE(m_probed.empty());

    m_readable = true;
    EXPECT_FALSE(shown(makeDetail(ExporterType::messages).get(), "fdaBanner"));

    // The real probe finds no database in the empty home.
    WindowEnvironment plain = environment();
    plain.isReadable = defaultReadabilityProbe();
    ExporterDetailView view(ExporterType::messages, m_binding, plain);
    view.show();
    EXPECT_TRUE(shown(&view, "fdaBanner"));
}

TEST_F(PermissionTest, SettingsButtonsExplainTheLinuxWayBeforeOfferingTheAddress)
{
    std::vector<QUrl> opened;
    UrlOpener::setHandler([&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    m_readable = false;
    auto messages = makeDetail(ExporterType::messages);

    SettingsGuidance::setNextAnswer(SettingsGuidance::Answer::close);
    child<QPushButton>(messages.get(), "openSettings")->click();
    ASSERT_TRUE(SettingsGuidance::lastExplanation());
    EXPECT_TRUE(SettingsGuidance::lastExplanation()->contains(QString::fromStdString(sourceHome() + "/Library")));
    EXPECT_TRUE(SettingsGuidance::lastExplanation()->contains("Source folder"));
    EXPECT_TRUE(opened.empty());

    SettingsGuidance::setNextAnswer(SettingsGuidance::Answer::openAddress);
    child<QPushButton>(messages.get(), "openSettings")->click();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].toString(), "x-apple.systempreferences:com.apple.preference.security?Privacy_AllFiles");

    ErrorPanel panel(m_binding, QString::fromStdString(sourceHome()));
    panel.showError(ExportError::permissionDenied("Notes automation permission is missing"));
    SettingsGuidance::setNextAnswer(SettingsGuidance::Answer::openAddress);
    child<QPushButton>(&panel, "openSystemSettings")->click();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[1].toString(), "x-apple.systempreferences:com.apple.preference.security?Privacy_Automation");
    EXPECT_TRUE(SettingsGuidance::lastExplanation()->contains("group.com.apple.notes"));
}

TEST_F(PermissionTest, HelpBoxOnlyForAMissingAutomationConsent)
{
    ErrorPanel panel(m_binding, QString::fromStdString(sourceHome()));
    panel.show();
    struct Case {
        ErrorPtr error;
        bool help;
    };
    const Case cases[] = {
        {std::make_shared<ExportError>(ExportError::permissionDenied("Please grant automation permission for Notes")),
         true},
        {std::make_shared<DomainError>("NotesExporter", -1743, "Not authorized to send Apple events to Notes."), true},
        {std::make_shared<DomainError>("NotesExporter", 1, "The script ended with exit code 1"), false},
        // Both tests are case-sensitive.
        {std::make_shared<DomainError>("NotesExporter", 1, "Automation Permission missing"), false},
        {std::make_shared<DomainError>("NotesExporter", 1, "not authorized"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error->description());
        panel.showError(*c.error);
        EXPECT_EQ(text(&panel, "errorText"), "Export failed: " + QString::fromStdString(c.error->description()));
        EXPECT_EQ(shown(&panel, "helpBox"), c.help);
    }
    panel.showError(ExportError::permissionDenied("automation permission"));
    const QStringList texts = labelTexts(child(&panel, "helpBox"));
    EXPECT_EQ(texts, (QStringList{"How to fix:", "1. Open System Settings", "2. Go to Privacy & Security > Automation",
                                  "3. Find Varnholt", "4. Enable the toggle for Notes", "5. Try the export again"}));
}

} // namespace
} // namespace varnholt::test
