#include "cli/PasswordPrompt.h"

#include <cstdio>
#include <iostream>
#include <termios.h>
#include <unistd.h>

namespace varnholt::cli {

namespace {
// Turns the echo off for as long as it lives.
class HiddenInput {
public:
    HiddenInput()
    {
        if (tcgetattr(STDIN_FILENO, &m_saved) != 0)
            return;
        termios hidden = m_saved;
        hidden.c_lflag &= static_cast<tcflag_t>(~ECHO);
        m_active = tcsetattr(STDIN_FILENO, TCSAFLUSH, &hidden) == 0;
    }
    ~HiddenInput()
    {
        if (m_active)
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &m_saved);
    }
    HiddenInput(const HiddenInput&) = delete;
    HiddenInput& operator=(const HiddenInput&) = delete;
    bool active() const { return m_active; }

private:
    termios m_saved{};
    bool m_active = false;
};
} // namespace

std::optional<std::string> askPasswordOnTerminal(const std::string& prompt)
{
    if (isatty(STDIN_FILENO) != 1)
        return std::nullopt;
    std::cerr << prompt << std::flush;
    std::string answer;
    bool read = false;
    {
        const HiddenInput hidden;
        if (!hidden.active())
            return std::nullopt;
        read = static_cast<bool>(std::getline(std::cin, answer));
    }
    std::cerr << "\n";
    if (!read)
        return std::nullopt;
    if (!answer.empty() && answer.back() == '\r')
        answer.pop_back();
    return answer;
}

} // namespace varnholt::cli
