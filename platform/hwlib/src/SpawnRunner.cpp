#include "SpawnRunner.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace hwlib {

namespace {

using OpenHardwareMonitor::Hardware::ProgramResult;
using Clock = std::chrono::steady_clock;

std::string FindProgram(const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos)
        return {};
    for (const char* dir :
         {"/usr/local/sbin", "/usr/sbin", "/sbin", "/usr/local/bin", "/usr/bin", "/bin"}) {
        std::string path = std::string(dir) + "/" + name;
        if (::access(path.c_str(), X_OK) == 0)
            return path;
    }
    return {};
}

// Reaps the child; one stuck in the kernel is left to a detached waiter
// rather than blocking the caller.
void Reap(pid_t pid) {
    const auto deadline = Clock::now() + std::chrono::seconds(1);
    int status = 0;
    while (Clock::now() < deadline) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR))
            return;
        ::poll(nullptr, 0, 10);
    }
    std::thread([pid] {
        int ignored = 0;
        while (::waitpid(pid, &ignored, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

} // namespace

ProgramResult SpawnRunner::Run(const std::vector<std::string>& argv,
                               std::chrono::milliseconds timeout, std::size_t outputLimit) {
    ProgramResult result;
    if (argv.empty())
        return result;
    const std::string program = FindProgram(argv[0]);
    if (program.empty()) {
        result.status = ProgramResult::Status::NotFound;
        return result;
    }

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return result;
    std::vector<char*> args;
    for (const auto& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    char* environment[] = {const_cast<char*>("LC_ALL=C"), nullptr};

    // posix_spawn is fork and exec without running our code in the child,
    // which matters in a process with other threads.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int spawned =
        ::posix_spawn(&pid, program.c_str(), &actions, nullptr, args.data(), environment);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        result.status =
            spawned == ENOENT ? ProgramResult::Status::NotFound : ProgramResult::Status::Failed;
        return result;
    }

    const auto deadline = Clock::now() + timeout;
    bool timedOut = false;
    bool tooMuch = false;
    char buffer[4096];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            timedOut = true;
            break;
        }
        pollfd p{pipeFds[0], POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            continue; // the deadline is checked at the top
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        if (result.output.size() + static_cast<std::size_t>(n) > outputLimit) {
            tooMuch = true;
            break;
        }
        result.output.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);

    if (timedOut || tooMuch) {
        ::kill(pid, SIGKILL);
        Reap(pid);
        result.output.clear();
        result.status =
            timedOut ? ProgramResult::Status::TimedOut : ProgramResult::Status::TooMuchOutput;
        return result;
    }
    // The output has ended, but the program may still linger.
    int status = 0;
    pid_t done = -1;
    for (;;) {
        done = ::waitpid(pid, &status, WNOHANG);
        if (done != 0 && !(done < 0 && errno == EINTR))
            break;
        if (Clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            Reap(pid);
            result.output.clear();
            result.status = ProgramResult::Status::TimedOut;
            return result;
        }
        ::poll(nullptr, 0, 5);
    }
    if (done == pid && WIFEXITED(status)) {
        result.status = ProgramResult::Status::Exited;
        result.exitCode = WEXITSTATUS(status);
    } else {
        result.status = ProgramResult::Status::Failed;
    }
    return result;
}

} // namespace hwlib
