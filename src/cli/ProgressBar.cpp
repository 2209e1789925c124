#include "cli/ProgressBar.h"

#include "platform/Percent.h"

#include <fmt/format.h>

namespace varnholt::cli {

namespace {
// Cuts a UTF-8 text to at most `columns` code points without splitting one.
std::string clip(const std::string& text, int columns)
{
    int count = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) != 0x80) {
            if (count == columns)
                return text.substr(0, i);
            ++count;
        }
    }
    return text;
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
