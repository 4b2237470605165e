#include <gtest/gtest.h>

#include "files/panerows.h"
#include "files/pathjoin.h"
#include "files/remotefilelist.h"
#include "files/remotepane.h"

using namespace tarnwick;

namespace {

RemoteFileEntry Named(const std::string& name)
{
    RemoteFileEntry entry;
    entry.displayName = name;
    return entry;
}

} // namespace

TEST(RemoteFileList, GrowsByTheAutomaticStep)
{
    CRemoteFileList list;
    EXPECT_EQ(list.GetCapacity(), 0);
    std::vector<int> capacities;
    for (int i = 1; i <= 58; ++i) {
        list.Add(Named(std::to_string(i)));
        capacities.push_back(list.GetCapacity());
    }
    // Steps of 4 while the size is below 40, then size / 8.
    EXPECT_EQ(capacities[0], 1);
    EXPECT_EQ(capacities[1], 5);
    EXPECT_EQ(capacities[5], 9);
    EXPECT_EQ(capacities[9], 13);
    EXPECT_EQ(capacities[40], 41);
    EXPECT_EQ(capacities[41], 46); // the 42nd entry
    EXPECT_EQ(capacities[46], 51); // the 47th
    EXPECT_EQ(capacities[51], 57); // the 52nd
    EXPECT_EQ(capacities[57], 64); // the 58th
    EXPECT_EQ(list.GetSize(), 58);
    EXPECT_EQ(list.At(57).displayName, "58");
}

TEST(RemoteFileList, ShrinkingKeepsTheCapacityAndClearReleasesIt)
{
    CRemoteFileList list;
    list.SetSize(0); // on a list with no storage
    EXPECT_EQ(list.GetCapacity(), 0);
    for (int i = 0; i < 10; ++i) {
        list.Add(Named("x"));
    }
    EXPECT_EQ(list.GetCapacity(), 13);
    list.SetSize(3);
    EXPECT_EQ(list.GetCapacity(), 13);
    list.SetSize(10);
    EXPECT_EQ(list.GetCapacity(), 13);
    EXPECT_EQ(list.At(9).displayName, ""); // a default entry
    EXPECT_EQ(list.At(9).isDirectory, 0);
    list.Clear();
    EXPECT_EQ(list.GetSize(), 0);
    EXPECT_EQ(list.GetCapacity(), 0);
}

TEST(RemoteFileList, LookupIsExactAndBoundedBySize)
{
    CRemoteFileList list;
    list.Add(Named("<src>"));
    list.Add(Named("Readme"));
    list.Add(Named("*end*")); // a file really named so
    list.Add(Named("after"));
    list.Add(Named("Readme")); // a second entry of the same name
    list.Add(Named(CRemoteFileList::kEndMarker));
    EXPECT_EQ(list.FindByDisplayName("<src>"), 0);
    EXPECT_EQ(list.FindByDisplayName("src"), -1); // directories by their bracketed text
    EXPECT_EQ(list.FindByDisplayName("readme"), -1);
    EXPECT_EQ(list.FindByDisplayName("Readme"), 1); // the first in listing order
    EXPECT_EQ(list.FindByDisplayName("*end*"), 2);
    EXPECT_EQ(list.FindByDisplayName("after"), 3);
    EXPECT_EQ(list.FindByDisplayName("missing"), -1);
}

TEST(RemotePane, ListingBecomesRowsAndEntries)
{
    const std::string listing = "total 12\r\n"
                                "drwxr-xr-x 2 ftp ftp 4096 Mar 14 09:12 .\r\n"
                                "drwxr-xr-x 9 ftp ftp 4096 Mar 14 09:12 ..\r\n"
                                "drwxr-xr-x 2 ftp ftp 4096 Mar 14 09:12 src\r\n"
                                "drwxr-xr-x 2 ftp ftp 4096 Mar 14 09:12 SRC\r\n"
                                "-rw-r--r-- 1 ftp ftp 512 Mar 14 09:12 a.txt\r\n"
                                "\r\n"
                                "-rw-r--r-- 1 ftp ftp 7 Mar 14 09:12 last line.txt";
    CRowList rows;
    CRemoteFileList list;
    EXPECT_EQ(FillRemotePane(rows, listing, list), 0); // nothing skipped: those lines name nothing
    EXPECT_EQ(rows.rows,
              (std::vector<std::string>{"..", "<src>", "<SRC>", "a.txt", "last line.txt"}));
    ASSERT_EQ(list.GetSize(), 5);
    EXPECT_EQ(list.At(4).displayName, "*end*");
    EXPECT_EQ(list.FindByDisplayName("<SRC>"), 1);
    EXPECT_EQ(list.At(list.FindByDisplayName("a.txt")).sizeText, "512");
}

TEST(RemotePane, EmptyListingLeavesOnlyTheParentRow)
{
    CRowList rows;
    rows.AddString("stale");
    CRemoteFileList list;
    list.Add(Named("stale"));
    EXPECT_EQ(FillRemotePane(rows, "", list), 0);
    EXPECT_EQ(rows.rows, std::vector<std::string>{".."});
    ASSERT_EQ(list.GetSize(), 1);
    EXPECT_EQ(list.At(0).displayName, "*end*");
    EXPECT_EQ(list.FindByDisplayName("stale"), -1);
}

