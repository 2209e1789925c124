#include "app/ErrorPanel.h"

#include "app/Colors.h"
#include "app/ExportManagerBinding.h"
#include "app/Typography.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace varnholt {

ErrorPanel::ErrorPanel(ExportManagerBinding& binding, std::function<void()> chooseSource, QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("errorPanel"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);

    m_text = new QLabel;
    m_text->setObjectName(QStringLiteral("errorText"));
    m_text->setTextFormat(Qt::PlainText);
    m_text->setWordWrap(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QPalette palette = m_text->palette();
    palette.setColor(QPalette::WindowText, redColor());
    m_text->setPalette(palette);
    column->addWidget(m_text);

    m_helpBox = new QFrame;
    m_helpBox->setObjectName(QStringLiteral("helpBox"));
    m_helpBox->setStyleSheet(QStringLiteral("#helpBox { background: %1; border-radius: 8px; }")
                                 .arg(cssColor(withAlpha(orangeColor(), 0.10))));
    auto* help = new QVBoxLayout(m_helpBox);
    help->setContentsMargins(12, 12, 12, 12);
    help->setSpacing(8);
    auto* heading = new QLabel(QStringLiteral("How to fix:"));
    heading->setFont(headlineFont());
    help->addWidget(heading);
    for (const char* step : {"1. Give your user read permission on the source folder (or ask the owner of its files)",
                             "2. If it lies on a disk that is not mounted, mount the disk",
                             "3. Or choose another source folder", "4. Try the export again"}) {
        auto* line = new QLabel(QString::fromUtf8(step));
        line->setWordWrap(true);
        help->addWidget(line);
    }

    auto* buttons = new QHBoxLayout;
    if (chooseSource) {
        auto* choose = new QPushButton(QStringLiteral("Choose..."));
        choose->setObjectName(QStringLiteral("chooseSourceFromError"));
        choose->setToolTip(QStringLiteral("Choose another source folder"));
        connect(choose, &QPushButton::clicked, this, [chooseSource = std::move(chooseSource)] { chooseSource(); });
        buttons->addWidget(choose);
    }
    auto* clear = new QPushButton(QStringLiteral("Clear Error"));
    clear->setObjectName(QStringLiteral("clearError"));
    connect(clear, &QPushButton::clicked, this, [&binding] { binding.clearError(); });
    buttons->addWidget(clear);
    buttons->addStretch(1);
    help->addLayout(buttons);
    column->addWidget(m_helpBox);
}

QString ErrorPanel::errorText(const Error& error)
{
    return QStringLiteral("Export failed: ") + QString::fromStdString(error.description());
}

bool ErrorPanel::needsAccessHelp(const Error& error)
{
    if (error.kind() == ErrorKind::permission || error.kind() == ErrorKind::notFound)
        return true;
    const QString text = errorText(error);
    return text.contains(QStringLiteral("automation permission"), Qt::CaseSensitive) ||
           text.contains(QStringLiteral("Not authorized"), Qt::CaseSensitive);
}

void ErrorPanel::showError(const Error& error)
{
    m_text->setText(errorText(error));
    m_helpBox->setVisible(needsAccessHelp(error));
}

} // namespace varnholt
