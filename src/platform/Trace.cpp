#include "platform/Trace.h"

#include <cstdio>
#include <mutex>

namespace varnholt {

namespace {
std::mutex& sinkMutex()
{
    static std::mutex mutex;
    return mutex;
}

Trace::Sink& currentSink()
{
    static Trace::Sink sink = Trace::standardOutput();
    return sink;
}
} // namespace

void Trace::line(std::string_view text)
{
    std::lock_guard lock(sinkMutex());
    if (currentSink())
        currentSink()(text);
}

Trace::Sink Trace::setSink(Sink sink)
{
    std::lock_guard lock(sinkMutex());
    Sink previous = std::move(currentSink());
    currentSink() = std::move(sink);
    return previous;
}

Trace::Sink Trace::standardOutput()
{
    return [](std::string_view text) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    };
}

} // namespace varnholt
