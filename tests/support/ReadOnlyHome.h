#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace varnholt::test {

// Makes a home folder read-only for the code run through it, by the strongest means the
// machine allows: a read-only bind mount in a private mount namespace (root, and mounting
// allowed), else write permission removed from every file and folder and the code run as
// an unprivileged user (root would write anyway).
class ReadOnlyHome {
public:
    enum class Method { bindMount, permissionsAsUnprivilegedUser };

    explicit ReadOnlyHome(std::filesystem::path home);
    ReadOnlyHome(const ReadOnlyHome&) = delete;
    ReadOnlyHome& operator=(const ReadOnlyHome&) = delete;

    Method method() const { return m_method; }
    std::string describe() const;

    // Runs `body` in a child process that sees the home read-only; returns its result
    // (0..124), or -1 when the child could not run. The body must not use gtest assertions.
    int run(const std::function<int()>& body) const;

private:
    std::filesystem::path m_home;
    Method m_method = Method::bindMount;
};

} // namespace varnholt::test
