#include <gtest/gtest.h>

#include "files/panerows.h"
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
    FillRemotePane(rows, listing, list);
    EXPECT_EQ(rows.rows, (std::vector<std::string>{"..", "<src>", "<SRC>", "a.txt", "last line.txt"}));
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
    FillRemotePane(rows, "", list);
    EXPECT_EQ(rows.rows, std::vector<std::string>{".."});
    ASSERT_EQ(list.GetSize(), 1);
    EXPECT_EQ(list.At(0).displayName, "*end*");
    EXPECT_EQ(list.FindByDisplayName("stale"), -1);
}
