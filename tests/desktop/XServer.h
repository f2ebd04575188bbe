#pragma once

// An X server of a test's own: Xvfb on a display number it picks itself
// (-displayfd, so that parallel tests never race for one), and child
// processes that die with the test even when it crashes.

#include <X11/Xlib.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace desktop {

using Clock = std::chrono::steady_clock;

// Polls `done` every 20 ms until it holds or `limit` has passed.
inline bool PollUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(15)) {
    const auto end = Clock::now() + limit;
    for (;;) {
        if (done())
            return true;
        if (Clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

class Child {
public:
    Child() = default;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    Child(Child&& other) noexcept { *this = std::move(other); }
    Child& operator=(Child&& other) noexcept {
        if (this != &other) {
            Stop();
            m_pid = other.m_pid;
            m_status = other.m_status;
            other.m_pid = -1;
        }
        return *this;
    }
    ~Child() { Stop(); }

    // Starts `argv` with `env` added to the environment, in `dir` (empty:
    // this process's), its output to `output` (empty: /dev/null). `keepFd`
    // stays open in the child.
    static Child Spawn(const std::vector<std::string>& argv,
                       const std::vector<std::string>& env = {}, const std::string& dir = {},
                       int keepFd = -1, const std::string& output = {}) {
        Child child;
        const pid_t parent = ::getpid();
        const pid_t pid = ::fork();
        if (pid == 0) {
            // Dies with the test, however the test ends.
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent)
                ::_exit(127);
            ::setpgid(0, 0);
            const int out = ::open(output.empty() ? "/dev/null" : output.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (out >= 0) {
                ::dup2(out, 1);
                ::dup2(out, 2);
            }
            for (int fd = 3; fd < 1024; ++fd)
                if (fd != keepFd)
                    ::close(fd);
            for (const std::string& e : env)
                ::putenv(const_cast<char*>(e.c_str()));
            if (!dir.empty() && ::chdir(dir.c_str()) != 0)
                ::_exit(127);
            std::vector<char*> args;
            for (const std::string& a : argv)
                args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            ::execvp(args[0], args.data());
            ::_exit(127);
        }
        child.m_pid = pid;
        return child;
    }

    pid_t Pid() const { return m_pid; }
    bool Started() const { return m_pid > 0; }

    bool Running() {
        if (m_pid <= 0)
            return false;
        int status = 0;
        const pid_t r = ::waitpid(m_pid, &status, WNOHANG);
        if (r == m_pid) {
            m_status = status;
            m_pid = -1;
            return false;
        }
        return r == 0;
    }

    // The exit status once it has ended within `limit`; -1 if it still runs
    // (it is then left running), 128 + signal if a signal ended it.
    int WaitExit(std::chrono::milliseconds limit) {
        if (!PollUntil([this] { return !Running(); }, limit))
            return -1;
        if (WIFEXITED(m_status))
            return WEXITSTATUS(m_status);
        return WIFSIGNALED(m_status) ? 128 + WTERMSIG(m_status) : -1;
    }

    void Stop() {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGTERM);
        if (WaitExit(std::chrono::seconds(3)) == -1 && m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            int status = 0;
            ::waitpid(m_pid, &status, 0);
            m_pid = -1;
        }
    }

private:
    pid_t m_pid = -1;
    int m_status = 0;
};

class XServer {
public:
    XServer() = default;
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;
    ~XServer() {
        if (m_dpy)
            XCloseDisplay(m_dpy);
    }

    // True once the server answers; false when there is no Xvfb or it did
    // not come up within ten seconds.
    bool Start() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return false;
        // The child's copy must survive exec.
        const int childFd = ::dup(fds[1]);
        m_server = Child::Spawn({"Xvfb", "-displayfd", std::to_string(childFd), "-screen", "0",
                                 "1024x768x24", "-noreset", "-nolisten", "tcp"},
                                {}, {}, childFd);
        ::close(childFd);
        ::close(fds[1]);
        std::string number;
        const auto end = Clock::now() + std::chrono::seconds(10);
        while (Clock::now() < end) {
            pollfd p{fds[0], POLLIN, 0};
            if (::poll(&p, 1, 100) > 0) {
                char c;
                const ssize_t n = ::read(fds[0], &c, 1);
                if (n <= 0 || c == '\n')
                    break;
                number += c;
            } else if (!m_server.Running()) {
                break;
            }
        }
        ::close(fds[0]);
        if (number.empty())
            return false;
        m_name = ":" + number;
        PollUntil([this] { return (m_dpy = XOpenDisplay(m_name.c_str())) != nullptr; },
                  std::chrono::seconds(10));
        // A window that goes while it is looked at is no reason to end.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        return m_dpy != nullptr;
    }

    const std::string& Name() const { return m_name; }
    std::string DisplayEnv() const { return "DISPLAY=" + m_name; }
    // The test's own connection, for looking at the screen.
    Display* Dpy() const { return m_dpy; }

private:
    Child m_server;
    std::string m_name;
    Display* m_dpy = nullptr;
};

} // namespace desktop
