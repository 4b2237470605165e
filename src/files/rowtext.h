// What a pane row's text says: "<name>" is a directory, anything else (".." included) a file.
#pragma once

#include <string>

namespace tarnwick {

[[nodiscard]] inline bool IsDirectoryRow(const std::string& row)
{
    return !row.empty() && row.front() == '<';
}

// The bare name of a directory row: the text without its first and last characters.
[[nodiscard]] inline std::string DirectoryRowName(const std::string& row)
{
    return row.size() < 2 ? std::string() : row.substr(1, row.size() - 2);
}

} // namespace tarnwick
