#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace varnholt {

enum class SettingsPage { fullDiskAccess, automation };

// The way to a missing permission. The system-settings pages the buttons name
// exist only on a Mac, so on this platform a short dialog first says what to
// do here instead, then offers the page's address. Tests queue an answer.
class SettingsGuidance {
public:
    enum class Answer { openAddress, close };

    static QString address(SettingsPage page);
    // The explanation shown for a page, naming the folder that must be readable.
    static QString explanation(SettingsPage page, const QString& sourceHome);

    static void offer(QWidget* parent, SettingsPage page, const QString& sourceHome);

    static void setNextAnswer(Answer answer);
    // The explanation of the last offer(), shown or answered by the seam.
    static const std::optional<QString>& lastExplanation();
    static void reset();
};

} // namespace varnholt
