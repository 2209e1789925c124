#include "app/MethodRow.h"

#include "app/Colors.h"
#include "app/Symbols.h"
#include "app/Typography.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace varnholt {

namespace {
constexpr int kCheckSize = 18;
}

MethodRow::MethodRow(const Look& look, std::function<void()> onSelect, QWidget* parent)
    : QFrame(parent), m_look(look), m_onSelect(std::move(onSelect))
{
    setObjectName(QStringLiteral("method") + look.title);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 8, 10, 8);
    row->setSpacing(10);
    m_check = symbolLabel(QStringLiteral("circle"), palette().color(QPalette::PlaceholderText), kCheckSize);
    m_check->setObjectName(QStringLiteral("check"));
    row->addWidget(m_check, 0, Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* titleLine = new QHBoxLayout;
    titleLine->setSpacing(6);
    auto* title = new QLabel(look.title);
    title->setFont(fontOfSize(13, QFont::DemiBold));
    auto* badge = new QLabel(look.badge);
    badge->setObjectName(QStringLiteral("badge"));
    badge->setFont(fontOfSize(9, QFont::DemiBold));
    badge->setStyleSheet(
        QStringLiteral("#badge { color: white; background: %1; border-radius: 4px; padding: 1px 5px; }")
            .arg(cssColor(look.badgeColor)));
    titleLine->addWidget(title);
    titleLine->addWidget(badge);
    titleLine->addStretch(1);
    auto* line = new QLabel(look.line);
    line->setFont(captionFont());
    makeSecondary(line);
    texts->addLayout(titleLine);
    texts->addWidget(line);
    row->addLayout(texts, 1);

    setSelected(false);
}

void MethodRow::setSelected(bool selected)
{
    m_selected = selected;
    if (selected) {
        setSymbol(m_check, QStringLiteral("checkmark.circle.fill"), m_look.tint, kCheckSize);
        setStyleSheet(
            QStringLiteral("QFrame#%1 { background: %2; border: 1px solid %3; border-radius: 6px; }")
                .arg(objectName(), cssColor(withAlpha(m_look.tint, 0.10)), cssColor(withAlpha(m_look.tint, 0.30))));
    } else {
        setSymbol(m_check, QStringLiteral("circle"), palette().color(QPalette::PlaceholderText), kCheckSize);
        setStyleSheet(QStringLiteral("QFrame#%1 { background: transparent; border: 1px solid transparent; "
                                     "border-radius: 6px; }")
                          .arg(objectName()));
    }
}

void MethodRow::mousePressEvent(QMouseEvent* event)
{
    // Accepting the press makes this row receive the matching release.
    if (event->button() == Qt::LeftButton)
        event->accept();
    else
        QFrame::mousePressEvent(event);
}

void MethodRow::keyPressEvent(QKeyEvent* event)
{
    const bool selects =
        event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (selects && m_onSelect)
        m_onSelect();
    else
        QFrame::keyPressEvent(event);
}

void MethodRow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && m_onSelect)
        m_onSelect();
    QFrame::mouseReleaseEvent(event);
}

} // namespace varnholt
