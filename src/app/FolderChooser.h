#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace varnholt {

enum class FolderCreation { allowed, notAllowed };

// A modal folder chooser with a seam for tests: a queued answer is returned
// instead of showing the dialog, so no test ever waits for a user.
class FolderChooser {
public:
    struct Request {
        QString message;
        QString startFolder;
        FolderCreation creation = FolderCreation::allowed;
    };

    // No value when the user cancels; an empty path when the dialog confirms without a folder.
    static std::optional<QString> chooseFolder(QWidget* parent, const Request& request);

    // The next chooseFolder() returns this answer without showing anything.
    static void setNextAnswer(std::optional<QString> answer);
    // The request of the last chooseFolder() call, shown or answered by the seam.
    static const std::optional<Request>& lastRequest();
    static void reset();
};

} // namespace varnholt
