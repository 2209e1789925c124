#pragma once

#include <QFrame>

namespace varnholt {

// The advisory banner for a source whose data this process cannot read.
class FDAWarningView : public QFrame {
public:
    explicit FDAWarningView(QString sourceHome, QWidget* parent = nullptr);

private:
    QString m_sourceHome;
};

} // namespace varnholt
