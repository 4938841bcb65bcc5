// Test helpers for processes that race: bodies run in forked children at once, and a writer process
// killed at a chosen moment (run in a forked child, let go on for a while, then sent SIGKILL from
// the parent and reaped), and the loop that kills a writer at random moments of its run.
#pragma once

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

namespace testsupport {

struct ChildEnd {
    bool started = false;
    bool killed = false;  // died of the SIGKILL rather than finishing first
    int exitStatus = -1;  // the body's answer when it finished
    long micros = 0;      // from the fork to the child's end
};

// Forks a child that runs body and leaves with _exit(answer) (never exit: the child must not run
// the parent's handlers or flush its buffers); answers the child's pid, or -1.
inline pid_t ForkRunning(const std::function<int()>& body)
{
    const pid_t child = ::fork();
    if (child == 0) {
        int answer = 100;
        try {
            answer = body();
        } catch (...) {
        }
        ::_exit(answer);
    }
    return child;
}

// Runs body in a forked child. delayMicros < 0 lets the child finish; otherwise it is killed that
// many microseconds after the fork, unless it finished by then.
inline ChildEnd RunChildAndKill(const std::function<int()>& body, long delayMicros)
{
    ChildEnd end;
    auto start = std::chrono::steady_clock::now();
    pid_t child = ForkRunning(body);
    if (child < 0) {
        return end;
    }
    end.started = true;
    if (delayMicros >= 0) {
        if (delayMicros > 0) {
            ::usleep(static_cast<useconds_t>(delayMicros));
        }
        ::kill(child, SIGKILL);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            return end;
        }
    }
    end.micros = static_cast<long>(
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count());
    end.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    end.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return end;
}

// Runs every body in a forked child of its own, all at once, and answers their exit statuses in the
// order of the bodies (-1 for a child that did not exit by itself).
inline std::vector<int> RunChildrenAtOnce(const std::vector<std::function<int()>>& bodies)
{
    std::vector<pid_t> children;
    for (const std::function<int()>& body : bodies)
        children.push_back(ForkRunning(body));
    std::vector<int> statuses;
    for (pid_t child : children) {
        int status = 0;
        while (child > 0 && ::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        statuses.push_back(child > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    }
    return statuses;
}

// Runs writer(round) to its end for the first wholeRuns rounds, to learn how long a writer lives
// (the longest of them), then for kills more rounds kills it at a random moment of that time (a
// fixed seed, so that a failure repeats). After every writer, check(round, end) looks at what it
// left, with gtest expectations, and answers whether the writer's change landed; the loop stops at
// the first failure. Kills spread over a whole run must hit some writers before their change
// and some after it.
inline void KillAtRandomMoments(const char* what, int wholeRuns, int kills, unsigned seed,
                                const std::function<int(int round)>& writer,
                                const std::function<bool(int round, const ChildEnd& end)>& check)
{
    std::mt19937 random(seed);
    long runMicros = 1000;
    int killed = 0;
    int landed = 0;
    for (int round = 0; round < wholeRuns + kills; ++round) {
        const bool whole = round < wholeRuns;
        const long delay = whole ? -1 : static_cast<long>(random() % static_cast<unsigned long>(runMicros + 1));
        ChildEnd end = RunChildAndKill([&] { return writer(round); }, delay);
        ASSERT_TRUE(end.started);
        ASSERT_TRUE(end.killed || end.exitStatus == 0) << "round " << round << ": writer failed with " << end.exitStatus;
        SCOPED_TRACE("round " + std::to_string(round) + ", kill after " + std::to_string(delay) + " us");
        const bool itLanded = check(round, end);
        if (::testing::Test::HasFailure()) {
            return;
        }
        if (whole) {
            runMicros = std::max(runMicros, end.micros);
        } else {
            killed += end.killed ? 1 : 0;
            landed += itLanded ? 1 : 0;
        }
    }
    std::printf("[          ] one %s: %ld us; %d of %d writers killed, %d changes landed\n", what, runMicros, killed,
                kills, landed);
    EXPECT_GT(killed, 0);
    EXPECT_GT(landed, 0);
}

}  // namespace testsupport
