#pragma once

// Runs a piece of a benchmark in a child process, so its wall time, CPU time and peak memory are
// its own and not those of building the inputs.
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace bench {

struct Run {
    double seconds = 0;
    double cpuSeconds = 0;  // user + system: what the run costs whatever else the machine is doing
    double userSeconds = 0; // of it, in the program itself: the steadier part on a shared machine
    long peakKilobytes = 0;
    bool ok = false;
};

inline Run waitFor(pid_t pid, std::chrono::steady_clock::time_point start)
{
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    Run run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.userSeconds = static_cast<double>(usage.ru_utime.tv_sec) + static_cast<double>(usage.ru_utime.tv_usec) / 1e6;
    run.peakKilobytes = usage.ru_maxrss;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

// `work` returns whether it succeeded.
inline Run inChild(const std::function<bool()>& work)
{
    std::fflush(stdout); // or the child would print the parent's pending output again
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const bool ok = work();
        std::fflush(stdout);
        _exit(ok ? 0 : 1);
    }
    return waitFor(pid, start);
}

// Runs a program with its arguments, found on PATH.
inline Run program(const std::vector<std::string>& arguments)
{
    std::fflush(stdout);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return waitFor(pid, start);
}

} // namespace bench
