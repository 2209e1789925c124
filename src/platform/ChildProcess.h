#pragma once

#include "platform/FileDescriptor.h"
#include "platform/ProcessResult.h"
#include "platform/ProcessSpec.h"

#include <memory>
#include <mutex>
#include <sys/types.h>

namespace varnholt {

// A started child process, owned: when the object goes away a child still
// running is killed and reaped, and every descriptor is closed. Move-only.
//
// `wait()` may run on one thread while another calls `terminate()`,
// `interrupt()` or `isRunning()`; signals are only ever sent to a child not yet
// reaped, so they can never reach a stranger that reused its process id.
class ChildProcess {
public:
    struct State; // opaque; shared with ProcessRunner, which fills it in

    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    explicit operator bool() const { return m_state != nullptr; }
    pid_t pid() const;

    // Waits for the end, honouring the time limit and stop token the process was launched with, and
    // collects captured output. Later calls return the same result.
    ProcessResult wait();
    bool isRunning();
    void terminate(); // SIGTERM
    void interrupt(); // SIGINT
    void kill();      // SIGKILL

private:
    friend class ProcessRunner;
    explicit ChildProcess(std::unique_ptr<State> state);
    void release();

    std::unique_ptr<State> m_state;
};

} // namespace varnholt
