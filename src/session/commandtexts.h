// What the file commands share about rows: which are items of a command, and how their
// questions name them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tarnwick {

// Rows that stand for the folder shown or its parent ("..", ".", "<..>", "<.>"): never an item
// of a command.
[[nodiscard]] bool IsSelfOrParentRow(const std::string& row);

// A row as the questions name it: "photos/" for the folder row "<photos>", a file's as it is.
[[nodiscard]] std::string RowName(const std::string& row);

// The first few of `names`, each on a line of its own after a line feed, then how many more
// ("\nほか 3 個").
[[nodiscard]] std::string NamedLines(const std::vector<std::string>& names);

// `question` with `count` filled in, and `names` below it after an empty line:
// "3 個のファイルを削除しますか？\n\na.txt\nphotos/\nb.txt".
[[nodiscard]] std::string NamedQuestion(const char* question, std::size_t count,
                                        const std::vector<std::string>& names);

} // namespace tarnwick
