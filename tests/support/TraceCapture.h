#pragma once

#include "platform/Trace.h"

#include <mutex>
#include <string>
#include <vector>

namespace varnholt::test {

// Collects trace lines instead of printing them, for as long as it lives.
class TraceCapture {
public:
    TraceCapture()
        : m_scope([this](std::string_view line) {
              std::lock_guard lock(m_mutex);
              m_lines.emplace_back(line);
          })
    {
    }

    std::vector<std::string> lines() const
    {
        std::lock_guard lock(m_mutex);
        return m_lines;
    }

    bool contains(const std::string& line) const
    {
        std::lock_guard lock(m_mutex);
        for (const auto& l : m_lines)
            if (l == line)
                return true;
        return false;
    }

    std::vector<std::string> linesStartingWith(const std::string& prefix) const
    {
        std::lock_guard lock(m_mutex);
        std::vector<std::string> out;
        for (const auto& l : m_lines)
            if (l.rfind(prefix, 0) == 0)
                out.push_back(l);
        return out;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
    ScopedTraceSink m_scope;
};

} // namespace varnholt::test
