// The listing readers' shared parts: a line cut into its first words without allocating, and
// where the columns of a long line lie. Only the files of the listing parser include this.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "files/remotefileentry.h"

namespace tarnwick {

// The first kMaxWords blank-separated words of a line, as offsets into it. Enough for the
// longest date column after permissions, links, owner, group, an extra column and a device's
// "major, minor"; words after those belong to the name and are not needed.
struct LineWords {
    static constexpr std::size_t kMaxWords = 12;
    struct Word {
        std::size_t begin;
        std::size_t end;
    };
    std::string_view line;
    std::array<Word, kMaxWords> words{};
    std::size_t count = 0;

    [[nodiscard]] std::string_view Text(std::size_t k) const
    {
        return line.substr(words[k].begin, words[k].end - words[k].begin);
    }
};

// Clears every field of `entry`, keeping its text buffers for the next line.
void ResetEntry(RemoteFileEntry& entry);

// Cuts `line` at runs of blanks (spaces only: servers pad columns with spaces).
void SplitWords(std::string_view line, LineWords& words);

// Where the parts of a long line lie, as offsets into the line. The permissions are
// [permBegin, permEnd) (empty on a DOS line, which has none), the size [sizeBegin, sizeEnd) (a
// device's "4, 1" included; "<DIR>" on DOS lines), the date [dateBegin, dateEnd), and the name
// runs from nameBegin to the end of the line.
struct LongColumns {
    std::size_t permBegin = 0;
    std::size_t permEnd = 0;
    std::size_t sizeBegin = 0;
    std::size_t sizeEnd = 0;
    std::size_t dateBegin = 0;
    std::size_t dateEnd = 0;
    std::size_t nameBegin = 0;
    bool isDirectory = false;
};

// A Unix long line: permissions, link count, owner, group, size, date, name. False when the
// line does not have that layout or has no name.
[[nodiscard]] bool FindUnixColumns(const LineWords& words, LongColumns& columns);

// A DOS line as IIS writes it: date, time, "<DIR>" or size, name. False otherwise.
[[nodiscard]] bool FindDosColumns(const LineWords& words, LongColumns& columns);

[[nodiscard]] inline bool IsAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

[[nodiscard]] inline bool AllDigits(std::string_view text)
{
    if (text.empty()) {
        return false;
    }
    for (const char c : text) {
        if (!IsAsciiDigit(c)) {
            return false;
        }
    }
    return true;
}

// The value of the 1 to `maxDigits` digits that begin `text`, or -1 when it begins otherwise
// or has more digits; `used` receives how many there were.
[[nodiscard]] inline int LeadingNumber(std::string_view text, std::size_t maxDigits,
                                       std::size_t& used)
{
    used = 0;
    int value = 0;
    while (used < text.size() && IsAsciiDigit(text[used])) {
        if (used == maxDigits) {
            return -1;
        }
        value = value * 10 + (text[used] - '0');
        ++used;
    }
    return used == 0 ? -1 : value;
}

// "09:12", "9:12" or "09:12:45" (some servers add the seconds).
[[nodiscard]] bool IsClockTime(std::string_view text);

} // namespace tarnwick
