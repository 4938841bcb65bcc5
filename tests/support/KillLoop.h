// Test helpers for killing a writer process at a chosen moment: runs a body in a forked child, lets
// it go on for a while, then sends SIGKILL from the parent and reaps it.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <functional>

namespace testsupport {

struct ChildEnd {
    bool started = false;
    bool killed = false;  // died of the SIGKILL rather than finishing first
    int exitStatus = -1;  // the body's answer when it finished
    long micros = 0;      // from the fork to the child's end
};

// Forks a child that runs body and leaves with _exit(answer) (never exit: the child must not run
// the parent's handlers or flush its buffers). delayMicros < 0 lets the child finish; otherwise it
// is killed that many microseconds after the fork, unless it finished by then.
inline ChildEnd RunChildAndKill(const std::function<int()>& body, long delayMicros)
{
    ChildEnd end;
    auto start = std::chrono::steady_clock::now();
    pid_t child = ::fork();
    if (child == 0) {
        int answer = 100;
        try {
            answer = body();
        } catch (...) {
        }
        ::_exit(answer);
    }
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

}  // namespace testsupport
