#include "app/Typography.h"

#include <QLabel>

namespace varnholt {

QFont fontOfSize(double points, QFont::Weight weight)
{
    // The layout's points are device-independent pixels, like the window's size limits,
    // so text keeps its proportions to the window whatever the screen's DPI setting.
    QFont font;
    font.setPixelSize(qRound(points));
    font.setWeight(weight);
    return font;
}

QFont headlineFont()
{
    return fontOfSize(13, QFont::DemiBold);
}

QFont captionFont()
{
    return fontOfSize(11);
}

QFont sectionTitleFont()
{
    return fontOfSize(12, QFont::DemiBold);
}

void makeSecondary(QWidget* widget)
{
    widget->setForegroundRole(QPalette::PlaceholderText);
}

QLabel* sectionTitle(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setFont(sectionTitleFont());
    makeSecondary(label);
    return label;
}

} // namespace varnholt
