#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace varnholt::test {

// Sets an environment variable (TZ, TMPDIR) for as long as it lives, then puts the old value back.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::string name, const std::string& value) : m_name(std::move(name))
    {
        if (const char* old = std::getenv(m_name.c_str()))
            m_old = old;
        ::setenv(m_name.c_str(), value.c_str(), 1);
        ::tzset();
    }
    ~ScopedEnvironment()
    {
        if (m_old)
            ::setenv(m_name.c_str(), m_old->c_str(), 1);
        else
            ::unsetenv(m_name.c_str());
        ::tzset();
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

} // namespace varnholt::test
