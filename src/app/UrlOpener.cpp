#include "app/UrlOpener.h"

#include <QDesktopServices>

namespace varnholt {

namespace {
UrlOpener::Handler& handler()
{
    static UrlOpener::Handler instance;
    return instance;
}
} // namespace

bool UrlOpener::open(const QUrl& url)
{
    if (handler())
        return handler()(url);
    return QDesktopServices::openUrl(url);
}

void UrlOpener::setHandler(Handler replacement)
{
    handler() = std::move(replacement);
}

} // namespace varnholt
