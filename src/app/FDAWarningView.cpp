#include "app/FDAWarningView.h"

#include "app/Colors.h"
#include "app/Symbols.h"
#include "app/Typography.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace varnholt {

FDAWarningView::FDAWarningView(const SourceAccess& access, std::function<void()> chooseSource, QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("fdaBanner"));
    setStyleSheet(QStringLiteral("#fdaBanner { background: %1; border-radius: 8px; }")
                      .arg(cssColor(withAlpha(orangeColor(), 0.12))));

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 10, 12, 10);
    row->setSpacing(10);
    row->addWidget(symbolLabel(QStringLiteral("exclamationmark.triangle.fill"), orangeColor(), 20), 0, Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* title = new QLabel(QStringLiteral("Cannot Read the Source Folder"));
    title->setFont(fontOfSize(13, QFont::DemiBold));
    auto* caption = new QLabel(explanation(access));
    caption->setObjectName(QStringLiteral("accessExplanation"));
    caption->setTextFormat(Qt::PlainText);
    caption->setFont(captionFont());
    caption->setWordWrap(true);
    caption->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    makeSecondary(caption);
    texts->addWidget(title);
    texts->addWidget(caption);
    row->addLayout(texts, 1);

    if (chooseSource) {
        auto* choose = new QPushButton(QStringLiteral("Choose..."));
        choose->setObjectName(QStringLiteral("chooseSourceFromBanner"));
        choose->setToolTip(QStringLiteral("Choose another source folder"));
        connect(choose, &QPushButton::clicked, this, [chooseSource = std::move(chooseSource)] { chooseSource(); });
        row->addWidget(choose, 0, Qt::AlignVCenter);
    }
}

QString FDAWarningView::explanation(const SourceAccess& access)
{
    const QString path = QString::fromStdString(access.path);
    switch (access.problem.value_or(AccessProblem::permissionDenied)) {
    case AccessProblem::missing:
        return QStringLiteral("%1 does not exist. If it lies on a disk that is not mounted, mount the disk; or "
                              "choose the folder that holds the data.")
            .arg(path);
    case AccessProblem::notASource:
        return QStringLiteral("%1 is neither a Mac home folder (it has no Library folder) nor an iPhone or iPad "
                              "backup (it has no Manifest.db). Choose one, or start Varnholt with --source DIR.")
            .arg(path);
    case AccessProblem::permissionDenied:
        break;
    }
    return QStringLiteral("Permission denied: your user may not read %1. Give your user read permission there (or "
                          "ask the owner of the files), or choose a copy you can read.")
        .arg(path);
}

} // namespace varnholt
