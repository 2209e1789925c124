#include "cli/ProgressBar.h"

#include "platform/Percent.h"
#include "platform/Utf8.h"

#include <fmt/format.h>

namespace varnholt::cli {

namespace {
// Cuts a UTF-8 text to at most `columns` code points without splitting one.
std::string clip(const std::string& text, int columns)
{
    std::size_t end = 0;
    for (int count = 0; count < columns && end < text.size(); ++count)
        utf8::next(text, end);
    return text.substr(0, end);
}
} // namespace

std::string ProgressBar::render(double fraction, const std::string& status, int width)
{
    constexpr int kBarWidth = 24;
    const double clamped = clampFraction(fraction);
    const int filled = static_cast<int>(clamped * kBarWidth);
    std::string line = "[" + std::string(static_cast<size_t>(filled), '#') +
                       std::string(static_cast<size_t>(kBarWidth - filled), '-') + "] " +
                       fmt::format("{:3}%", percentOf(clamped)) + " ";
    const int room = width - static_cast<int>(line.size());
    return line + clip(status, room > 0 ? room : 0);
}

void ProgressBar::update(double fraction, const std::string& status)
{
    if (!m_enabled)
        return;
    m_stream << "\r\033[K" << render(fraction, status, m_width) << std::flush;
    m_drawn = true;
}

void ProgressBar::finish()
{
    if (m_drawn) {
        m_stream << "\r\033[K" << std::flush;
        m_drawn = false;
    }
}

} // namespace varnholt::cli
