#include <gtest/gtest.h>

#include "settings/settings.h"
#include "settings/transfermode.h"
#include "support/tempdir.h"

using namespace tarnwick;

TEST(TransferMode, NameEndingsAgainstTheList)
{
    struct Row {
        const char* name;
        const char* list;
        bool text;
    };
    const Row rows[] = {
        {"a.txt", "txt html htm cgi pl", true},
        {"b.HTM", "txt html htm cgi pl", false}, // case matters
        {"c.cgi", "txt html htm cgi pl", true},
        {"x.html", "txt html htm cgi pl", true},
        {"y.shtml", "txt html htm cgi pl", true}, // no dot is looked for
        {"perl", "txt html htm cgi pl", false},
        {"notes.tmpl", "txt html htm cgi pl", true},
        {"/home/me/a.txt", "txt html htm cgi pl", true},
        {"a.txt", "  txt   html ", true}, // empty tokens are skipped
        {"a.jpg", "  txt   html ", false},
        {"a.txt", "", false},
        {"t", "txt", false}, // a token longer than the name
        {"README.TXT", "txt", false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(EndsWithListedEnding(row.name, row.list), row.text) << row.name << " / " << row.list;
    }
}

TEST(TransferMode, IsTextModeFileReadsTheStoredList)
{
    tarnwick::testing::CTempStore store;
    // No list stored: the one the options page offers.
    EXPECT_TRUE(IsTextModeFile("a.txt"));
    EXPECT_FALSE(IsTextModeFile("a.jpg"));
    SetSettingText("AutoTransferModeList", "jpg");
    EXPECT_FALSE(IsTextModeFile("a.txt"));
    EXPECT_TRUE(IsTextModeFile("a.jpg"));
    // Stored empty: every file in binary.
    SetSettingText("AutoTransferModeList", "");
    EXPECT_FALSE(IsTextModeFile("a.txt"));
}
