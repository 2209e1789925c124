#pragma once

#include "platform/Error.h"

#include <QFrame>
#include <functional>

class QLabel;
class QPushButton;

namespace varnholt {

class ExportManagerBinding;

// Shows the last failed export: its text in red and, when the source could not be read, the ways
// to make it readable or to choose another.
class ErrorPanel : public QFrame {
public:
    // Without `chooseSource` the help offers no chooser.
    ErrorPanel(ExportManagerBinding& binding, std::function<void()> chooseSource, QWidget* parent = nullptr);

    // Taken from the error itself, so it stays after the manager empties its status line.
    static QString errorText(const Error& error);
    // A source that is missing or unreadable, or a store the standard Notes method could not read
    // (which it reports as a refused consent).
    static bool needsAccessHelp(const Error& error);

    void showError(const Error& error);

private:
    QLabel* m_text = nullptr;
    QFrame* m_helpBox = nullptr;
};

} // namespace varnholt
