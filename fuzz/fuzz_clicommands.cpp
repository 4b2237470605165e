// tarnwick-cli's command list (the words after the target, separated by NUL in the input):
// accepted exactly when every group of words between lone ";" is a known command with an
// allowed number of arguments, and then the commands are those groups, in order, with no ";"
// left inside any of them. A rejection always says why.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "cli/clisession.h"
#include "fuzzsupport.h"

namespace {

using tarnwick::fuzz::Check;

struct Arguments {
    std::size_t least;
    std::size_t most;
};

// The commands as the usage text lists them.
const std::map<std::string, Arguments> kCommands = {
    {"ls", {0, 1}},    {"pwd", {0, 0}},   {"cd", {1, 1}}, {"get", {1, 2}},   {"put", {1, 2}},
    {"mkdir", {1, 1}}, {"rmdir", {1, 1}}, {"rm", {1, 1}}, {"chmod", {2, 2}}, {"mv", {2, 2}},
};

bool IsValidCommand(const tarnwick::CliCommand& command)
{
    if (command.empty()) {
        return false;
    }
    const auto known = kCommands.find(command[0]);
    if (known == kCommands.end()) {
        return false;
    }
    // get and put take -r or -c as their first word.
    const bool flag = (command[0] == "get" || command[0] == "put") && command.size() > 1 &&
                      (command[1] == "-r" || command[1] == "-c");
    const std::size_t arguments = command.size() - 1 - (flag ? 1 : 0);
    if (command[0] == "ls" && arguments == 1 && command[1] != "-l") {
        return false; // "-l" is the only option
    }
    return arguments >= known->second.least && arguments <= known->second.most;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string> words =
        tarnwick::fuzz::SplitAt(std::string_view(reinterpret_cast<const char*>(data), size), '\0');

    std::vector<tarnwick::CliCommand> groups(1);
    for (const std::string& word : words) {
        if (word == ";") {
            groups.emplace_back();
        } else {
            groups.back().push_back(word);
        }
    }
    bool valid = true;
    for (const tarnwick::CliCommand& group : groups) {
        valid = valid && IsValidCommand(group);
    }

    std::vector<tarnwick::CliCommand> commands;
    std::string error;
    const bool accepted = tarnwick::ParseCliCommands(words, commands, error);
    Check(accepted == valid,
          accepted ? "an invalid command list accepted" : "a valid command list refused");
    if (!accepted) {
        Check(!error.empty(), "a refusal without a message");
        return 0;
    }
    Check(commands == groups, "the commands are not the groups between lone \";\"");
    for (const tarnwick::CliCommand& command : commands) {
        for (const std::string& word : command) {
            Check(word != ";", "a lone \";\" inside a command");
        }
    }
    return 0;
}
