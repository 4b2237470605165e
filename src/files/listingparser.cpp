#include "files/listingparser.h"

#include <algorithm>
#include <array>
#include <vector>

#include "core/strutil.h"

namespace tarnwick {

namespace {

struct Token {
    std::size_t begin;
    std::size_t end;
};

std::vector<Token> Tokens(std::string_view line, std::size_t limit)
{
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < line.size() && tokens.size() < limit) {
        while (i < line.size() && line[i] == ' ') {
            ++i;
        }
        if (i == line.size()) {
            break;
        }
        const std::size_t begin = i;
        while (i < line.size() && line[i] != ' ') {
            ++i;
        }
        tokens.push_back({begin, i});
    }
    return tokens;
}

bool AllDigits(std::string_view text)
{
    if (text.empty()) {
        return false;
    }
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

bool IsMonth(std::string_view text)
{
    static constexpr std::array<std::string_view, 12> kMonths = {
        "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
    const std::string lower = AsciiLower(text);
    for (const std::string_view month : kMonths) {
        if (lower == month) {
            return true;
        }
    }
    return false;
}

bool IsDay(std::string_view text)
{
    return AllDigits(text) && text.size() <= 2 && ParseLeadingInt(text) >= 1 &&
           ParseLeadingInt(text) <= 31;
}

// "09:12" or "2023".
bool IsTimeOrYear(std::string_view text)
{
    if (text.size() == 4 && AllDigits(text)) {
        return true;
    }
    const std::size_t colon = text.find(':');
    return colon != std::string_view::npos && colon >= 1 && colon <= 2 &&
           AllDigits(text.substr(0, colon)) && text.size() - colon - 1 == 2 &&
           AllDigits(text.substr(colon + 1));
}

bool IsPermissionText(std::string_view text)
{
    // "drwxr-xr-x", maybe followed by an ACL or context mark ("+", ".", "@").
    if (text.size() < 10 || text.size() > 11) {
        return false;
    }
    if (std::string_view("-dlbcpsD").find(text[0]) == std::string_view::npos) {
        return false;
    }
    for (std::size_t i = 1; i < 10; ++i) {
        if (std::string_view("-rwxsStTlL").find(text[i]) == std::string_view::npos) {
            return false;
        }
    }
    return text.size() == 10 || std::string_view("+.@").find(text[10]) != std::string_view::npos;
}

// The columns of a long-layout line: where the date starts (its month token) and where the
// name starts. False when the line does not have that layout.
struct Columns {
    std::size_t sizeToken;
    std::size_t dateBegin;
    std::size_t dateEnd;
    std::size_t nameBegin;
};

bool FindColumns(std::string_view line, const std::vector<Token>& tokens, Columns& columns)
{
    const auto text = [&](std::size_t k) {
        return line.substr(tokens[k].begin, tokens[k].end - tokens[k].begin);
    };
    if (tokens.size() < 8 || !IsPermissionText(text(0))) {
        return false;
    }
    // The month follows the size: token 5 normally, 4 when the group column is missing, 6
    // when a server adds a column.
    for (const std::size_t month : {5u, 4u, 6u}) {
        if (month + 2 >= tokens.size() || !IsMonth(text(month)) || !IsDay(text(month + 1)) ||
            !IsTimeOrYear(text(month + 2)) || !AllDigits(text(month - 1))) {
            continue;
        }
        columns.sizeToken = month - 1;
        columns.dateBegin = tokens[month].begin;
        columns.dateEnd = tokens[month + 2].end;
        // One blank separates the date from the name; further blanks belong to the name.
        columns.nameBegin = std::min(columns.dateEnd + 1, line.size());
        return columns.nameBegin < line.size();
    }
    return false;
}

} // namespace

bool IsLongListingLine(std::string_view line)
{
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    Columns columns{};
    return FindColumns(line, Tokens(line, 9), columns);
}

bool ParseListingLine(std::string_view line, RemoteFileEntry& entry)
{
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    entry = RemoteFileEntry{};
    const std::vector<Token> tokens = Tokens(line, 9);
    if (tokens.empty()) {
        return false; // an empty line
    }
    const auto text = [&](std::size_t k) {
        return line.substr(tokens[k].begin, tokens[k].end - tokens[k].begin);
    };
    if (tokens.size() == 2 && text(0) == "total" && AllDigits(text(1))) {
        return false;
    }
    Columns columns{};
    if (!FindColumns(line, tokens, columns)) {
        entry.displayName = std::string(line);
        return true;
    }
    std::string_view name = line.substr(columns.nameBegin);
    entry.permissions = std::string(text(0));
    entry.isDirectory = entry.permissions.front() == 'd' ? 1 : 0;
    if (entry.permissions.front() == 'l') {
        // "latest -> v2.1": the link's own name.
        const std::size_t arrow = name.find(" -> ");
        if (arrow != std::string_view::npos && arrow > 0) {
            name = name.substr(0, arrow);
        }
    }
    if (name == "." || name == "..") {
        return false;
    }
    entry.displayName = std::string(name);
    entry.sizeText = entry.isDirectory ? "----" : std::string(text(columns.sizeToken));
    entry.dateText =
        std::string(line.substr(columns.dateBegin, columns.dateEnd - columns.dateBegin));
    return true;
}

} // namespace tarnwick
