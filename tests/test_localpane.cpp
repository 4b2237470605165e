#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "files/localpane.h"
#include "support/tempdir.h"

using namespace tarnwick;
using tarnwick::testing::CTempDir;
using tarnwick::testing::WriteWholeFile;

namespace {

std::vector<std::string> Sorted(std::vector<std::string> rows)
{
    std::sort(rows.begin(), rows.end());
    return rows;
}

bool Contains(const std::vector<std::string>& rows, const std::string& row)
{
    return std::find(rows.begin(), rows.end(), row) != rows.end();
}

} // namespace

TEST(LocalPane, RootHasNoParentRowAndListsTheRoot)
{
    for (const std::string dir : {"/", ""}) {
        CRowList pane;
        pane.rows = {"stale"};
        EXPECT_TRUE(RefreshLocalPane(pane, dir)) << "dir '" << dir << "'";
        EXPECT_FALSE(Contains(pane.rows, "..")) << "dir '" << dir << "'";
        EXPECT_FALSE(Contains(pane.rows, "stale"));
        EXPECT_FALSE(Contains(pane.rows, "<.>"));
        // Every Linux root holds these directories.
        EXPECT_TRUE(Contains(pane.rows, "<tmp>")) << "dir '" << dir << "'";
        EXPECT_TRUE(Contains(pane.rows, "<usr>")) << "dir '" << dir << "'";
    }
}

TEST(LocalPane, OneFileAndOneSubdirectoryGiveThreeRows)
{
    CTempDir temp;
    WriteWholeFile(temp.File("notes.txt"), "x");
    ASSERT_EQ(mkdir(temp.File("Work").c_str(), 0700), 0);
    CRowList pane;
    EXPECT_TRUE(RefreshLocalPane(pane, temp.Path()));
    ASSERT_EQ(pane.rows.size(), 3u);
    EXPECT_EQ(pane.rows[0], "..");
    EXPECT_EQ(Sorted(pane.rows), (std::vector<std::string>{"..", "<Work>", "notes.txt"}));
}

TEST(LocalPane, HiddenEntriesAndDirectoryLinksAreShown)
{
    CTempDir temp;
    WriteWholeFile(temp.File(".profile"), "x");
    ASSERT_EQ(mkdir(temp.File(".cache").c_str(), 0700), 0);
    ASSERT_EQ(symlink(temp.File(".cache").c_str(), temp.File("cachelink").c_str()), 0);
    ASSERT_EQ(symlink(temp.File("gone").c_str(), temp.File("broken").c_str()), 0);
    CRowList pane;
    EXPECT_TRUE(RefreshLocalPane(pane, temp.Path()));
    EXPECT_EQ(Sorted(pane.rows),
              (std::vector<std::string>{"..", ".profile", "<.cache>", "<cachelink>", "broken"}));
}

TEST(LocalPane, EmptyDirectoryShowsOnlyTheParentRow)
{
    CTempDir temp;
    CRowList pane;
    EXPECT_TRUE(RefreshLocalPane(pane, temp.Path()));
    EXPECT_EQ(pane.rows, std::vector<std::string>{".."});
}

TEST(LocalPane, DirectoryThatCannotBeListedShowsOnlyTheParentRowAndFails)
{
    CTempDir temp;
    WriteWholeFile(temp.File("plain"), "x");
    const struct {
        const char* name;
        std::string dir;
    } cases[] = {
        {"missing", temp.File("nothing-here")},
        {"file-not-directory", temp.File("plain")},
    };
    for (const auto& c : cases) {
        CRowList pane;
        pane.rows = {"stale", "<old>"};
        EXPECT_FALSE(RefreshLocalPane(pane, c.dir)) << c.name;
        EXPECT_EQ(pane.rows, std::vector<std::string>{".."}) << c.name;
    }
}
