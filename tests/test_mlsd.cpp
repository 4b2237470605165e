#include <gtest/gtest.h>

#include <cstdint>

#include "files/listingparser.h"

using namespace tarnwick;

namespace {

constexpr ParsedLine kEntry = ParsedLine::Entry;
constexpr ParsedLine kNone = ParsedLine::NoEntry;
constexpr ParsedLine kUnparsed = ParsedLine::Unparsed;

} // namespace

// MLSD lines as pyftpdlib, proftpd, pure-ftpd and vsftpd-like servers write them, and the
// entry line of an MLST reply.
TEST(MlsdLine, RealFactLines)
{
    struct Row {
        const char* name;
        const char* line;
        ParsedLine result;
        const char* permissions;
        const char* displayName;
        int isDirectory;
        const char* sizeText;
        const char* dateText;
        int isLink;
        const char* linkTarget;
        std::int64_t modifyTime;
    };
    const Row rows[] = {
        {"mlsd-file", "type=file;size=5120;modify=20231130184500;UNIX.mode=0644; my notes.txt\r",
         kEntry, "-rw-r--r--", "my notes.txt", 0, "5120", "2023-11-30 18:45", 0, "", 1701369900},
        {"mlsd-dir", "type=dir;sizd=4096;modify=20230314091200;UNIX.mode=0755; src", kEntry,
         "drwxr-xr-x", "src", 1, "----", "2023-03-14 09:12", 0, "", 1678785120},
        {"mlsd-cdir", "type=cdir;sizd=4096;modify=20230314091200;UNIX.mode=0755; .", kNone, "", "",
         0, "", "", 0, "", -1},
        {"mlsd-pdir", "type=pdir;sizd=4096;modify=20230314091200;UNIX.mode=0755; ..", kNone, "", "",
         0, "", "", 0, "", -1},
        {"mlsd-cdir-path", "type=cdir;modify=20230314091200;UNIX.mode=0755; /pub", kNone, "", "", 0,
         "", "", 0, "", -1},
        {"mlsd-dot-as-dir", "type=dir;modify=20230314091200; .", kNone, "", "", 0, "", "", 0, "",
         -1},
        {"pyftpdlib-file",
         "modify=20230314091200;perm=r;size=5120;type=file;unique=fe00ga722a5; a.txt", kEntry, "",
         "a.txt", 0, "5120", "2023-03-14 09:12", 0, "", 1678785120},
        {"pyftpdlib-mode-0o",
         "modify=20230314091200;perm=el;size=4096;type=dir;unix.mode=0o755;unix.uid=0; src", kEntry,
         "drwxr-xr-x", "src", 1, "----", "2023-03-14 09:12", 0, "", 1678785120},
        {"pyftpdlib-semicolons",
         "modify=20231130184500;perm=r;size=0;type=file;unique=fe00ga721d2; semi;colon name.txt",
         kEntry, "", "semi;colon name.txt", 0, "0", "2023-11-30 18:45", 0, "", 1701369900},
        {"mlsd-name-leading-blank", "type=file;size=1;  lead", kEntry, "", " lead", 0, "1", "", 0,
         "", -1},
        {"mlsd-name-japanese", "type=file;size=9;modify=20231130184500; 日本語 ファイル.txt",
         kEntry, "", "日本語 ファイル.txt", 0, "9", "2023-11-30 18:45", 0, "", 1701369900},
        {"mlsd-slink-target",
         "type=OS.unix=slink:/srv/data;modify=20231130184500;UNIX.mode=0777; data", kEntry,
         "lrwxrwxrwx", "data", 0, "", "2023-11-30 18:45", 1, "/srv/data", 1701369900},
        {"mlsd-symlink", "type=OS.unix=symlink;size=7;modify=20231130184500; latest", kEntry, "",
         "latest", 0, "7", "2023-11-30 18:45", 1, "", 1701369900},
        {"mlsd-case", "Type=DIR;Modify=20231130184500;Unix.Mode=0755; Docs", kEntry, "drwxr-xr-x",
         "Docs", 1, "----", "2023-11-30 18:45", 0, "", 1701369900},
        {"mlsd-sticky", "type=dir;UNIX.mode=1777; tmp", kEntry, "drwxrwxrwt", "tmp", 1, "----", "",
         0, "", -1},
        {"mlsd-setuid", "type=file;size=1;UNIX.mode=4755; su", kEntry, "-rwsr-xr-x", "su", 0, "1",
         "", 0, "", -1},
        {"mlsd-setgid-no-exec", "type=file;size=1;UNIX.mode=2644; sg", kEntry, "-rw-r-Sr--", "sg",
         0, "1", "", 0, "", -1},
        {"mlsd-whole-st-mode", "type=file;size=1;UNIX.mode=100600; f", kEntry, "-rw-------", "f", 0,
         "1", "", 0, "", -1},
        {"mlsd-bad-mode", "type=file;size=1;UNIX.mode=0968; f", kEntry, "", "f", 0, "1", "", 0, "",
         -1},
        {"mlsd-fraction", "type=file;size=1;modify=20231130184500.123; f", kEntry, "", "f", 0, "1",
         "2023-11-30 18:45", 0, "", 1701369900},
        {"mlsd-leap-day", "type=file;size=1;modify=20240229235959; f", kEntry, "", "f", 0, "1",
         "2024-02-29 23:59", 0, "", 1709251199},
        {"mlsd-epoch", "type=file;size=1;modify=19700101000000; f", kEntry, "", "f", 0, "1",
         "1970-01-01 00:00", 0, "", 0},
        {"mlsd-short-modify", "type=file;size=1;modify=2023113018; f", kEntry, "", "f", 0, "1", "",
         0, "", -1},
        {"mlsd-month-13", "type=file;size=1;modify=20231330184500; f", kEntry, "", "f", 0, "1", "",
         0, "", -1},
        {"mlsd-size-not-number", "type=file;size=12ab; f", kEntry, "", "f", 0, "", "", 0, "", -1},
        {"mlsd-no-type", "size=10;modify=20231130184500; f", kEntry, "", "f", 0, "10",
         "2023-11-30 18:45", 0, "", 1701369900},
        {"mlsd-other-kind", "type=OS.unix=chr-4/1;modify=20231130184500; tty1", kEntry, "", "tty1",
         0, "", "2023-11-30 18:45", 0, "", 1701369900},
        {"mlsd-star-end", "type=file;size=1; *end*", kEntry, "", "*end*", 0, "1", "", 0, "", -1},
        {"mlsd-name-with-slashes", "type=file;size=1; ../x", kEntry, "", "../x", 0, "1", "", 0, "",
         -1},
        {"mlst-entry-line", " type=file;size=5120;modify=20230314091200; /pub/a.txt\r", kEntry, "",
         "/pub/a.txt", 0, "5120", "2023-03-14 09:12", 0, "", 1678785120},
        {"mlsd-blank", "\r", kNone, "", "", 0, "", "", 0, "", -1},
        {"mlsd-no-name", "type=file;size=1;", kUnparsed, "", "", 0, "", "", 0, "", -1},
        {"mlsd-empty-name", "type=file;size=1; \r", kUnparsed, "", "", 0, "", "", 0, "", -1},
        {"mlsd-not-a-fact", "ls: cannot open directory", kUnparsed, "", "", 0, "", "", 0, "", -1},
        {"mlsd-given-a-unix-line", "-rw-r--r-- 1 ftp ftp 5 Nov 30 18:45 a.txt", kUnparsed, "", "",
         0, "", "", 0, "", -1},
        {"mlsd-fact-without-name", "=file;size=1; f", kUnparsed, "", "", 0, "", "", 0, "", -1},
    };
    for (const Row& row : rows) {
        RemoteFileEntry entry;
        entry.displayName = "stale";
        entry.permissions = "stale";
        entry.isLink = 1;
        EXPECT_EQ(ParseMlsdLine(row.line, entry), row.result) << row.name;
        if (row.result != kEntry) {
            EXPECT_EQ(entry.displayName, "") << row.name;
            continue;
        }
        EXPECT_EQ(entry.permissions, row.permissions) << row.name;
        EXPECT_EQ(entry.displayName, row.displayName) << row.name;
        EXPECT_EQ(entry.isDirectory, row.isDirectory) << row.name;
        EXPECT_EQ(entry.sizeText, row.sizeText) << row.name;
        EXPECT_EQ(entry.dateText, row.dateText) << row.name;
        EXPECT_EQ(entry.isLink, row.isLink) << row.name;
        EXPECT_EQ(entry.linkTarget, row.linkTarget) << row.name;
        EXPECT_EQ(entry.modifyTime, row.modifyTime) << row.name;
    }
}
