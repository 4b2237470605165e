#include "files/listingparser.h"

#include "files/listingcolumns.h"

namespace tarnwick {

namespace {

std::string_view WithoutCr(std::string_view line)
{
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

bool IsBlankLine(std::string_view line)
{
    return line.find_first_not_of(" \t\r") == std::string_view::npos;
}

// The summary ls writes first, in the server's language: "total 24", "合計 24",
// "insgesamt 24", "합계 24", "total 12K" (-h). A word without digits, then a number.
bool IsSummaryLine(const LineWords& words)
{
    if (words.count != 2) {
        return false;
    }
    const std::string_view label = words.Text(0);
    for (const char c : label) {
        if (IsAsciiDigit(c)) {
            return false;
        }
    }
    std::string_view number = words.Text(1);
    if (number.size() > 1 &&
        std::string_view("KMGTPE").find(number.back()) != std::string_view::npos) {
        number.remove_suffix(1);
    }
    return AllDigits(number);
}

std::string_view Span(std::string_view line, std::size_t begin, std::size_t end)
{
    return line.substr(begin, end - begin);
}

} // namespace

void ResetEntry(RemoteFileEntry& entry)
{
    entry.permissions.clear();
    entry.displayName.clear();
    entry.isDirectory = 0;
    entry.sizeText.clear();
    entry.dateText.clear();
    entry.isLink = 0;
    entry.linkTarget.clear();
    entry.modifyTime = -1;
    entry.unique.clear();
}

void SplitWords(std::string_view line, LineWords& words)
{
    words.line = line;
    words.count = 0;
    std::size_t i = 0;
    while (words.count < LineWords::kMaxWords) {
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
        words.words[words.count++] = {begin, i};
    }
}

bool IsLongListingLine(std::string_view line)
{
    line = WithoutCr(line);
    LineWords words;
    SplitWords(line, words);
    LongColumns columns;
    return FindUnixColumns(words, columns) || FindDosColumns(words, columns);
}

ParsedLine ParseListingLine(std::string_view line, RemoteFileEntry& entry)
{
    ResetEntry(entry);
    line = WithoutCr(line);
    if (IsBlankLine(line)) {
        return ParsedLine::NoEntry;
    }
    LineWords words;
    SplitWords(line, words);
    LongColumns columns;
    if (!FindUnixColumns(words, columns) && !FindDosColumns(words, columns)) {
        return IsSummaryLine(words) ? ParsedLine::NoEntry : ParsedLine::Unparsed;
    }
    std::string_view name = line.substr(columns.nameBegin);
    std::string_view target;
    const std::string_view permissions = Span(line, columns.permBegin, columns.permEnd);
    const bool link = !permissions.empty() && permissions.front() == 'l';
    if (link) {
        // "latest -> v2.1": the link's own name, and where it points.
        const std::size_t arrow = name.find(" -> ");
        if (arrow != std::string_view::npos && arrow > 0) {
            target = name.substr(arrow + 4);
            name = name.substr(0, arrow);
        }
    }
    if (name == "." || name == "..") {
        return ParsedLine::NoEntry;
    }
    entry.isLink = link ? 1 : 0;
    entry.linkTarget.assign(target);
    entry.permissions.assign(permissions);
    entry.displayName.assign(name);
    entry.isDirectory = columns.isDirectory ? 1 : 0;
    if (columns.isDirectory) {
        entry.sizeText.assign("----");
    } else {
        entry.sizeText.assign(Span(line, columns.sizeBegin, columns.sizeEnd));
    }
    entry.dateText.assign(Span(line, columns.dateBegin, columns.dateEnd));
    return ParsedLine::Entry;
}

} // namespace tarnwick
