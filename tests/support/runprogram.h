// Runs a program of the build as a user would, through the shell, and gives its exit status
// and what it wrote to standard error (its standard output is dropped).
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tarnwick::testing {

// The exit status, or -1 when the program could not be run or did not exit by itself.
int RunProgram(const std::string& program, const std::vector<std::string>& args, std::string& err);

// Runs `program` with `args` directly (no shell), with the variables of `environment` set, its
// standard error on a terminal of its own when `terminal` (as a user at a terminal sees it),
// a pipe otherwise. The exit status, or -1; what it wrote to standard error in `err`.
int RunProgramWithStandardError(
    const std::string& program, const std::vector<std::string>& args, bool terminal,
    std::string& err, const std::vector<std::pair<std::string, std::string>>& environment = {});

} // namespace tarnwick::testing
