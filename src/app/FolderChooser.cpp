#include "app/FolderChooser.h"

#include <QFileDialog>

namespace varnholt {

namespace {
struct SeamState {
    bool hasAnswer = false;
    std::optional<QString> answer;
    std::optional<FolderChooser::Request> lastRequest;
};

SeamState& seam()
{
    static SeamState state;
    return state;
}
} // namespace

std::optional<QString> FolderChooser::chooseFolder(QWidget* parent, const Request& request)
{
    seam().lastRequest = request;
    if (seam().hasAnswer) {
        seam().hasAnswer = false;
        return std::exchange(seam().answer, std::nullopt);
    }

    QFileDialog dialog(parent, request.message, request.startFolder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setOption(QFileDialog::ReadOnly, request.creation == FolderCreation::notAllowed);
    dialog.setLabelText(QFileDialog::Accept, QObject::tr("Choose"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

void FolderChooser::setNextAnswer(std::optional<QString> answer)
{
    seam().hasAnswer = true;
    seam().answer = std::move(answer);
}

const std::optional<FolderChooser::Request>& FolderChooser::lastRequest()
{
    return seam().lastRequest;
}

void FolderChooser::reset()
{
    seam() = SeamState{};
}

} // namespace varnholt
