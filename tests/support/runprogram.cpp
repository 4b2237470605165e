#include "support/runprogram.h"

#include <sys/wait.h>

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

} // namespace tarnwick::testing
