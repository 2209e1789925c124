#pragma once

#include <QUrl>
#include <functional>

namespace varnholt {

// Hands an address to the desktop's URL handler; tests replace the handler.
class UrlOpener {
public:
    using Handler = std::function<bool(const QUrl&)>;

    static bool open(const QUrl& url);
    // An empty handler restores the desktop's.
    static void setHandler(Handler handler);
};

} // namespace varnholt
