#include <gtest/gtest.h>

#include "ftp/replyrule.h"

using namespace tarnwick;

TEST(ReplyRule, FirstLineOpensAMultiLineReplyOnlyWithAHyphen)
{
    struct Row {
        const char* name;
        const char* line;
        bool opens;
    };
    const Row rows[] = {
        {"single", "220 Ready\r\n", false},
        {"multi", "220-Welcome\r\n", true},
        {"three-digits-only", "220\r\n", false},
        {"letters", "abc-x\r\n", true},
        {"short", "2\r\n", false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(OpensMultiLineReply(row.line), row.opens) << row.name;
    }
}

TEST(ReplyRule, MultiLineReplyEndsAtTheSameCodeAndABlank)
{
    struct Row {
        const char* name;
        const char* line;
        bool closes;
    };
    const Row rows[] = {
        {"same-code-blank", "220 Ready\r\n", true},
        {"same-code-bare", "220\r\n", true},
        {"same-code-hyphen", "220-more\r\n", false},
        {"reply-continuation-without-code", "The server is in Tokyo\r\n", false},
        {"other-code-blank", "230 not ours\r\n", false},
        {"crlf-only", "\r\n", false},
        {"indented-code", " 220 x\r\n", false},
        {"same-code-cr-then-text", "220\rb\r\n", false},
        {"same-code-lf-only", "220\n", true},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ClosesMultiLineReply(row.line, "220-Welcome\r\n"), row.closes) << row.name;
    }
}

TEST(ReplyRule, CodeIsTheFirstThreeCharactersReadAsAtoi)
{
    EXPECT_EQ(ParseReplyCode("257 \"/\"\r\n"), 257);
    EXPECT_EQ(ParseReplyCode("2570"), 257);
    EXPECT_EQ(ParseReplyCode(" 22x"), 22);
    EXPECT_EQ(ParseReplyCode("abc"), 0);
    EXPECT_EQ(ParseReplyCode("\r-5\n"), 0); // found by fuzzing: a sign is no digit
    EXPECT_EQ(ParseReplyCode(""), 0);
}

TEST(ReplyRule, PreliminaryAndFinalCodes)
{
    EXPECT_TRUE(IsPreliminaryReply(125));
    EXPECT_TRUE(IsPreliminaryReply(150));
    EXPECT_FALSE(IsPreliminaryReply(226));
    EXPECT_TRUE(IsFinalReply(226));
    EXPECT_TRUE(IsFinalReply(550));
    EXPECT_FALSE(IsFinalReply(150));
    EXPECT_FALSE(IsFinalReply(0));
}
