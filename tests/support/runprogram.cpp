#include "support/runprogram.h"

#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace tarnwick::testing {

int RunProgram(const std::string& program, const std::vector<std::string>& args, std::string& err)
{
    std::string command = program;
    for (const std::string& arg : args) {
        command += " '" + arg + "'";
    }
    command += " 2>&1 >/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return -1;
    }
    char buffer[4096];
    err.clear();
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        err.append(buffer, n);
    }
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int RunProgramWithStandardError(const std::string& program, const std::vector<std::string>& args,
                                bool terminal, std::string& err,
                                const std::vector<std::pair<std::string, std::string>>& environment)
{
    int readFd = -1;
    int writeFd = -1;
    if (terminal) {
        if (::openpty(&readFd, &writeFd, nullptr, nullptr, nullptr) != 0) {
            return -1;
        }
    } else {
        int fds[2];
        if (::pipe(fds) != 0) {
            return -1;
        }
        readFd = fds[0];
        writeFd = fds[1];
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(writeFd, 2);
        ::close(readFd);
        ::close(writeFd);
        for (const auto& [name, value] : environment) {
            ::setenv(name.c_str(), value.c_str(), 1);
        }
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(writeFd);
    err.clear();
    char buffer[4096];
    // A terminal's reading end reports EIO once the program has closed its end.
    for (ssize_t n; (n = ::read(readFd, buffer, sizeof buffer)) > 0;) {
        err.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(readFd);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace tarnwick::testing
