#include "app/FDAWarningView.h"

#include "app/Colors.h"
#include "app/SettingsGuidance.h"
#include "app/Symbols.h"
#include "app/Typography.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace varnholt {

FDAWarningView::FDAWarningView(QString sourceHome, QWidget* parent)
    : QFrame(parent), m_sourceHome(std::move(sourceHome))
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
    auto* title = new QLabel(QStringLiteral("Full Disk Access Required"));
    title->setFont(fontOfSize(13, QFont::DemiBold));
    auto* caption = new QLabel(
        QStringLiteral("This exporter needs Full Disk Access. Grant it in System Settings > Privacy & Security."));
    caption->setFont(captionFont());
    caption->setWordWrap(true);
    makeSecondary(caption);
    texts->addWidget(title);
    texts->addWidget(caption);
    row->addLayout(texts, 1);

    auto* open = new QPushButton(QStringLiteral("Open Settings"));
    open->setObjectName(QStringLiteral("openSettings"));
    connect(open, &QPushButton::clicked, this,
            [this] { SettingsGuidance::offer(this, SettingsPage::fullDiskAccess, m_sourceHome); });
    row->addWidget(open, 0, Qt::AlignVCenter);
}

} // namespace varnholt
