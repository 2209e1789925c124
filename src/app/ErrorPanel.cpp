#include "app/ErrorPanel.h"

#include "app/Colors.h"
#include "app/ExportManagerBinding.h"
#include "app/SettingsGuidance.h"
#include "app/Typography.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace varnholt {

ErrorPanel::ErrorPanel(ExportManagerBinding& binding, QString sourceHome, QWidget* parent)
    : QFrame(parent), m_sourceHome(std::move(sourceHome))
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
    for (const char* step : {"1. Open System Settings", "2. Go to Privacy & Security > Automation", "3. Find Varnholt",
                             "4. Enable the toggle for Notes", "5. Try the export again"})
        help->addWidget(new QLabel(QString::fromUtf8(step)));

    auto* buttons = new QHBoxLayout;
    auto* openSettings = new QPushButton(QStringLiteral("Open System Settings"));
    openSettings->setObjectName(QStringLiteral("openSystemSettings"));
    connect(openSettings, &QPushButton::clicked, this,
            [this] { SettingsGuidance::offer(this, SettingsPage::automation, m_sourceHome); });
    auto* clear = new QPushButton(QStringLiteral("Clear Error"));
    clear->setObjectName(QStringLiteral("clearError"));
    connect(clear, &QPushButton::clicked, this, [&binding] { binding.clearError(); });
    buttons->addWidget(openSettings);
    buttons->addWidget(clear);
    buttons->addStretch(1);
    help->addLayout(buttons);
    column->addWidget(m_helpBox);
}

QString ErrorPanel::errorText(const Error& error)
{
    return QStringLiteral("Export failed: ") + QString::fromStdString(error.description());
}

bool ErrorPanel::needsAutomationHelp(const QString& text)
{
    return text.contains(QStringLiteral("automation permission"), Qt::CaseSensitive) ||
           text.contains(QStringLiteral("Not authorized"), Qt::CaseSensitive);
}

void ErrorPanel::showError(const Error& error)
{
    const QString text = errorText(error);
    m_text->setText(text);
    m_helpBox->setVisible(needsAutomationHelp(text));
}

} // namespace varnholt
