#include <gtest/gtest.h>

#include "core/strutil.h"

using namespace tarnwick;

TEST(ParseLeadingInt, ReadsLikeAtoi)
{
    struct Row {
        const char* name;
        const char* text;
        std::int64_t value;
    };
    const Row rows[] = {
        {"plain", "512", 512},
        {"leading-blanks", "  42abc", 42},
        {"sign", "-17", -17},
        {"plus", "+8", 8},
        {"letters", "abc", 0},
        {"empty", "", 0},
        {"over-2-GiB", "3000000000", 3000000000LL},
        {"saturates", "99999999999999999999999", INT64_MAX},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ParseLeadingInt(row.text), row.value) << row.name;
    }
}

TEST(CharacterCounting, CountsCodePointsAndUtf16Units)
{
    EXPECT_EQ(CharCount("abc"), 3u);
    EXPECT_EQ(CharCount("日本語"), 3u);
    EXPECT_EQ(Utf16Length("日本語"), 3u);
    EXPECT_EQ(Utf16Length("\xF0\x9F\x98\x80"), 2u); // outside the BMP: a surrogate pair
    EXPECT_EQ(LeftChars("ダイアルアップ接続名です", 4), "ダイアル");
    EXPECT_EQ(LeftChars("abc", 10), "abc");
    EXPECT_EQ(RightChars("abcdefghijklmnopqrstu", 15), "ghijklmnopqrstu");
    EXPECT_EQ(RightChars("abc/de.txt", 15), "abc/de.txt");
    EXPECT_EQ(RightChars("ファイル名.txt", 5), "名.txt");
}

TEST(Utf16, RoundTripsIncludingSurrogatePairs)
{
    const std::string text = "a日\xF0\x9F\x98\x80";
    const std::string bytes = EncodeUtf16Le(text);
    EXPECT_EQ(bytes.size(), 8u);
    EXPECT_EQ(DecodeUtf16Le(bytes), text);
    EXPECT_EQ(DecodeUtf16Le(std::string("a\0b\0\0\0c\0", 8)), "ab"); // stops at the first 0 unit
}

TEST(FormatText, FillsPlaceholdersInOrder)
{
    EXPECT_EQ(FormatText("%d 個のファイルを削除しますか？", 3), "3 個のファイルを削除しますか？");
    EXPECT_EQ(FormatText("%s を削除しました", "/tmp/a"), "/tmp/a を削除しました");
    EXPECT_EQ(FormatText("no placeholder", 1), "no placeholder");
}
