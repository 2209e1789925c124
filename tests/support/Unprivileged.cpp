#include "support/Unprivileged.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace varnholt::test {

int runUnprivileged(const std::function<int()>& body)
{
    if (geteuid() != 0)
        return body();
    const pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(kNobodyUid) != 0 || setuid(kNobodyUid) != 0)
            _exit(126);
        _exit(body() & 0xFF);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

bool canTestPermissions()
{
    return runUnprivileged([] { return access("/root", R_OK) == 0 ? 1 : 0; }) == 0 || geteuid() != 0;
}

} // namespace varnholt::test
