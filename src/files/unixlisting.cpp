// The Unix long line, read by columns: permissions, link count, owner, group, size, the date,
// then the name, which keeps its blanks. The date takes the forms ls writes in the server's
// locale and time style:
//
//   Mar 14 09:12     Mar 14  2023                   C and English locales
//   3月 14 09:12     3月 14  2023    3月 14日 2023    ja_JP (zh_CN: "12月 7日 12:14")
//   12월  7일  12:14                                  ko_KR, recent files
//   14. Mär 12:14    14. Mär 2023                   de_DE (day first, year padded on the right)
//   7 déc.  12:14    14 mars   2023                 fr_FR
//   2023년  3월 14일   2023年 3月14日   2025年12月 1日    ko_KR, zh_CN, older files (year first)
//   2023-11-30 18:45                                --time-style=long-iso
//   2023-11-30  a.txt    11-30 18:45                --time-style=iso (date padded on the right)
//   2023-11-30 18:45:00.000000000 +0900             --time-style=full-iso
//
// A name that begins with a blank keeps it, except after the two forms padded on the right.
#include "files/listingcolumns.h"

#include <utility>

#include "core/strutil.h"

namespace tarnwick {

namespace {

// UTF-8 spellings of the CJK date suffixes.
constexpr std::string_view kYearJa = "年";
constexpr std::string_view kMonthJa = "月";
constexpr std::string_view kDayJa = "日";
constexpr std::string_view kYearKo = "년";
constexpr std::string_view kMonthKo = "월";
constexpr std::string_view kDayKo = "일";

bool IsPermissionText(std::string_view text)
{
    // "drwxr-xr-x", maybe followed by an ACL or security-context mark ("+", ".", "@").
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

char AsciiLowerChar(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsEnglishMonth(std::string_view text)
{
    static constexpr std::string_view kMonths = "janfebmaraprmayjunjulaugsepoctnovdec";
    if (text.size() != 3) {
        return false;
    }
    const char lower[3] = {AsciiLowerChar(text[0]), AsciiLowerChar(text[1]),
                           AsciiLowerChar(text[2])};
    for (std::size_t i = 0; i < kMonths.size(); i += 3) {
        if (kMonths.compare(i, 3, lower, 3) == 0) {
            return true;
        }
    }
    return false;
}

// A number from `low` to `high` written with up to `maxDigits` digits and then exactly one of
// the given endings ("" for none).
template <std::size_t N>
bool IsNumberWith(std::string_view text, int low, int high, std::size_t maxDigits,
                  const std::array<std::string_view, N>& endings)
{
    std::size_t used = 0;
    const int value = LeadingNumber(text, maxDigits, used);
    if (value < low || value > high) {
        return false;
    }
    const std::string_view rest = text.substr(used);
    for (const std::string_view ending : endings) {
        if (rest == ending) {
            return true;
        }
    }
    return false;
}

// A month word in another language: "Mär", "déc.", "mars". Letters (any non-ASCII byte
// counts as part of a letter) and at most a final dot; it is only taken where a date must be,
// between the size and the day.
bool IsLocaleMonthWord(std::string_view text)
{
    if (text.size() < 3 || text.size() > 12) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                            static_cast<unsigned char>(c) >= 0x80;
        if (!letter && !(c == '.' && i + 1 == text.size() && i > 0)) {
            return false;
        }
    }
    return true;
}

bool IsMonthWord(std::string_view text)
{
    return IsEnglishMonth(text) || IsLocaleMonthWord(text);
}

// "14", "07".
bool IsDayAfterMonth(std::string_view text)
{
    return IsNumberWith(text, 1, 31, 2, std::array{std::string_view()});
}

// "14" or "14." before the month.
bool IsDayBeforeMonth(std::string_view text)
{
    return IsNumberWith(text, 1, 31, 2, std::array{std::string_view(), std::string_view(".")});
}

bool IsYear(std::string_view text)
{
    return text.size() == 4 && AllDigits(text);
}

// The value of exactly two digits, or -1.
int TwoDigits(std::string_view text)
{
    return text.size() == 2 && AllDigits(text) ? (text[0] - '0') * 10 + (text[1] - '0') : -1;
}

// "2023-11-30".
bool IsIsoDate(std::string_view text)
{
    if (text.size() != 10 || !IsYear(text.substr(0, 4)) || text[4] != '-' || text[7] != '-') {
        return false;
    }
    const int month = TwoDigits(text.substr(5, 2));
    const int day = TwoDigits(text.substr(8, 2));
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

// "11-30", the recent files of --time-style=iso.
bool IsIsoMonthDay(std::string_view text)
{
    if (text.size() != 5 || text[2] != '-') {
        return false;
    }
    const int month = TwoDigits(text.substr(0, 2));
    const int day = TwoDigits(text.substr(3, 2));
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

// "18:45:00.000000000" of full-iso: a clock time with seconds and a fraction.
bool IsClockTimeWithFraction(std::string_view text)
{
    const std::size_t dot = text.find('.');
    return dot != std::string_view::npos && IsClockTime(text.substr(0, dot)) &&
           AllDigits(text.substr(dot + 1));
}

// "+0900", "-0500".
bool IsZoneOffset(std::string_view text)
{
    return text.size() == 5 && (text[0] == '+' || text[0] == '-') && AllDigits(text.substr(1));
}

// The date that starts at word k: on success the index of its last word, and whether ls pads
// this form on the right (one more blank before the name that is not part of it).
struct DateMatch {
    std::size_t last = 0;
    bool paddedRight = false;
};

// The part of a CJK date that a number is, told by the mark after it.
enum class CjkPart { None, Year, Month, Day };

// Takes one number and its mark ("2023年", "3月", "14日", "14일", or a bare "14" for the day)
// off the front of `text`. CjkPart::None when the text does not begin so.
CjkPart TakeCjkNumber(std::string_view& text, int& value)
{
    std::size_t used = 0;
    value = LeadingNumber(text, 4, used);
    if (value < 0) {
        return CjkPart::None;
    }
    text.remove_prefix(used);
    if (text.empty()) {
        return CjkPart::Day;
    }
    static constexpr std::array<std::pair<std::string_view, CjkPart>, 6> kMarks = {{
        {kYearJa, CjkPart::Year},
        {kYearKo, CjkPart::Year},
        {kMonthJa, CjkPart::Month},
        {kMonthKo, CjkPart::Month},
        {kDayJa, CjkPart::Day},
        {kDayKo, CjkPart::Day},
    }};
    for (const auto& [mark, part] : kMarks) {
        if (StartsWith(text, mark)) {
            text.remove_prefix(mark.size());
            return part;
        }
    }
    return CjkPart::None;
}

// A date written with 年, 月 and 日 (or 년, 월 and 일), split into words however ls pads it:
// "3月 14 09:12", "3月 14日 2023", "12月 7日 12:14", "2023年 3月14日", "2025年12月 1日",
// "2025年12月14日", "2023년  3월 14일". Month and day are followed by the time or the year;
// with the year in front, the day ends the date.
bool MatchCjkDate(const LineWords& words, std::size_t k, DateMatch& match)
{
    CjkPart last = CjkPart::None;
    bool withYear = false;
    for (std::size_t w = k; w < words.count && w < k + 3; ++w) {
        std::string_view text = words.Text(w);
        while (!text.empty()) {
            int value = 0;
            const CjkPart part = TakeCjkNumber(text, value);
            const bool inOrder =
                (part == CjkPart::Year && last == CjkPart::None && value >= 1900) ||
                (part == CjkPart::Month && (last == CjkPart::None || last == CjkPart::Year) &&
                 value >= 1 && value <= 12) ||
                (part == CjkPart::Day && last == CjkPart::Month && value >= 1 && value <= 31);
            if (!inOrder) {
                return false;
            }
            withYear = withYear || part == CjkPart::Year;
            last = part;
        }
        if (last != CjkPart::Day) {
            continue;
        }
        if (withYear) {
            match = {w, false};
            return true;
        }
        if (w + 1 < words.count && (IsClockTime(words.Text(w + 1)) || IsYear(words.Text(w + 1)))) {
            match = {w + 1, false};
            return true;
        }
        return false;
    }
    return false;
}

bool MatchDate(const LineWords& words, std::size_t k, DateMatch& match)
{
    const auto has = [&](std::size_t n) { return k + n < words.count; };
    const std::string_view first = words.Text(k);
    if (!has(1)) {
        return false;
    }
    const std::string_view second = words.Text(k + 1);
    if (IsIsoDate(first)) {
        if (IsClockTime(second)) {
            match = {k + 1, false};
        } else if (IsClockTimeWithFraction(second) && has(2) && IsZoneOffset(words.Text(k + 2))) {
            match = {k + 2, false};
        } else {
            match = {k, true};
        }
        return true;
    }
    if (IsIsoMonthDay(first) && IsClockTime(second)) {
        match = {k + 1, false};
        return true;
    }
    if (MatchCjkDate(words, k, match)) {
        return true;
    }
    if (!has(2)) {
        return false;
    }
    const std::string_view third = words.Text(k + 2);
    const bool timeOrYear = IsClockTime(third) || IsYear(third);
    if (!timeOrYear) {
        return false;
    }
    if (IsMonthWord(first) && IsDayAfterMonth(second)) {
        match = {k + 2, false};
        return true;
    }
    if (IsDayBeforeMonth(first) && IsMonthWord(second)) {
        // de_DE writes "14. Mär 2023 " with the year as wide as a time of day.
        match = {k + 2, IsYear(third)};
        return true;
    }
    return false;
}

} // namespace

bool IsClockTime(std::string_view text)
{
    std::size_t used = 0;
    const int hours = LeadingNumber(text, 2, used);
    if (hours < 0 || hours > 23 || used >= text.size() || text[used] != ':') {
        return false;
    }
    const std::string_view rest = text.substr(used + 1);
    const int minutes = TwoDigits(rest.substr(0, 2));
    if (minutes < 0 || minutes > 59) {
        return false;
    }
    if (rest.size() == 2) {
        return true;
    }
    const int seconds = rest.size() == 5 && rest[2] == ':' ? TwoDigits(rest.substr(3)) : -1;
    return seconds >= 0 && seconds <= 60;
}

bool FindUnixColumns(const LineWords& words, LongColumns& columns)
{
    if (words.count < 6 || !IsPermissionText(words.Text(0))) {
        return false;
    }
    // The size is word 4 normally, 3 when the group column is missing, 5 when a server adds a
    // column. A device has "major, minor" ("4, 1" or "4,1") in its place.
    for (const std::size_t size : {std::size_t{4}, std::size_t{3}, std::size_t{5}}) {
        if (size + 1 >= words.count) {
            continue;
        }
        std::size_t sizeLast = size;
        const std::string_view text = words.Text(size);
        const std::size_t comma = text.find(',');
        if (comma == std::string_view::npos) {
            if (!AllDigits(text)) {
                continue;
            }
        } else if (comma + 1 == text.size()) {
            if (!AllDigits(text.substr(0, comma)) || size + 2 >= words.count ||
                !AllDigits(words.Text(size + 1))) {
                continue;
            }
            sizeLast = size + 1;
        } else if (!AllDigits(text.substr(0, comma)) || !AllDigits(text.substr(comma + 1))) {
            continue;
        }
        DateMatch date;
        if (!MatchDate(words, sizeLast + 1, date)) {
            continue;
        }
        columns.permBegin = words.words[0].begin;
        columns.permEnd = words.words[0].end;
        columns.sizeBegin = words.words[size].begin;
        columns.sizeEnd = words.words[sizeLast].end;
        columns.dateBegin = words.words[sizeLast + 1].begin;
        columns.dateEnd = words.words[date.last].end;
        // One blank separates the date from the name; further blanks belong to the name,
        // except the padding of the forms that ls pads on the right.
        std::size_t name = columns.dateEnd + 1;
        if (date.paddedRight && name + 1 < words.line.size() && words.line[name] == ' ') {
            ++name;
        }
        columns.nameBegin = name;
        columns.isDirectory = words.line[columns.permBegin] == 'd';
        return name < words.line.size();
    }
    return false;
}

} // namespace tarnwick
