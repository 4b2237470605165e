#include "support/stopprocess.h"

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

namespace tarnwick::testing {

void StopProcess(pid_t& pid)
{
    using namespace std::chrono_literals;
    if (pid <= 0) {
        return;
    }
    ::kill(pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(10ms);
    }
    pid = -1;
}

} // namespace tarnwick::testing
