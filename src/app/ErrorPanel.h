#pragma once

#include "platform/Error.h"

#include <QFrame>

class QLabel;

namespace varnholt {

class ExportManagerBinding;

// Shows the last failed export: its text in red and, when the cause is the
// missing automation consent, the steps to grant it.
class ErrorPanel : public QFrame {
public:
    ErrorPanel(ExportManagerBinding& binding, QString sourceHome, QWidget* parent = nullptr);

    // Taken from the error itself, so it stays after the manager empties its status line.
    static QString errorText(const Error& error);
    static bool needsAutomationHelp(const QString& text);

    void showError(const Error& error);

private:
    QString m_sourceHome;
    QLabel* m_text = nullptr;
    QFrame* m_helpBox = nullptr;
};

} // namespace varnholt
