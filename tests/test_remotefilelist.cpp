#include <gtest/gtest.h>

#include "files/listingreader.h"
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

// Every field of an entry comes back as it went in, also when a text is long and when an entry
// is written over; the field reads agree with the copy.
TEST(RemoteFileList, RecordsKeepEveryField)
{
    RemoteFileEntry link;
    link.permissions = "lrwxrwxrwx";
    link.displayName = "latest";
    link.isLink = 1;
    link.sizeText = "7";
    link.dateText = "Jan  2 03:04";
    link.linkTarget = std::string(70000, 't'); // past any 16-bit length
    link.modifyTime = 1701369900;
    link.unique = "fe00g1";
    RemoteFileEntry folder;
    folder.displayName = "<src>";
    folder.isDirectory = 1;
    folder.sizeText = "----";

    CRemoteFileList list;
    list.Add(link);
    list.Add(folder);
    list.Add(Named("a.txt"));
    const RemoteFileEntry back = list.At(0);
    EXPECT_EQ(back.permissions, link.permissions);
    EXPECT_EQ(back.displayName, link.displayName);
    EXPECT_EQ(back.isDirectory, 0);
    EXPECT_EQ(back.isLink, 1);
    EXPECT_EQ(back.sizeText, link.sizeText);
    EXPECT_EQ(back.dateText, link.dateText);
    EXPECT_EQ(back.linkTarget, link.linkTarget);
    EXPECT_EQ(back.modifyTime, link.modifyTime);
    EXPECT_EQ(back.unique, link.unique);
    EXPECT_EQ(list.LinkTarget(0).size(), 70000U);
    EXPECT_EQ(list.DisplayName(1), "<src>");
    EXPECT_TRUE(list.IsDirectory(1));
    EXPECT_FALSE(list.IsLink(1));
    EXPECT_EQ(list.SizeText(1), "----");
    EXPECT_EQ(list.ModifyTime(2), -1);
    EXPECT_EQ(list.Permissions(2), "");

    // Written over: the new texts, the neighbours untouched.
    list.SetAtGrow(1, Named("renamed"));
    EXPECT_EQ(list.DisplayName(1), "renamed");
    EXPECT_FALSE(list.IsDirectory(1));
    EXPECT_EQ(list.SizeText(1), "");
    EXPECT_EQ(list.DisplayName(0), "latest");
    EXPECT_EQ(list.DisplayName(2), "a.txt");
    EXPECT_EQ(list.FindByDisplayName("renamed"), 1);
    EXPECT_FALSE(list.FindEntry("<src>").has_value());
    ASSERT_TRUE(list.FindEntry("latest").has_value());
    EXPECT_EQ(list.FindEntry("latest")->unique, "fe00g1");
}

// A listing read in pieces gives the entries and the count of unknown lines that the whole
// text gives, wherever the pieces are cut: inside a line, between a CR and its LF, inside a
// multi-byte name, and with the last line lacking its line feed.
TEST(ListingReader, PiecesCutAnywhereReadAsTheWhole)
{
    struct Case {
        const char* name;
        ListingFormat format;
        std::string text;
    };
    const Case cases[] = {
        {"unix", ListingFormat::LongLines,
         "total 12\r\n"
         "drwxr-xr-x 2 ftp ftp 4096 Mar 14 09:12 src\r\n"
         "lrwxrwxrwx 1 ftp ftp 3 2023-11-30 18:45 up -> ..\r\n"
         "not a listing line\r\n"
         "-rw-r--r-- 1 ftp ftp 5120 3月 14日 2023 日本語.txt\r\n"
         "\r\n"
         "-rw-r--r-- 1 ftp ftp 7 Mar 14 09:12 last line.txt"},
        {"mlsd", ListingFormat::MlsdFacts,
         "type=cdir;modify=20231130184500; .\r\n"
         "type=dir;modify=20231130184500;UNIX.mode=0755; src\r\n"
         "garbage\n"
         "type=file;size=5;modify=20231130184500;unique=u1; 名前.txt\r\n"},
    };
    for (const Case& c : cases) {
        CRowList wholeRows;
        CRemoteFileList whole;
        const int wholeUnknown = FillRemotePane(wholeRows, c.text, whole, c.format);
        std::vector<std::string> expected(wholeRows.rows.begin() + 1, wholeRows.rows.end());
        ASSERT_GE(expected.size(), 2U) << c.name;
        // One cut at every place, and pieces of one byte.
        for (std::size_t cut = 0; cut <= c.text.size() + 1; ++cut) {
            std::vector<std::string> got;
            std::vector<std::string> uniques;
            CListingReader reader(
                [&](const RemoteFileEntry& entry) {
                    got.push_back(entry.displayName);
                    uniques.push_back(entry.unique);
                    return true;
                },
                c.format);
            const std::string_view text = c.text;
            if (cut <= c.text.size()) {
                EXPECT_TRUE(reader.Feed(text.substr(0, cut)));
                EXPECT_TRUE(reader.Feed(text.substr(cut)));
            } else {
                for (const char byte : text) {
                    EXPECT_TRUE(reader.Feed(std::string_view(&byte, 1)));
                }
            }
            EXPECT_TRUE(reader.Finish());
            EXPECT_EQ(got, expected) << c.name << " cut at " << cut;
            EXPECT_EQ(reader.Unparsed(), wholeUnknown) << c.name << " cut at " << cut;
            for (std::size_t i = 0; i < uniques.size(); ++i) {
                EXPECT_EQ(uniques[i], std::string(whole.At(static_cast<int>(i)).unique)) << c.name;
            }
        }
    }
}

// A handler that says stop ends the reading at that entry; a reset starts a new listing.
TEST(ListingReader, StopsWhenTheHandlerSaysSoAndResets)
{
    int seen = 0;
    CListingReader reader([&seen](const RemoteFileEntry&) { return ++seen < 2; });
    const std::string three = "-rw-r--r-- 1 ftp ftp 1 Mar 14 09:12 a\n"
                              "-rw-r--r-- 1 ftp ftp 1 Mar 14 09:12 b\n"
                              "-rw-r--r-- 1 ftp ftp 1 Mar 14 09:12 c\n";
    EXPECT_FALSE(reader.Feed(three));
    EXPECT_EQ(seen, 2);
    seen = -10;
    reader.Reset(ListingFormat::MlsdFacts);
    EXPECT_TRUE(reader.Feed("type=file;size=1; x\ntype=file;size=1; y"));
    EXPECT_EQ(seen, -9) << "a line left from before the reset was read";
    EXPECT_TRUE(reader.Finish());
    EXPECT_EQ(seen, -8);
    EXPECT_EQ(reader.Unparsed(), 0);
}
