#pragma once

#include <QColor>
#include <QLabel>
#include <QPixmap>
#include <QString>

namespace varnholt {

// The interface symbols, drawn by us as single-colour SVG files (resources/icons,
// named after the Apple symbols they stand in for) and tinted when used.
QPixmap symbolPixmap(const QString& name, const QColor& color, int size, qreal devicePixelRatio = 1.0);
// A label showing one symbol; the name and colour are kept as the label's
// "symbolName" and "symbolColor" properties.
QLabel* symbolLabel(const QString& name, const QColor& color, int size, QWidget* parent = nullptr);
void setSymbol(QLabel* label, const QString& name, const QColor& color, int size);

} // namespace varnholt
