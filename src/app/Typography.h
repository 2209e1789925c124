#pragma once

#include <QFont>

class QLabel;
class QWidget;

namespace varnholt {

// Text styles of the window, sized in the same units as the rest of the layout.
QFont fontOfSize(double points, QFont::Weight weight = QFont::Normal);
QFont headlineFont();
QFont captionFont();
QFont sectionTitleFont();
// Secondary text: the palette's muted text colour.
void makeSecondary(QWidget* widget);
QLabel* sectionTitle(const QString& text, QWidget* parent = nullptr);

} // namespace varnholt
