#pragma once

// The shared insides of a ChildProcess; seen only by ChildProcess and ProcessRunner.

#include "platform/ChildProcess.h"

#include <chrono>
#include <optional>
#include <stop_token>
#include <string>

namespace varnholt {

struct ChildProcess::State {
    pid_t pid = -1;
    ProcessGroup group = ProcessGroup::own;
    FileDescriptor exitNotice; // pidfd: readable once the child has ended (absent on old kernels)
    FileDescriptor standardOutput;
    FileDescriptor standardError;
    std::optional<std::chrono::milliseconds> timeLimit;
    std::stop_token stopToken;
    std::chrono::milliseconds killGrace{2000};
    std::size_t captureLimit = 0;
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();

    std::mutex mutex; // guards `reaped` and `waitStatus`, and every signal sent
    bool reaped = false;
    bool statusLost = false;
    int waitStatus = 0;

    std::mutex waitMutex; // one wait() at a time
    std::optional<ProcessResult> result;
};

} // namespace varnholt
