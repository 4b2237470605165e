#include "ui/widgets/panedetails.h"

#include <sys/stat.h>

#include <ctime>
#include <sstream>
#include <string_view>

#include "core/strutil.h"
#include "files/pathjoin.h"
#include "files/remotefilelist.h"

namespace tarnwick {

namespace {

constexpr std::string_view kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                        "jul", "aug", "sep", "oct", "nov", "dec"};

std::int64_t DateKey(int year, int month, int day, int minutes)
{
    return ((static_cast<std::int64_t>(year) * 13 + month) * 32 + day) * 1440 + minutes;
}

// "09:12" as minutes of the day; -1 when it is no time.
int Minutes(const std::string& text)
{
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 3 != text.size()) {
        return -1;
    }
    return static_cast<int>(ParseLeadingInt(text.substr(0, colon)) * 60 +
                            ParseLeadingInt(text.substr(colon + 1)));
}

int MonthNumber(const std::string& word)
{
    const std::string lower = AsciiLower(word);
    for (int month = 0; month < 12; ++month) {
        if (lower == kMonths[month]) {
            return month + 1;
        }
    }
    // "3月"
    if (EndsWith(word, "月")) {
        const std::int64_t month = ParseLeadingInt(word);
        return month >= 1 && month <= 12 ? static_cast<int>(month) : 0;
    }
    return 0;
}

QString PermissionText(mode_t mode, bool link)
{
    QString text(10, QLatin1Char('-'));
    text[0] = link ? QLatin1Char('l') : S_ISDIR(mode) ? QLatin1Char('d') : QLatin1Char('-');
    const char* const letters = "rwxrwxrwx";
    for (int bit = 0; bit < 9; ++bit) {
        if ((mode & (0400 >> bit)) != 0) {
            text[bit + 1] = QLatin1Char(letters[bit]);
        }
    }
    return text;
}

} // namespace

std::int64_t ListingDateKey(const std::string& dateText, int nowYear, int nowMonth)
{
    std::istringstream words(dateText);
    std::string first, second, third;
    words >> first >> second >> third;
    // "2023-11-30 18:45"
    if (first.size() == 10 && first[4] == '-' && first[7] == '-') {
        const int minutes = Minutes(second);
        return DateKey(static_cast<int>(ParseLeadingInt(first.substr(0, 4))),
                       static_cast<int>(ParseLeadingInt(first.substr(5, 2))),
                       static_cast<int>(ParseLeadingInt(first.substr(8, 2))),
                       minutes < 0 ? 0 : minutes);
    }
    const int month = MonthNumber(first);
    const std::int64_t day = ParseLeadingInt(second);
    if (month == 0 || day < 1 || day > 31 || third.empty()) {
        return 0;
    }
    const int minutes = Minutes(third);
    if (minutes < 0) {
        return DateKey(static_cast<int>(ParseLeadingInt(third)), month, static_cast<int>(day), 0);
    }
    // Without a year, ls means the last twelve months: a month after this one is last year's.
    const int year = month > nowMonth ? nowYear - 1 : nowYear;
    return DateKey(year, month, static_cast<int>(day), minutes);
}

std::int64_t EntryDateKey(const CRemoteFileList& list, int index, int nowYear, int nowMonth)
{
    if (list.ModifyTime(index) >= 0) {
        // An exact time (MLSD) orders better than the text.
        const std::time_t seconds = static_cast<std::time_t>(list.ModifyTime(index));
        std::tm utc{};
        gmtime_r(&seconds, &utc);
        return DateKey(utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday,
                       utc.tm_hour * 60 + utc.tm_min);
    }
    return ListingDateKey(std::string(list.DateText(index)), nowYear, nowMonth);
}

void FillLocalDetails(std::vector<PaneRow>& rows, const std::string& dir)
{
    for (PaneRow& row : rows) {
        if (row.kind == PaneRow::Kind::Parent) {
            continue;
        }
        const std::string path = JoinPath(dir.empty() ? std::string("/") : dir,
                                          row.name.toStdString());
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0) {
            continue;
        }
        row.isLink = S_ISLNK(info.st_mode);
        if (row.isLink) {
            // What the link leads to gives the size and the date; a broken one keeps its own.
            struct stat target {};
            if (::stat(path.c_str(), &target) == 0) {
                info = target;
            }
        }
        row.permissions = PermissionText(info.st_mode, row.isLink);
        if (S_ISREG(info.st_mode)) {
            row.size = static_cast<std::int64_t>(info.st_size);
        }
        std::tm local{};
        localtime_r(&info.st_mtime, &local);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M", &local);
        row.dateText = QString::fromLatin1(stamp);
        row.dateKey = DateKey(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                              local.tm_hour * 60 + local.tm_min);
    }
}

} // namespace tarnwick
