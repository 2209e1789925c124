#pragma once

#include <QColor>
#include <QFrame>
#include <functional>

class QLabel;

namespace varnholt {

// One selectable row of the Notes export method: a check symbol, the method's
// name with its badge, and a line about it. Clicking anywhere on it selects it.
class MethodRow : public QFrame {
public:
    struct Look {
        QString title;
        QString badge;
        QColor badgeColor;
        QString line;
        QColor tint;
    };

    MethodRow(const Look& look, std::function<void()> onSelect, QWidget* parent = nullptr);

    void setSelected(bool selected);
    bool isSelected() const { return m_selected; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Look m_look;
    std::function<void()> m_onSelect;
    QLabel* m_check = nullptr;
    bool m_selected = false;
};

} // namespace varnholt
