#include "platform/ProcessRunner.h"
#include "platform/Files.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <thread>

namespace varnholt {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

ProcessSpec shell(const std::string& script)
{
    ProcessSpec spec;
    spec.executable = "/bin/sh";
    spec.arguments = {"-c", script};
    return spec;
}

ProcessSpec sleeper()
{
    ProcessSpec spec;
    spec.executable = "/bin/sleep";
    spec.arguments = {"60"};
    return spec;
}

// Whether a process of ours is gone for good (reaped, not a zombie).
bool reaped(pid_t pid)
{
    return ::waitpid(pid, nullptr, WNOHANG) < 0 && errno == ECHILD;
}

int openDescriptors()
{
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

TEST(ProcessRunner, ArgumentsReachTheChildAsTheyAreWithoutAShell)
{
    ProcessSpec spec;
    spec.executable = "/usr/bin/printf";
    spec.arguments = {"[%s]\\n", "two words", "$HOME", "'quoted' \"too\"", "; rm -rf /", "日本語"};
    auto result = ProcessRunner::run(spec);
    ASSERT_TRUE(result) << result.error().description();
    EXPECT_TRUE(result->succeeded());
    EXPECT_EQ(result->standardOutput, "[two words]\n[$HOME]\n['quoted' \"too\"]\n[; rm -rf /]\n[日本語]\n");
}

TEST(ProcessRunner, EnvironmentIsACopyWithAdditionsAndTheFolderIsTheOneAsked)
{
    test::TempDir dir;
    ::setenv("VARNHOLT_TEST_KEPT", "kept", 1);
    ::setenv("VARNHOLT_TEST_REPLACED", "old", 1);
    ProcessSpec spec = shell("echo \"$VARNHOLT_TEST_KEPT $VARNHOLT_TEST_REPLACED $VARNHOLT_TEST_NEW\"; pwd; "
                             "env | grep -c '^VARNHOLT_TEST_REPLACED='; echo oops >&2; exit 3");
    spec.environment = {{"VARNHOLT_TEST_REPLACED", "new"}, {"VARNHOLT_TEST_NEW", "added"}};
    spec.workingDirectory = dir.str();
    auto result = ProcessRunner::run(spec);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->end, ProcessEnd::exited);
    EXPECT_EQ(result->status, 3);
    EXPECT_FALSE(result->succeeded());
    EXPECT_EQ(result->standardOutput, "kept new added\n" + fs::canonical(dir.path()).string() + "\n1\n");
    EXPECT_EQ(result->standardError, "oops\n");
}

TEST(ProcessRunner, ALaunchFailureSaysWhatCouldNotBeStarted)
{
    ProcessSpec spec;
    spec.executable = "/nonexistent/tool";
    auto missing = ProcessRunner::run(spec);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().code(), ENOENT);
    EXPECT_NE(missing.error().description().find("/nonexistent/tool"), std::string::npos);

    test::TempDir dir;
    const fs::path notExecutable = dir / "script";
    ASSERT_TRUE(writeFile(notExecutable, "#!/bin/sh\nexit 0\n"));
    spec.executable = notExecutable.string();
    auto refused = ProcessRunner::run(spec);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().code(), EACCES);

    spec = shell("exit 0");
    spec.workingDirectory = (dir / "missing-folder").string();
    EXPECT_FALSE(ProcessRunner::run(spec));
}

TEST(ProcessRunner, TerminateAndInterruptReportTheSignalAsStatusFromAnyThread)
{
    auto child = ProcessRunner::launch(sleeper());
    ASSERT_TRUE(child);
    EXPECT_TRUE(child->isRunning());
    child->terminate();
    ProcessResult result = child->wait();
    EXPECT_EQ(result.end, ProcessEnd::signalled);
    EXPECT_EQ(result.status, 15);
    EXPECT_FALSE(child->isRunning());
    EXPECT_EQ(child->wait().status, 15); // the same result again
    child->terminate();                  // after the end: nothing happens, nothing is signalled

    auto other = ProcessRunner::launch(sleeper());
    ASSERT_TRUE(other);
    other->interrupt();
    EXPECT_EQ(other->wait().status, SIGINT);

    // A wait on one thread ends when another terminates the child.
    auto waited = ProcessRunner::launch(sleeper());
    ASSERT_TRUE(waited);
    result = ProcessResult{};
    std::thread waiter([&] { result = waited->wait(); });
    waited->terminate();
    waiter.join();
    EXPECT_EQ(result.status, 15);
}

