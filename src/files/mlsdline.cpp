// MLSD and MLST lines (RFC 3659): "fact=value;" pairs, one blank, the name.
//
//   type=file;size=5120;modify=20231130184500;UNIX.mode=0644; my notes.txt
//   modify=20230314091200;perm=el;size=4096;type=dir;unique=fe00ga722a4; src     pyftpdlib
//   type=cdir;modify=20231130184500; .                  the listed directory: no entry
//   type=pdir;modify=20231130184500; ..                 its parent: no entry
//   type=OS.unix=slink:/srv/data;modify=20231130184500; data      proftpd, a link
//   type=OS.unix=symlink;size=7; latest
//    type=file;size=5120;modify=20231130184500; /pub/a.txt        MLST: one leading blank
//
// Fact names and the type's value are case-insensitive; servers differ ("UNIX.mode",
// "unix.mode"). The value of UNIX.mode is octal, and pyftpdlib writes it the way Python
// prints octal: "0o644". The facts end at the first blank, so the name keeps its blanks and
// semicolons.
#include "files/listingcolumns.h"
#include "files/listingparser.h"

namespace tarnwick {

namespace {

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameWord(std::string_view text, std::string_view lower)
{
    if (text.size() != lower.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (LowerAscii(text[i]) != lower[i]) {
            return false;
        }
    }
    return true;
}

bool BeginsWithWord(std::string_view text, std::string_view lower)
{
    return text.size() >= lower.size() && SameWord(text.substr(0, lower.size()), lower);
}

enum class MlsdType { File, Directory, Link, ListedDirectory };

MlsdType ReadType(std::string_view value, std::string_view& target)
{
    if (SameWord(value, "dir")) {
        return MlsdType::Directory;
    }
    if (SameWord(value, "cdir") || SameWord(value, "pdir")) {
        return MlsdType::ListedDirectory;
    }
    if (BeginsWithWord(value, "os.unix=slink") || BeginsWithWord(value, "os.unix=symlink")) {
        // "OS.unix=slink:/srv/data": the target follows the colon.
        const std::size_t colon = value.find(':');
        if (colon != std::string_view::npos) {
            target = value.substr(colon + 1);
        }
        return MlsdType::Link;
    }
    // "file", and kinds of file this client cannot tell apart ("OS.unix=chr-4/1").
    return MlsdType::File;
}

// "0644", "644", "0o755", "100644" (some servers send the whole st_mode): the permission bits,
// or -1.
int ReadMode(std::string_view value)
{
    if (value.size() > 2 && value[0] == '0' && (value[1] == 'o' || value[1] == 'O')) {
        value.remove_prefix(2);
    }
    if (value.empty() || value.size() > 7) {
        return -1;
    }
    int mode = 0;
    for (const char c : value) {
        if (c < '0' || c > '7') {
            return -1;
        }
        mode = mode * 8 + (c - '0');
    }
    return mode & 07777;
}

// "drwxr-xr-x" from the type letter and the mode, setuid, setgid and sticky as ls shows them.
void WritePermissions(char type, int mode, std::string& text)
{
    char buffer[10] = {type, '-', '-', '-', '-', '-', '-', '-', '-', '-'};
    static constexpr char kLetters[] = "rwxrwxrwx";
    for (int i = 0; i < 9; ++i) {
        if ((mode & (0400 >> i)) != 0) {
            buffer[1 + i] = kLetters[i];
        }
    }
    const auto special = [&](int bit, int at, char withExecute, char withoutExecute) {
        if ((mode & bit) != 0) {
            buffer[at] = buffer[at] == 'x' ? withExecute : withoutExecute;
        }
    };
    special(04000, 3, 's', 'S');
    special(02000, 6, 's', 'S');
    special(01000, 9, 't', 'T');
    text.assign(buffer, sizeof buffer);
}

// Days from 1970-01-01 to the given day of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(int year, int month, int day)
{
    year -= month <= 2 ? 1 : 0;
    const int era = (year >= 0 ? year : year - 399) / 400;
    const int yearOfEra = year - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return static_cast<std::int64_t>(era) * 146097 + dayOfEra - 719468;
}

// "20231130184500" or "20231130184500.123" (UTC, RFC 3659's time-val): "2023-11-30 18:45" and
// the seconds since 1970. False for anything else.
bool ReadModify(std::string_view value, std::string& dateText, std::int64_t& time)
{
    const std::size_t dot = value.find('.');
    if (dot != std::string_view::npos) {
        if (!AllDigits(value.substr(dot + 1))) {
            return false;
        }
        value = value.substr(0, dot);
    }
    if (value.size() != 14 || !AllDigits(value)) {
        return false;
    }
    const auto number = [&](std::size_t at, std::size_t digits) {
        int n = 0;
        for (std::size_t i = at; i < at + digits; ++i) {
            n = n * 10 + (value[i] - '0');
        }
        return n;
    };
    const int year = number(0, 4);
    const int month = number(4, 2);
    const int day = number(6, 2);
    const int hour = number(8, 2);
    const int minute = number(10, 2);
    const int second = number(12, 2);
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) {
        return false;
    }
    const char text[16] = {value[0], value[1], value[2],  value[3], '-', value[4],
                           value[5], '-',      value[6],  value[7], ' ', value[8],
                           value[9], ':',      value[10], value[11]};
    dateText.assign(text, sizeof text);
    time = ((DaysFromCivil(year, month, day) * 24 + hour) * 60 + minute) * 60 + second;
    return true;
}

} // namespace

