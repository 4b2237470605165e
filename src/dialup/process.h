// Running helper programs (nmcli) without a shell: the arguments go to the program as they
// are, so an entry name cannot inject anything.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace tarnwick {

// Runs the program, collects its standard output and waits at most `limitMs` for it to end
// (it is killed after that). Returns its exit status, or -1 when it could not be started,
// was killed, or ran too long.
int RunProgram(const std::vector<std::string>& argv, std::string& output, int limitMs);

// A program started in the background; its exit is collected later without blocking.
class CBackgroundProgram {
public:
    CBackgroundProgram() = default;
    ~CBackgroundProgram(); // collects the exit if it has come, never waits
    CBackgroundProgram(const CBackgroundProgram&) = delete;
    CBackgroundProgram& operator=(const CBackgroundProgram&) = delete;

    // Starts the program (replacing the last one, which runs on unobserved).
    bool Start(const std::vector<std::string>& argv);
    // True while it runs.
    bool IsRunning();
    // Its exit status once it has ended; -1 while it runs or when it never started.
    [[nodiscard]] int ExitStatus() const { return m_status; }

private:
    pid_t m_pid = -1;
    int m_status = -1;
};

} // namespace tarnwick
