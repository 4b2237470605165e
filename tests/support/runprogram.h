// Runs a program of the build as a user would, through the shell, and gives its exit status
// and what it wrote to standard error (its standard output is dropped).
#pragma once

#include <string>
#include <vector>

namespace tarnwick::testing {

// The exit status, or -1 when the program could not be run or did not exit by itself.
int RunProgram(const std::string& program, const std::vector<std::string>& args, std::string& err);

} // namespace tarnwick::testing
