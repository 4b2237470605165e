#include "session/commandtexts.h"

#include <algorithm>
#include <cstdint>

#include "core/strutil.h"
#include "files/rowtext.h"

namespace tarnwick {

namespace {

// A question about several items names this many, then says how many more.
constexpr std::size_t kQuestionNamed = 5;

} // namespace

bool IsSelfOrParentRow(const std::string& row)
{
    return row == ".." || row == "." || row == "<..>" || row == "<.>";
}

std::string NamedLines(const std::vector<std::string>& names)
{
    std::string text;
    const std::size_t named = std::min(names.size(), kQuestionNamed);
    for (std::size_t i = 0; i < named; ++i) {
        text += "\n" + names[i];
    }
    if (names.size() > named) {
        text += "\n" + FormatText("ほか %d 個", static_cast<std::int64_t>(names.size() - named));
    }
    return text;
}

std::string NamedQuestion(const char* question, std::size_t count,
                          const std::vector<std::string>& names)
{
    const std::string text = FormatText(question, static_cast<std::int64_t>(count));
    return names.empty() ? text : text + "\n" + NamedLines(names);
}

std::string RowName(const std::string& row)
{
    return IsDirectoryRow(row) ? DirectoryRowName(row) + "/" : row;
}

} // namespace tarnwick
