// DOS-style lines, as IIS and other Windows servers write them for LIST:
//
//   03-14-23  09:12AM       <DIR>          src
//   11-30-23  06:45PM                 5120 my notes.txt
//   11-30-2023  06:45PM               5120 notes.txt       "four-digit years" setting
//   11-30-2023  18:45                 5120 notes.txt       24-hour clock
//   11/30/2023  06:45 PM    <DIR>          src             a cmd "dir" listing passed through
//   2023-11-30  18:45       <DIR>          src
//
// The size column is padded, so the name starts after the run of blanks that follows it.
#include "files/listingcolumns.h"

namespace tarnwick {

namespace {

// "03-14-23", "03-14-2023", "11/30/2023" (month first) or "2023-11-30".
bool IsDosDate(std::string_view text)
{
    std::size_t used = 0;
    if (text.size() == 10 && AllDigits(text.substr(0, 4)) && text[4] == '-' && text[7] == '-') {
        const int month = LeadingNumber(text.substr(5), 2, used);
        const int day = used == 2 ? LeadingNumber(text.substr(8), 2, used) : -1;
        return used == 2 && month >= 1 && month <= 12 && day >= 1 && day <= 31;
    }
    if (text.size() != 8 && text.size() != 10) {
        return false;
    }
    const char separator = text[2];
    if ((separator != '-' && separator != '/') || text[5] != separator) {
        return false;
    }
    const int month = LeadingNumber(text.substr(0, 2), 2, used);
    if (used != 2 || month < 1 || month > 12) {
        return false;
    }
    const int day = LeadingNumber(text.substr(3, 2), 2, used);
    return used == 2 && day >= 1 && day <= 31 && AllDigits(text.substr(6));
}

bool IsAmPm(std::string_view text)
{
    return text.size() == 2 &&
           (text[0] == 'A' || text[0] == 'P' || text[0] == 'a' || text[0] == 'p') &&
           (text[1] == 'M' || text[1] == 'm');
}

} // namespace

bool FindDosColumns(const LineWords& words, LongColumns& columns)
{
    if (words.count < 4 || !IsDosDate(words.Text(0))) {
        return false;
    }
    // "09:12AM", "18:45", or "06:45" followed by "PM".
    std::size_t size = 2;
    const std::string_view time = words.Text(1);
    if (time.size() > 2 && IsAmPm(time.substr(time.size() - 2))) {
        if (!IsClockTime(time.substr(0, time.size() - 2))) {
            return false;
        }
    } else if (!IsClockTime(time)) {
        return false;
    } else if (IsAmPm(words.Text(2))) {
        size = 3;
    }
    if (size + 1 >= words.count) {
        return false;
    }
    const std::string_view sizeText = words.Text(size);
    const bool directory = sizeText == "<DIR>" || sizeText == "<dir>";
    if (!directory && !AllDigits(sizeText)) {
        return false;
    }
    columns.permBegin = 0;
    columns.permEnd = 0;
    columns.sizeBegin = words.words[size].begin;
    columns.sizeEnd = words.words[size].end;
    columns.dateBegin = words.words[0].begin;
    columns.dateEnd = words.words[size - 1].end;
    columns.nameBegin = words.words[size + 1].begin;
    columns.isDirectory = directory;
    return true;
}

} // namespace tarnwick
