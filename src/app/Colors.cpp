#include "app/Colors.h"

#include "model/Presentation.h"

namespace varnholt {

QColor accentColor(const QPalette& palette)
{
    return palette.color(QPalette::Active, QPalette::Highlight);
}

QColor sourceIconColor(ExporterType type, const QPalette& palette)
{
    if (const auto rgb = iconColor(type))
        return QColor::fromRgbF(static_cast<float>(rgb->red), static_cast<float>(rgb->green),
                                static_cast<float>(rgb->blue));
    return accentColor(palette);
}

QColor orangeColor()
{
    return QColor(255, 149, 0);
}

QColor greenColor()
{
    return QColor(52, 168, 83);
}

QColor redColor()
{
    return QColor(220, 38, 38);
}

QColor withAlpha(QColor color, double opacity)
{
    color.setAlphaF(static_cast<float>(opacity));
    return color;
}

QString cssColor(const QColor& color)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alpha());
}

} // namespace varnholt
