#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace varnholt {

// The one place trace lines leave the core. Lines are whole and written
// atomically, so lines from the export thread never interleave mid-line.
// The default sink is standard output; front ends and tests may replace it.
class Trace {
public:
    using Sink = std::function<void(std::string_view line)>;

    static void line(std::string_view text);
    // Returns the previous sink so that a scope can restore it.
    static Sink setSink(Sink sink);
    static Sink standardOutput();
};

// Replaces the trace sink for the lifetime of the object.
class ScopedTraceSink {
public:
    explicit ScopedTraceSink(Trace::Sink sink) : m_previous(Trace::setSink(std::move(sink))) {}
    ~ScopedTraceSink() { Trace::setSink(std::move(m_previous)); }
    ScopedTraceSink(const ScopedTraceSink&) = delete;
    ScopedTraceSink& operator=(const ScopedTraceSink&) = delete;

private:
    Trace::Sink m_previous;
};

} // namespace varnholt
