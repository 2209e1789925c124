#pragma once

#include <ostream>
#include <string>

namespace varnholt::cli {

// A one-line progress display (bar, percentage, status) redrawn in place.
// Draws nothing when the stream is not a terminal.
class ProgressBar {
public:
    ProgressBar(std::ostream& stream, bool enabled, int width = 80)
        : m_stream(stream), m_enabled(enabled), m_width(width)
    {
    }

    void update(double fraction, const std::string& status);
    // Ends the line if anything was drawn.
    void finish();

    // The text of one frame, without the carriage return; public for tests.
    static std::string render(double fraction, const std::string& status, int width);

private:
    std::ostream& m_stream;
    bool m_enabled;
    int m_width;
    bool m_drawn = false;
};

} // namespace varnholt::cli
