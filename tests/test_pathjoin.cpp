#include <gtest/gtest.h>

#include "files/pathjoin.h"

using namespace tarnwick;

TEST(PathJoin, OneSeparatorAndNoneAfterTheRoot)
{
    EXPECT_EQ(JoinPath("/", "a.txt"), "/a.txt");
    EXPECT_EQ(JoinPath("/home/me", "a.txt"), "/home/me/a.txt");
    EXPECT_EQ(JoinPath("", "a.txt"), "/a.txt"); // the empty text stands for the root
    EXPECT_EQ(BaseName("/pub/a.txt"), "a.txt");
    EXPECT_EQ(BaseName("a.txt"), "a.txt");
    EXPECT_EQ(BaseName("/pub/"), "");
}

TEST(PathJoin, NamesFromAListingThatMustNotBecomeLocalPaths)
{
    struct Row {
        const char* name;
        bool safe;
    };
    const Row rows[] = {
        {"a.txt", true},   {"日本語.txt", true}, {"my file", true}, {"..hidden", true},
        {"", false},       {".", false},         {"..", false},      {"../x", false},
        {"a/b", false},    {"a\\b", false},      {"a\nb", false},    {"a\rb", false},
        {"tab\there", false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(IsSafeLocalName(row.name), row.safe) << row.name;
    }
}
