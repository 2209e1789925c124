#include "support/ReadOnlyHome.h"

#include "support/Unprivileged.h"

#include <cerrno>
#include <cstdlib>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace varnholt::test {

namespace fs = std::filesystem;

namespace {
constexpr int kNoMount = 125;

// In a child: a mount namespace of its own, so the read-only view vanishes with the child
// and nothing outside it ever sees the mount.
bool mountReadOnly(const fs::path& home)
{
    if (::unshare(CLONE_NEWNS) != 0)
        return false;
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return false;
    if (::mount(home.c_str(), home.c_str(), nullptr, MS_BIND | MS_REC, nullptr) != 0)
        return false;
    if (::mount(nullptr, home.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
        return false;
    return ::access(home.c_str(), W_OK) != 0 && errno == EROFS;
}

int runInChild(const std::function<int()>& body)
{
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0)
        ::_exit(body() & 0xFF);
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

void removeWritePermission(const fs::path& home)
{
    const auto strip = [](const fs::path& path) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0 && !S_ISLNK(info.st_mode))
            ::chmod(path.c_str(), info.st_mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH));
    };
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(home, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        strip(it->path());
    strip(home);
}
} // namespace

ReadOnlyHome::ReadOnlyHome(fs::path home) : m_home(std::move(home))
{
    // VARNHOLT_READONLY_BY_PERMISSIONS=1 takes the second way even where mounting works, to try it.
    const bool mounted = ::geteuid() == 0 && !std::getenv("VARNHOLT_READONLY_BY_PERMISSIONS") &&
                         runInChild([this] { return mountReadOnly(m_home) ? 0 : kNoMount; }) == 0;
    if (!mounted) {
        m_method = Method::permissionsAsUnprivilegedUser;
        removeWritePermission(m_home);
    }
}

std::string ReadOnlyHome::describe() const
{
    return m_method == Method::bindMount ? "read-only bind mount" : "no write permission, run as an unprivileged user";
}

int ReadOnlyHome::run(const std::function<int()>& body) const
{
    if (m_method == Method::bindMount)
        return runInChild([&] { return mountReadOnly(m_home) ? body() : kNoMount; });
    return runUnprivileged(body);
}

} // namespace varnholt::test