// Servers in other locales and DOS-style servers: each line of a known form gives its row, and
// a line of no known form gives none but is counted.
TEST(RemotePane, LinesOfEveryFormatAndSkippedLines)
{
    const std::string listing = "合計 24\r\n"
                                "drwxr-xr-x 2 ftp ftp 4096  3月 14 09:12 src\r\n"
                                "-rw-r--r-- 1 ftp ftp 5120 3月 14日 2023 a.txt\r\n"
                                "-rw-r--r-- 1 ftp ftp 5120 2023-11-30 18:45 my notes.txt\r\n"
                                "lrwxrwxrwx 1 ftp ftp 3 2023-11-30 18:45 up -> ..\r\n"
                                "ls: cannot read symbolic link 'x': Permission denied\r\n"
                                "   \r\n"
                                "readme.txt\r\n"
                                "03-14-23  09:12AM       <DIR>          Program Files\r\n"
                                "11-30-2023  06:45PM                 5120 dos file.txt";
    CRowList rows;
    CRemoteFileList list;
    EXPECT_EQ(FillRemotePane(rows, listing, list), 2);
    EXPECT_EQ(rows.rows, (std::vector<std::string>{"..", "<src>", "a.txt", "my notes.txt", "up",
                                                   "<Program Files>", "dos file.txt"}));
    ASSERT_EQ(list.GetSize(), 7);
    EXPECT_EQ(list.At(6).displayName, "*end*");
    const RemoteFileEntry& link = list.At(list.FindByDisplayName("up"));
    EXPECT_EQ(link.isLink, 1);
    EXPECT_EQ(link.linkTarget, "..");
    EXPECT_EQ(list.At(list.FindByDisplayName("dos file.txt")).sizeText, "5120");
    EXPECT_EQ(list.At(list.FindByDisplayName("<Program Files>")).sizeText, "----");
}

TEST(RemotePane, MlsdListingFillsTheSameWay)
{
    const std::string listing =
        "type=cdir;modify=20231130184500;UNIX.mode=0755; .\r\n"
        "type=pdir;modify=20231130184500;UNIX.mode=0755; ..\r\n"
        "type=dir;modify=20231130184500;UNIX.mode=0755; src\r\n"
        "type=file;size=5120;modify=20231130184500;UNIX.mode=0644; my notes.txt\r\n"
        "type=OS.unix=slink:/srv;modify=20231130184500; data\r\n"
        "-rw-r--r-- 1 ftp ftp 5 Nov 30 18:45 not-mlsd.txt\r\n"
        "type=file;size=7;modify=20231130184500; last";
    CRowList rows;
    CRemoteFileList list;
    EXPECT_EQ(FillRemotePane(rows, listing, list, ListingFormat::MlsdFacts), 1);
    EXPECT_EQ(rows.rows, (std::vector<std::string>{"..", "<src>", "my notes.txt", "data", "last"}));
    ASSERT_EQ(list.GetSize(), 5);
    EXPECT_EQ(list.At(4).displayName, "*end*");
    EXPECT_EQ(list.At(list.FindByDisplayName("<src>")).permissions, "drwxr-xr-x");
    EXPECT_EQ(list.At(list.FindByDisplayName("my notes.txt")).sizeText, "5120");
    EXPECT_EQ(list.At(list.FindByDisplayName("data")).isLink, 1);
}

// A name from any format stays as the server wrote it: "*end*" is found like any other name,
// and a name that must not become a local file name is still refused by the download's check.
TEST(RemotePane, NamesStayAsWrittenInEveryFormat)
{
    struct Row {
        const char* name;
        ListingFormat format;
        const char* line;
        const char* row;
        bool safeLocalName;
    };
    const Row rows[] = {
        {"unix-star-end", ListingFormat::LongLines, "-rw-r--r-- 1 ftp ftp 1 Nov 30 18:45 *end*",
         "*end*", true},
        {"dos-star-end", ListingFormat::LongLines, "11-30-23  06:45PM  1 *end*", "*end*", true},
        {"mlsd-star-end", ListingFormat::MlsdFacts, "type=file;size=1; *end*", "*end*", true},
        {"unix-parent-path", ListingFormat::LongLines,
         "-rw-r--r-- 1 ftp ftp 1 2023-11-30 18:45 ../../x", "../../x", false},
        {"dos-backslash", ListingFormat::LongLines, "11-30-23  06:45PM  1 ..\\evil.txt",
         "..\\evil.txt", false},
        {"mlsd-slash", ListingFormat::MlsdFacts, "type=file;size=1; a/b", "a/b", false},
        {"unix-ja-control-character", ListingFormat::LongLines,
         "-rw-r--r-- 1 ftp ftp 1 3月 14 09:12 a\x01b", "a\x01b", false},
    };
    for (const Row& row : rows) {
        CRowList rowList;
        CRemoteFileList list;
        EXPECT_EQ(FillRemotePane(rowList, std::string(row.line) + "\r\n", list, row.format), 0)
            << row.name;
        EXPECT_EQ(rowList.rows, (std::vector<std::string>{"..", row.row})) << row.name;
        EXPECT_EQ(list.FindByDisplayName(row.row), 0) << row.name;
        EXPECT_EQ(list.At(0).sizeText, "1") << row.name;
        EXPECT_EQ(IsSafeLocalName(row.row), row.safeLocalName) << row.name;
    }
}
