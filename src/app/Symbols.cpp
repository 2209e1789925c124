#include "app/Symbols.h"

#include <QIcon>
#include <QPainter>
#include <QVariant>

namespace varnholt {

QPixmap symbolPixmap(const QString& name, const QColor& color, int size, qreal devicePixelRatio)
{
    const int pixels = qRound(size * devicePixelRatio);
    const QPixmap shape = QIcon(QStringLiteral(":/icons/%1.svg").arg(name)).pixmap(pixels, pixels);
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (!shape.isNull()) {
        QPainter painter(&image);
        painter.drawPixmap(0, 0, shape);
        // Keep the shape's coverage, replace its colour.
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), color);
    }
    QPixmap result = QPixmap::fromImage(image);
    result.setDevicePixelRatio(devicePixelRatio);
    return result;
}

QLabel* symbolLabel(const QString& name, const QColor& color, int size, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setFixedSize(size, size);
    setSymbol(label, name, color, size);
    return label;
}

void setSymbol(QLabel* label, const QString& name, const QColor& color, int size)
{
    label->setPixmap(symbolPixmap(name, color, size, label->devicePixelRatioF()));
    label->setProperty("symbolName", name);
    label->setProperty("symbolColor", color);
}

} // namespace varnholt
