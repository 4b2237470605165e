#include <gtest/gtest.h>

#include "files/listingparser.h"

using namespace tarnwick;

TEST(ListingParser, RealListingLines)
{
    struct Row {
        const char* name;
        const char* line;
        bool entry;
        const char* permissions;
        const char* displayName;
        int isDirectory;
        const char* sizeText;
        const char* dateText;
    };
    const Row rows[] = {
        {"unix-directory", "drwxr-xr-x   2 ftp      ftp          4096 Mar 14 09:12 src\r", true,
         "drwxr-xr-x", "src", 1, "----", "Mar 14 09:12"},
        {"unix-file-crlf", "-rw-r--r--   1 ftp      ftp           512 Mar 14 09:12 a.txt\r", true,
         "-rw-r--r--", "a.txt", 0, "512", "Mar 14 09:12"},
        {"unix-file-lf", "-rw-r--r--   1 ftp      ftp           512 Mar 14 09:12 a.txt", true,
         "-rw-r--r--", "a.txt", 0, "512", "Mar 14 09:12"},
        {"name-with-blanks", "-rw-r--r--   1 ftp ftp 512 Dec  1 12:00 my file.txt", true,
         "-rw-r--r--", "my file.txt", 0, "512", "Dec  1 12:00"},
        {"name-with-two-blanks", "-rw-r--r-- 1 ftp ftp 7 Dec  1 12:00 a  b", true, "-rw-r--r--",
         "a  b", 0, "7", "Dec  1 12:00"},
        {"name-leading-blank", "-rw-r--r-- 1 ftp ftp 7 Dec  1 12:00  lead", true, "-rw-r--r--",
         " lead", 0, "7", "Dec  1 12:00"},
        {"symlink", "lrwxrwxrwx   1 root     root            7 Jan  2 03:04 latest -> v2.1", true,
         "lrwxrwxrwx", "latest", 0, "7", "Jan  2 03:04"},
        {"symlink-without-name", "lrwxrwxrwx 1 a b 7 Jan  2 03:04  -> lt", true, "lrwxrwxrwx",
         " -> lt", 0, "7", "Jan  2 03:04"},
        {"year-instead-of-time", "-rw-r--r--   1 1000 1000 3000000000 Nov 30  2021 big.iso", true,
         "-rw-r--r--", "big.iso", 0, "3000000000", "Nov 30  2021"},
        {"numeric-owners", "-rw-------   1 1000     1000            0 Jan  1 00:00 empty", true,
         "-rw-------", "empty", 0, "0", "Jan  1 00:00"},
        {"missing-group", "-rw-r--r--   1 owner      512 Jan  2 03:04 nogroup.txt", true,
         "-rw-r--r--", "nogroup.txt", 0, "512", "Jan  2 03:04"},
        {"acl-mark", "-rw-r--r--+  1 ftp ftp 5 Jan  2 03:04 acl.txt", true, "-rw-r--r--+",
         "acl.txt", 0, "5", "Jan  2 03:04"},
        {"setuid-sticky", "drwxrwxrwt 2 root root 40 Jan  2 03:04 tmp", true, "drwxrwxrwt",
         "tmp", 1, "----", "Jan  2 03:04"},
        {"japanese-name", "-rw-r--r-- 1 ftp ftp 9 Jan  2 03:04 日本語 ファイル.txt", true,
         "-rw-r--r--", "日本語 ファイル.txt", 0, "9", "Jan  2 03:04"},
        {"name-star-end", "-rw-r--r-- 1 ftp ftp 9 Jan  2 03:04 *end*", true, "-rw-r--r--",
         "*end*", 0, "9", "Jan  2 03:04"},
        {"total-line", "total 12\r", false, "", "", 0, "", ""},
        {"empty-line", "\r", false, "", "", 0, "", ""},
        {"dot", "drwxr-xr-x 2 ftp ftp 4096 Mar 14 09:12 .", false, "", "", 0, "", ""},
        {"dot-dot", "drwxr-xr-x 9 ftp ftp 4096 Mar 14 09:12 ..", false, "", "", 0, "", ""},
        {"bare-name", "readme.txt\r", true, "", "readme.txt", 0, "", ""},
        {"bare-name-blanks", "my notes.txt", true, "", "my notes.txt", 0, "", ""},
    };
    for (const Row& row : rows) {
        RemoteFileEntry entry;
        entry.displayName = "stale";
        EXPECT_EQ(ParseListingLine(row.line, entry), row.entry) << row.name;
        if (!row.entry) {
            continue;
        }
        EXPECT_EQ(entry.permissions, row.permissions) << row.name;
        EXPECT_EQ(entry.displayName, row.displayName) << row.name;
        EXPECT_EQ(entry.isDirectory, row.isDirectory) << row.name;
        EXPECT_EQ(entry.sizeText, row.sizeText) << row.name;
        EXPECT_EQ(entry.dateText, row.dateText) << row.name;
    }
}

TEST(ListingParser, TellsLongLinesFromBareNames)
{
    EXPECT_TRUE(IsLongListingLine("-rw-r--r-- 1 ftp ftp 512 Mar 14 09:12 a.txt\r"));
    EXPECT_TRUE(IsLongListingLine("drwxr-xr-x 2 0 0 4096 Mar 14  2020 pub"));
    EXPECT_FALSE(IsLongListingLine("a.txt"));
    EXPECT_FALSE(IsLongListingLine("total 8"));
    EXPECT_FALSE(IsLongListingLine("-rw-r--r-- is a strange file name"));
    EXPECT_FALSE(IsLongListingLine("drwxr-xr-x 2 ftp ftp 4096 Mar 14 09:12 ")); // no name
}
