#include "platform/ProcessRunner.h"

#include "platform/ChildProcessState.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fmt/format.h>
#include <set>
#include <spawn.h>
#include <sys/syscall.h>
#include <unistd.h>

extern char** environ;

namespace varnholt {

namespace {
DomainError launchError(const std::string& executable, int code)
{
    return DomainError(
        "ProcessRunner", code, fmt::format("Could not start \u201c{}\u201d: {}", executable, std::strerror(code)),
        code == ENOENT ? ErrorKind::toolMissing : errorKindOf(std::error_code(code, std::generic_category())));
}

// posix_spawn's two helper objects, released on every path.
class SpawnActions {
public:
    SpawnActions() { m_ok = ::posix_spawn_file_actions_init(&m_actions) == 0; }
    ~SpawnActions()
    {
        if (m_ok)
            ::posix_spawn_file_actions_destroy(&m_actions);
    }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    bool ok() const { return m_ok; }
    posix_spawn_file_actions_t* get() { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions{};
    bool m_ok = false;
};

class SpawnAttributes {
public:
    SpawnAttributes() { m_ok = ::posix_spawnattr_init(&m_attributes) == 0; }
    ~SpawnAttributes()
    {
        if (m_ok)
            ::posix_spawnattr_destroy(&m_attributes);
    }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    bool ok() const { return m_ok; }
    posix_spawnattr_t* get() { return &m_attributes; }

private:
    posix_spawnattr_t m_attributes{};
    bool m_ok = false;
};

struct Pipe {
    FileDescriptor read;
    FileDescriptor write;
};

tl::expected<Pipe, int> makePipe()
{
    int fds[2];
    // Close-on-exec, so a sibling child started at the same moment never holds our ends.
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return tl::unexpected(errno);
    Pipe pipe{FileDescriptor(fds[0]), FileDescriptor(fds[1])};
    const int flags = ::fcntl(pipe.read.get(), F_GETFL);
    ::fcntl(pipe.read.get(), F_SETFL, flags | O_NONBLOCK);
    return pipe;
}

std::vector<std::string> childEnvironment(const ProcessSpec& spec)
{
    std::set<std::string> replaced;
    for (const auto& [name, value] : spec.environment)
        replaced.insert(name);
    std::vector<std::string> entries;
    for (char** entry = environ; entry && *entry; ++entry) {
        const std::string text(*entry);
        const auto equals = text.find('=');
        if (equals != std::string::npos && replaced.count(text.substr(0, equals)))
            continue;
        entries.push_back(text);
    }
    for (const auto& [name, value] : spec.environment)
        entries.push_back(name + "=" + value);
    return entries;
}

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> result;
    result.reserve(strings.size() + 1);
    for (std::string& s : strings)
        result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}
} // namespace

tl::expected<ChildProcess, DomainError> ProcessRunner::launch(const ProcessSpec& spec)
{
    SpawnActions actions;
    SpawnAttributes attributes;
    if (!actions.ok() || !attributes.ok())
        return tl::unexpected(launchError(spec.executable, ENOMEM));

    int failure = 0;
    auto check = [&failure](int rc) {
        if (rc != 0 && failure == 0)
            failure = rc;
    };

    if (spec.input == ProcessInput::nullDevice)
        check(::posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0));

    std::optional<Pipe> outPipe;
    std::optional<Pipe> errPipe;
    if (spec.output == ProcessOutput::capture) {
        auto out = makePipe();
        auto err = makePipe();
        if (!out)
            return tl::unexpected(launchError(spec.executable, out.error()));
        if (!err)
            return tl::unexpected(launchError(spec.executable, err.error()));
        outPipe = std::move(*out);
        errPipe = std::move(*err);
        check(::posix_spawn_file_actions_adddup2(actions.get(), outPipe->write.get(), STDOUT_FILENO));
        check(::posix_spawn_file_actions_adddup2(actions.get(), errPipe->write.get(), STDERR_FILENO));
    } else if (spec.output == ProcessOutput::discard) {
        check(::posix_spawn_file_actions_addopen(actions.get(), STDOUT_FILENO, "/dev/null", O_WRONLY, 0));
        check(::posix_spawn_file_actions_addopen(actions.get(), STDERR_FILENO, "/dev/null", O_WRONLY, 0));
    }
    if (!spec.workingDirectory.empty())
        check(::posix_spawn_file_actions_addchdir_np(actions.get(), spec.workingDirectory.c_str()));

    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    if (spec.group == ProcessGroup::own) {
        flags |= POSIX_SPAWN_SETPGROUP;
        check(::posix_spawnattr_setpgroup(attributes.get(), 0));
    }
    sigset_t noSignals;
    sigemptyset(&noSignals);
    check(::posix_spawnattr_setsigmask(attributes.get(), &noSignals));
    // Whatever we ignore or catch (SIGPIPE, SIGINT in a front end) starts out default in the child.
    sigset_t allSignals;
    sigfillset(&allSignals);
    check(::posix_spawnattr_setsigdefault(attributes.get(), &allSignals));
    check(::posix_spawnattr_setflags(attributes.get(), flags));
    if (failure != 0)
        return tl::unexpected(launchError(spec.executable, failure));

    std::vector<std::string> argumentStrings;
    argumentStrings.reserve(spec.arguments.size() + 1);
    argumentStrings.push_back(spec.executable);
    argumentStrings.insert(argumentStrings.end(), spec.arguments.begin(), spec.arguments.end());
    std::vector<std::string> environmentStrings = childEnvironment(spec);
    std::vector<char*> argv = pointers(argumentStrings);
    std::vector<char*> envp = pointers(environmentStrings);

    pid_t pid = -1;
    const int rc =
        ::posix_spawn(&pid, spec.executable.c_str(), actions.get(), attributes.get(), argv.data(), envp.data());
    if (rc != 0)
        return tl::unexpected(launchError(spec.executable, rc));

    auto state = std::make_unique<ChildProcess::State>();
    state->pid = pid;
    state->group = spec.group;
    state->timeLimit = spec.timeLimit;
    state->stopToken = spec.stopToken;
    state->killGrace = spec.killGrace;
    state->captureLimit = spec.captureLimit;
    if (outPipe) {
        state->standardOutput = std::move(outPipe->read);
        state->standardError = std::move(errPipe->read);
    }
    // The write ends close with the pipes here, so the reads see end of file when the child is done.
    const long pidfd = ::syscall(SYS_pidfd_open, pid, 0);
    if (pidfd >= 0)
        state->exitNotice = FileDescriptor(static_cast<int>(pidfd));
    return ChildProcess(std::move(state));
}

tl::expected<ProcessResult, DomainError> ProcessRunner::run(const ProcessSpec& spec)
{
    auto child = launch(spec);
    if (!child)
        return tl::unexpected(child.error());
    return child->wait();
}

} // namespace varnholt
