#include "dialup/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

extern char** environ;

namespace tarnwick {

namespace {

// Spawns `argv` with standard input from /dev/null, standard output into `outFd` (or
// /dev/null when -1) and standard error to /dev/null.
pid_t Spawn(const std::vector<std::string>& argv, int outFd)
{
    if (argv.empty()) {
        return -1;
    }
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (outFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    }
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

int StatusOf(int raw)
{
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

} // namespace

int RunProgram(const std::vector<std::string>& argv, std::string& output, int limitMs)
{
    output.clear();
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        return -1;
    }
    const pid_t pid = Spawn(argv, pipeFds[1]);
    ::close(pipeFds[1]);
    if (pid < 0) {
        ::close(pipeFds[0]);
        return -1;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    bool timedOut = false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              end - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            timedOut = true;
            break;
        }
        pollfd pfd{pipeFds[0], POLLIN, 0};
        const int ready = ::poll(&pfd, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            timedOut = ready == 0;
            break;
        }
        char buffer[4096];
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0) {
            break; // the program closed its output: it is ending
        }
        output.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
    if (timedOut) {
        ::kill(pid, SIGKILL);
    }
    int raw = 0;
    while (::waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
    }
    return timedOut ? -1 : StatusOf(raw);
}

CBackgroundProgram::~CBackgroundProgram()
{
    IsRunning();
}

bool CBackgroundProgram::Start(const std::vector<std::string>& argv)
{
    IsRunning();
    m_status = -1;
    m_pid = Spawn(argv, -1);
    return m_pid >= 0;
}

bool CBackgroundProgram::IsRunning()
{
    if (m_pid < 0) {
        return false;
    }
    int raw = 0;
    const pid_t done = ::waitpid(m_pid, &raw, WNOHANG);
    if (done == 0) {
        return true;
    }
    m_status = done == m_pid ? StatusOf(raw) : -1;
    m_pid = -1;
    return false;
}

} // namespace tarnwick