TEST(ProcessRunner, TimeLimitAndStopTokenEndAChildThatWouldHang)
{
    ProcessSpec spec = sleeper();
    spec.timeLimit = 20ms;
    auto timed = ProcessRunner::run(spec);
    ASSERT_TRUE(timed);
    EXPECT_TRUE(timed->timedOut);
    EXPECT_EQ(timed->status, 15);

    // A child that ignores terminate is killed after the grace period. The limit leaves the shell time to
    // set its trap first even on a loaded machine, or the terminate would end it before the trap exists.
    spec = shell("trap '' TERM; sleep 60");
    spec.timeLimit = 1s;
    spec.killGrace = 50ms;
    auto stubborn = ProcessRunner::run(spec);
    ASSERT_TRUE(stubborn);
    EXPECT_EQ(stubborn->end, ProcessEnd::signalled);
    EXPECT_EQ(stubborn->status, SIGKILL);

    std::stop_source stop;
    spec = sleeper();
    spec.stopToken = stop.get_token();
    auto child = ProcessRunner::launch(spec);
    ASSERT_TRUE(child);
    stop.request_stop();
    const ProcessResult stopped = child->wait();
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(stopped.status, 15);
}

TEST(ProcessRunner, TerminatingAChildAlsoEndsTheHelpersItStarted)
{
    test::TempDir dir;
    const fs::path pidFile = dir / "helper.pid";
    auto child = ProcessRunner::launch(shell("sleep 60 & echo $! > '" + pidFile.string() + "'; wait"));
    ASSERT_TRUE(child);
    // The helper's pid file appears once the shell has started it.
    std::string pidText;
    for (int i = 0; i < 5000 && pidText.empty(); ++i) {
        std::this_thread::yield();
        if (auto text = readFile(pidFile); text && !text->empty() && text->back() == '\n')
            pidText = *text;
    }
    ASSERT_FALSE(pidText.empty());
    child->terminate();
    EXPECT_EQ(child->wait().status, 15);
    const pid_t helper = std::stoi(pidText);
    // The helper was signalled with the group; it is gone or going (a zombie of init at most).
    bool gone = false;
    for (int i = 0; i < 100000 && !gone; ++i) {
        std::ifstream stat("/proc/" + std::to_string(helper) + "/stat");
        std::string pid, name, state;
        gone = !(stat >> pid >> name >> state) || state == "Z";
        std::this_thread::yield();
    }
    EXPECT_TRUE(gone);
}

TEST(ProcessRunner, LargeOutputNeverBlocksTheChildAndIsCutAtTheLimit)
{
    ProcessSpec spec = shell("head -c 3000000 /dev/zero; echo done >&2");
    spec.captureLimit = 1000;
    auto result = ProcessRunner::run(spec);
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->succeeded());
    EXPECT_EQ(result->standardOutput.size(), 1000u);
    EXPECT_EQ(result->standardError, "done\n");
}

TEST(ChildProcess, MoveConstructionAndAssignmentKeepOneOwner)
{
    auto launched = ProcessRunner::launch(sleeper());
    ASSERT_TRUE(launched);
    const pid_t first = launched->pid();
    ChildProcess moved(std::move(*launched));
    EXPECT_FALSE(*launched);
    EXPECT_EQ(launched->pid(), -1);
    EXPECT_FALSE(launched->isRunning());
    EXPECT_EQ(moved.pid(), first);
    EXPECT_TRUE(moved.isRunning());

    // Assigning over a running child kills and reaps it first.
    auto second = ProcessRunner::launch(sleeper());
    ASSERT_TRUE(second);
    const pid_t secondPid = second->pid();
    moved = std::move(*second);
    EXPECT_TRUE(reaped(first));
    EXPECT_EQ(moved.pid(), secondPid);

    ChildProcess& same = moved; // through a reference, as self-assignment happens in real code
    moved = std::move(same);    // self-assignment leaves it alone
    EXPECT_TRUE(moved.isRunning());

    {
        ChildProcess scoped(std::move(moved));
    }
    EXPECT_TRUE(reaped(secondPid)); // gone with its owner
}

TEST(ProcessRunner, NoDescriptorOutlivesItsChild)
{
    const int before = openDescriptors();
    for (int i = 0; i < 20; ++i) {
        ProcessSpec spec = shell(i % 2 ? "echo out; echo err >&2" : "exit 1");
        ASSERT_TRUE(ProcessRunner::run(spec));
        auto child = ProcessRunner::launch(sleeper());
        ASSERT_TRUE(child); // dropped while running
        ProcessSpec missing;
        missing.executable = "/nonexistent";
        EXPECT_FALSE(ProcessRunner::run(missing));
    }
    EXPECT_EQ(openDescriptors(), before);
}

} // namespace
} // namespace varnholt
