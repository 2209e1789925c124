#include "platform/ChildProcess.h"

#include "platform/ChildProcessState.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace varnholt {

namespace {
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Without a pidfd nothing wakes us when the child ends, so look this often.
constexpr milliseconds kPollWithoutExitNotice{10};
// How often a wait looks at its stop token.
constexpr milliseconds kStopCheck{100};

// Must be called with the state's mutex held.
bool tryReap(ChildProcess::State& state)
{
    if (state.reaped)
        return true;
    int status = 0;
    const pid_t result = ::waitpid(state.pid, &status, WNOHANG);
    if (result == state.pid) {
        state.reaped = true;
        state.waitStatus = status;
        return true;
    }
    if (result < 0 && errno == ECHILD) {
        // Someone else reaped it (SIGCHLD ignored process-wide); the status is gone.
        state.reaped = true;
        state.statusLost = true;
        return true;
    }
    return false;
}

void sendSignal(ChildProcess::State& state, int signal)
{
    std::lock_guard lock(state.mutex);
    if (tryReap(state))
        return;
    if (state.group == ProcessGroup::own)
        ::kill(-state.pid, signal);
    else
        ::kill(state.pid, signal);
}

// Reads what the pipe holds now; closes it at end of file.
void readAvailable(FileDescriptor& fd, std::string& into, std::size_t limit)
{
    char buffer[16384];
    while (fd) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n > 0) {
            const std::size_t room = limit > into.size() ? limit - into.size() : 0;
            into.append(buffer, std::min(room, static_cast<std::size_t>(n)));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
            fd.close();
        return;
    }
}

int millisecondsUntil(Clock::time_point when, Clock::time_point now)
{
    const auto left = std::chrono::duration_cast<milliseconds>(when - now).count();
    return static_cast<int>(std::clamp<long long>(left + 1, 0, 60'000));
}
} // namespace

ChildProcess::ChildProcess(std::unique_ptr<State> state) : m_state(std::move(state)) {}

ChildProcess::~ChildProcess()
{
    release();
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept : m_state(std::move(other.m_state)) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept
{
    if (this != &other) {
        release();
        m_state = std::move(other.m_state);
    }
    return *this;
}

void ChildProcess::release()
{
    if (!m_state)
        return;
    {
        std::lock_guard lock(m_state->mutex);
        if (!tryReap(*m_state)) {
            if (m_state->group == ProcessGroup::own)
                ::kill(-m_state->pid, SIGKILL);
            else
                ::kill(m_state->pid, SIGKILL);
            int status = 0;
            while (::waitpid(m_state->pid, &status, 0) < 0 && errno == EINTR) {
            }
            m_state->reaped = true;
        }
    }
    m_state.reset(); // closes the descriptors
}

pid_t ChildProcess::pid() const
{
    return m_state ? m_state->pid : -1;
}

bool ChildProcess::isRunning()
{
    if (!m_state)
        return false;
    std::lock_guard lock(m_state->mutex);
    return !tryReap(*m_state);
}

void ChildProcess::terminate()
{
    if (m_state)
        sendSignal(*m_state, SIGTERM);
}

void ChildProcess::interrupt()
{
    if (m_state)
        sendSignal(*m_state, SIGINT);
}

void ChildProcess::kill()
{
    if (m_state)
        sendSignal(*m_state, SIGKILL);
}

ProcessResult ChildProcess::wait()
{
    if (!m_state) {
        ProcessResult none;
        none.status = -1;
        return none;
    }
    State& state = *m_state;
    std::lock_guard waitLock(state.waitMutex);
    if (state.result)
        return *state.result;

    ProcessResult result;
    std::optional<Clock::time_point> deadline;
    if (state.timeLimit)
        deadline = state.started + *state.timeLimit;
    std::optional<Clock::time_point> terminatedAt;
    bool killed = false;

    for (;;) {
        {
            std::lock_guard lock(state.mutex);
            if (tryReap(state))
                break;
        }
        const Clock::time_point now = Clock::now();
        if (!terminatedAt) {
            if (state.stopToken.stop_requested())
                result.stopped = true;
            else if (deadline && now >= *deadline)
                result.timedOut = true;
            if (result.stopped || result.timedOut) {
                sendSignal(state, SIGTERM);
                terminatedAt = now;
            }
        } else if (!killed && now >= *terminatedAt + state.killGrace) {
            sendSignal(state, SIGKILL);
            killed = true;
        }

        int timeout = state.exitNotice ? -1 : static_cast<int>(kPollWithoutExitNotice.count());
        auto shorten = [&timeout](int ms) { timeout = timeout < 0 ? ms : std::min(timeout, ms); };
        if (state.stopToken.stop_possible() && !terminatedAt)
            shorten(static_cast<int>(kStopCheck.count()));
        if (deadline && !terminatedAt)
            shorten(millisecondsUntil(*deadline, now));
        if (terminatedAt && !killed)
            shorten(millisecondsUntil(*terminatedAt + state.killGrace, now));

        pollfd fds[3] = {{state.exitNotice.get(), POLLIN, 0},
                         {state.standardOutput.get(), POLLIN, 0},
                         {state.standardError.get(), POLLIN, 0}};
        const int ready = ::poll(fds, 3, timeout);
        if (ready < 0 && errno != EINTR)
            shorten(static_cast<int>(kPollWithoutExitNotice.count())); // nothing sensible left but to look again
        if (ready > 0) {
            if (fds[1].revents)
                readAvailable(state.standardOutput, result.standardOutput, state.captureLimit);
            if (fds[2].revents)
                readAvailable(state.standardError, result.standardError, state.captureLimit);
        }
    }
    // Whatever the child wrote before it ended; a helper it left behind may
    // still hold the pipe open, so take only what is there now.
    readAvailable(state.standardOutput, result.standardOutput, state.captureLimit);
    readAvailable(state.standardError, result.standardError, state.captureLimit);
    state.standardOutput.close();
    state.standardError.close();
    state.exitNotice.close();

    if (state.statusLost) {
        result.end = ProcessEnd::exited;
        result.status = -1;
    } else if (WIFSIGNALED(state.waitStatus)) {
        result.end = ProcessEnd::signalled;
        result.status = WTERMSIG(state.waitStatus);
    } else {
        result.end = ProcessEnd::exited;
        result.status = WEXITSTATUS(state.waitStatus);
    }
    state.result = result;
    return result;
}

} // namespace varnholt
