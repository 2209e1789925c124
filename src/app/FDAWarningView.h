#pragma once

#include "sources/SourceAccess.h"

#include <QFrame>
#include <functional>

namespace varnholt {

// The banner for a source whose data this process cannot read: it names the path and the reason,
// says what to do about it here, and offers the source folder chooser.
class FDAWarningView : public QFrame {
public:
    // Without `chooseSource` the banner only explains.
    FDAWarningView(const SourceAccess& access, std::function<void()> chooseSource, QWidget* parent = nullptr);

    static QString explanation(const SourceAccess& access);
};

} // namespace varnholt
