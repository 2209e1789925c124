#include "app/SettingsGuidance.h"

#include "app/UrlOpener.h"

#include <QMessageBox>
#include <QPushButton>

namespace varnholt {

namespace {
struct SeamState {
    std::optional<SettingsGuidance::Answer> nextAnswer;
    std::optional<QString> lastExplanation;
};

SeamState& seam()
{
    static SeamState state;
    return state;
}

SettingsGuidance::Answer ask(QWidget* parent, const QString& explanation, const QString& address)
{
    if (auto answer = std::exchange(seam().nextAnswer, std::nullopt))
        return *answer;
    QMessageBox box(parent);
    box.setIcon(QMessageBox::Information);
    box.setWindowTitle(QStringLiteral("Varnholt"));
    box.setText(explanation);
    box.setInformativeText(QStringLiteral("On a Mac, this button opens System Settings at:\n%1").arg(address));
    QPushButton* open = box.addButton(QStringLiteral("Open Address"), QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Close);
    box.exec();
    return box.clickedButton() == open ? SettingsGuidance::Answer::openAddress : SettingsGuidance::Answer::close;
}
} // namespace

QString SettingsGuidance::address(SettingsPage page)
{
    if (page == SettingsPage::automation)
        return QStringLiteral("x-apple.systempreferences:com.apple.preference.security?Privacy_Automation");
    return QStringLiteral("x-apple.systempreferences:com.apple.preference.security?Privacy_AllFiles");
}

QString SettingsGuidance::explanation(SettingsPage page, const QString& sourceHome)
{
    const QString readableCopy =
        QStringLiteral("Make that folder readable for your user, or copy the Mac home folder to a place you can "
                       "read and select the copy with \"Choose...\" next to \"Source folder\".");
    if (page == SettingsPage::automation)
        return QStringLiteral("On Linux there is no Automation permission: Varnholt answers for the Notes app from "
                              "the Notes database in the Mac home's Library folder:\n\n%1\n\n%2 Then try the export "
                              "again.")
            .arg(sourceHome + QStringLiteral("/Library/Group Containers/group.com.apple.notes"), readableCopy);
    return QStringLiteral("On Linux there is no Full Disk Access: Varnholt reads the Library folder of the Mac home "
                          "folder chosen as \"Source folder\":\n\n%1\n\n%2 Varnholt checks again when you switch "
                          "sources.")
        .arg(sourceHome + QStringLiteral("/Library"), readableCopy);
}

void SettingsGuidance::offer(QWidget* parent, SettingsPage page, const QString& sourceHome)
{
    const QString text = explanation(page, sourceHome);
    seam().lastExplanation = text;
    if (ask(parent, text, address(page)) != Answer::openAddress)
        return;
    const QUrl url(address(page));
    if (url.isValid())
        UrlOpener::open(url);
}

void SettingsGuidance::setNextAnswer(Answer answer)
{
    seam().nextAnswer = answer;
}

const std::optional<QString>& SettingsGuidance::lastExplanation()
{
    return seam().lastExplanation;
}

void SettingsGuidance::reset()
{
    seam() = SeamState{};
}

} // namespace varnholt