ParsedLine ParseMlsdLine(std::string_view line, RemoteFileEntry& entry)
{
    ResetEntry(entry);
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    if (line.find_first_not_of(" \t") == std::string_view::npos) {
        return ParsedLine::NoEntry;
    }
    if (line.front() == ' ') {
        line.remove_prefix(1); // the entry line of an MLST reply
    }
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos || blank == 0 || blank + 1 == line.size()) {
        return ParsedLine::Unparsed;
    }
    std::string_view facts = line.substr(0, blank);
    const std::string_view name = line.substr(blank + 1);
    MlsdType type = MlsdType::File;
    std::string_view target;
    std::string_view size;
    std::string_view modify;
    std::string_view unique;
    int mode = -1;
    while (!facts.empty()) {
        const std::size_t end = facts.find(';');
        const std::string_view fact = facts.substr(0, end);
        facts = end == std::string_view::npos ? std::string_view() : facts.substr(end + 1);
        if (fact.empty()) {
            continue;
        }
        const std::size_t equals = fact.find('=');
        if (equals == std::string_view::npos || equals == 0) {
            return ParsedLine::Unparsed; // not a fact: not an MLSD line
        }
        const std::string_view factName = fact.substr(0, equals);
        const std::string_view value = fact.substr(equals + 1);
        if (SameWord(factName, "type")) {
            type = ReadType(value, target);
        } else if (SameWord(factName, "size")) {
            size = value;
        } else if (SameWord(factName, "modify")) {
            modify = value;
        } else if (SameWord(factName, "unix.mode")) {
            mode = ReadMode(value);
        } else if (SameWord(factName, "unique")) {
            unique = value;
        }
        // perm, UNIX.uid, lang, media-type and the rest say nothing the pane shows.
    }
    if (type == MlsdType::ListedDirectory || name == "." || name == "..") {
        return ParsedLine::NoEntry;
    }
    entry.displayName.assign(name);
    entry.isDirectory = type == MlsdType::Directory ? 1 : 0;
    entry.isLink = type == MlsdType::Link ? 1 : 0;
    entry.linkTarget.assign(target);
    entry.unique.assign(unique);
    if (entry.isDirectory == 1) {
        entry.sizeText.assign("----");
    } else if (AllDigits(size)) {
        entry.sizeText.assign(size);
    }
    if (mode >= 0) {
        const char letter = type == MlsdType::Directory ? 'd' : type == MlsdType::Link ? 'l' : '-';
        WritePermissions(letter, mode, entry.permissions);
    }
    if (!ReadModify(modify, entry.dateText, entry.modifyTime)) {
        entry.dateText.clear();
        entry.modifyTime = -1;
    }
    return ParsedLine::Entry;
}

} // namespace tarnwick
