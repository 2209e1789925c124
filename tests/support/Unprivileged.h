#pragma once

#include <functional>

namespace varnholt::test {

// Runs `body` without root's power to read every file: as root, in a forked
// child that has dropped to the "nobody" user; otherwise directly. Returns the
// body's result (or -1 when the child could not be run). The body must not use
// gtest assertions; it reports through its result.
int runUnprivileged(const std::function<int()>& body);

// True when a test can observe a missing permission (not root, or root able to drop privileges).
bool canTestPermissions();

inline constexpr unsigned kNobodyUid = 65534;

} // namespace varnholt::test
