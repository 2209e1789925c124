#pragma once

#include "model/ExporterType.h"

#include <QColor>
#include <QPalette>

namespace varnholt {

// The few named colours of the window. The accent is the platform's highlight colour.
QColor accentColor(const QPalette& palette);
QColor sourceIconColor(ExporterType type, const QPalette& palette);
QColor orangeColor();
QColor greenColor();
QColor redColor();
QColor withAlpha(QColor color, double opacity);
// "rgba(r, g, b, a)" for style sheets.
QString cssColor(const QColor& color);

} // namespace varnholt
