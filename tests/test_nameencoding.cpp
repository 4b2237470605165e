// Telling a listing's name encoding from its raw bytes: a table of listings as servers send
// them (CP932, EUC-JP and UTF-8 names, ASCII only, and mixtures), each with the encoding its
// names were written in and the one the guess gives.
#include <gtest/gtest.h>

#include <iostream>
#include <string>

#include "core/nameencoding.h"
#include "core/textcodec.h"

using namespace tarnwick;

namespace {

std::string Line(const std::string& name)
{
    return "-rw-r--r--   1 ftp      ftp           512 Jan 01 12:00 " + name + "\r\n";
}

struct GuessRow {
    const char* label;
    std::string listing;
    const char* truth;    // what the names were written in; "" for ASCII only
    const char* expected; // what the guess gives (differs from truth only where noted)
};

} // namespace

TEST(NameEncoding, GuessesTheEncodingOfRealListings)
{
    // テスト資料.txt, 表.txt (0x5C inside), アップロード済.txt, 凜子, 東京, 予定表.xls, ソフト,
    // ﾃﾞｰﾀ (half-width) in CP932.
    const std::string tesuto = "\x83"
                               "e\x83X\x83g\x8E\x91\x97\xBF.txt";
    const std::string hyou = "\x95\x5C.txt";
    const std::string upload = "\x83"
                               "A\x83"
                               "b\x83v\x83\x8D\x81[\x83h\x8D\xCF.txt";
    const std::string rinko = "\xEA\xA3\x8Eq";
    const std::string toukyouSjis = "\x93\x8C\x8B\x9E";
    const std::string yoteiSjis = "\x97\x5C\x92\xE8\x95\x5C.xls";
    const std::string soft = "\x83\x5C\x83t\x83g";
    const std::string dataHalf = "\xC3\xDE\xB0\xC0";
    // データ, あいう.txt, 漢字, 日本語ファイル.txt, 東京, 資料, 予定表.xls, ﾃﾞｰﾀ in EUC-JP.
    const std::string dataEuc = "\xA5\xC7\xA1\xBC\xA5\xBF";
    const std::string aiu = "\xA4\xA2\xA4\xA4\xA4\xA6.txt";
    const std::string kanji = "\xB4\xC1\xBB\xFA";
    const std::string nihongo = "\xC6\xFC\xCB\xDC\xB8\xEC\xA5\xD5\xA5\xA1\xA5\xA4\xA5\xEB.txt";
    const std::string toukyouEuc = "\xC5\xEC\xB5\xFE";
    const std::string shiryouEuc = "\xBB\xF1\xCE\xC1";
    const std::string yoteiEuc = "\xCD\xBD\xC4\xEA\xC9\xBD.xls";
    const std::string dataHalfEuc = "\x8E\xC3\x8E\xDE\x8E\xB0\x8E\xC0";

    const GuessRow rows[] = {
        {"ascii-only", Line("readme.txt") + Line("pub") + "total 2\r\n", "", ""},
        {"empty", "", "", ""},
        {"utf8-kana-kanji", Line("テスト資料.txt") + Line("アップロード済.txt"), "UTF-8", "UTF-8"},
        {"utf8-kanji-only", Line("漢字"), "UTF-8", "UTF-8"},
        {"utf8-halfwidth", Line("ﾃﾞｰﾀ"), "UTF-8", "UTF-8"},
        {"utf8-accented-latin", Line("café.txt"), "UTF-8", "UTF-8"},
        {"utf8-rinko", Line("凜子"), "UTF-8", "UTF-8"},
        {"cp932-kana-kanji", Line(tesuto) + Line(upload), "CP932", "CP932"},
        {"cp932-0x5c-inside", Line(hyou) + Line(yoteiSjis) + Line(soft), "CP932", "CP932"},
        {"cp932-kanji-only", Line(toukyouSjis), "CP932", "CP932"},
        {"cp932-rinko-alone", Line(rinko), "CP932", "CP932"},
        {"cp932-rinko-in-context", Line(rinko) + Line(tesuto), "CP932", "CP932"},
        {"cp932-halfwidth-alone", Line(dataHalf), "CP932", "CP932"},
        {"cp932-halfwidth-in-context", Line(dataHalf) + Line(upload), "CP932", "CP932"},
        // ﾌｧｲﾙ without a mark reads as two kanji in EUC-JP, which win alone.
        {"cp932-halfwidth-no-mark-alone", Line("\xCC\xA7\xB2\xD9"), "CP932", "EUC-JP"},
        {"cp932-halfwidth-no-mark-in-context", Line("\xCC\xA7\xB2\xD9") + Line(hyou), "CP932",
         "CP932"},
        {"eucjp-katakana", Line(dataEuc), "EUC-JP", "EUC-JP"},
        {"eucjp-hiragana", Line(aiu), "EUC-JP", "EUC-JP"},
        {"eucjp-kanji", Line(kanji), "EUC-JP", "EUC-JP"},
        {"eucjp-kanji-kana", Line(nihongo), "EUC-JP", "EUC-JP"},
        {"eucjp-toukyou", Line(toukyouEuc), "EUC-JP", "EUC-JP"},
        {"eucjp-shiryou", Line(shiryouEuc), "EUC-JP", "EUC-JP"},
        {"eucjp-yotei", Line(yoteiEuc), "EUC-JP", "EUC-JP"},
        {"eucjp-hyou-alone", Line("\xC9\xBD.txt"), "EUC-JP", "EUC-JP"}, // 表: U+027D as UTF-8
        {"utf8-cyrillic", Line("Файл.txt"), "UTF-8", "UTF-8"},
        {"utf8-polish", Line("żółw.txt"), "UTF-8", "UTF-8"},
        // Half-width katakana in EUC-JP (0x8E before each) read as four real kanji in CP932:
        // nothing in the bytes tells them apart, and the guess goes wrong.
        {"eucjp-halfwidth-alone", Line(dataHalfEuc), "EUC-JP", "CP932"},
        {"eucjp-halfwidth-in-context", Line(dataHalfEuc) + Line(nihongo), "EUC-JP", "EUC-JP"},
        {"mixed-ascii-and-cp932", Line("a.txt") + Line("b.txt") + Line(tesuto) + Line("c.txt"),
         "CP932", "CP932"},
        {"mixed-ascii-and-eucjp", Line("a.txt") + Line(aiu) + Line("b.txt"), "EUC-JP", "EUC-JP"},
        {"mixed-ascii-and-utf8", Line("a.txt") + Line("資料.pdf"), "UTF-8", "UTF-8"},
        // A server holding names of both kinds: the CP932 ones at least come out right.
        {"mixed-utf8-and-cp932", Line("資料.pdf") + Line(tesuto) + Line(hyou), "CP932", "CP932"},
        {"mlsd-cp932", "type=file;size=3;modify=20240101120000; " + tesuto + "\r\n", "CP932",
         "CP932"},
    };
    int correct = 0;
    int decided = 0;
    for (const GuessRow& row : rows) {
        const std::string guess = GuessNameEncoding(row.listing);
        EXPECT_EQ(guess, row.expected) << row.label;
        correct += guess == row.truth ? 1 : 0;
        decided += std::string(row.truth).empty() ? 0 : 1;
        // Decoded with the guess, a name that was guessed right reads as it was written.
        const bool pure = std::string(row.label).rfind("mixed-utf8", 0) != 0;
        if (pure && guess == row.truth && !guess.empty() && guess != "UTF-8") {
            EXPECT_EQ(DecodeText(row.listing, guess).find("\xEF\xBF\xBD"), std::string::npos)
                << row.label;
        }
    }
    // The figure the table gives: how many listings got the encoding their names were
    // written in.
    std::cout << "name encoding guessed right: " << correct << " of " << std::size(rows) << " ("
              << decided << " with names beyond ASCII)\n";
    EXPECT_EQ(DecodeText(std::string(rows[10].listing), GuessNameEncoding(rows[10].listing)),
              Line("凜子"));
}

TEST(NameEncoding, AutoValueAndLongListings)
{
    EXPECT_TRUE(IsAutoEncoding("AUTO"));
    EXPECT_TRUE(IsAutoEncoding("auto"));
    EXPECT_FALSE(IsAutoEncoding("UTF-8"));
    EXPECT_FALSE(IsAutoEncoding(""));
    // Past the first megabyte nothing more is looked at, and a character cut there does not
    // make UTF-8 look broken.
    std::string listing;
    while (listing.size() < kMaxGuessBytes + 4096) {
        listing += Line("テスト資料-" + std::to_string(listing.size()) + ".txt");
    }
    EXPECT_EQ(GuessNameEncoding(listing), "UTF-8");
    std::string ascii(kMaxGuessBytes, 'a');
    EXPECT_EQ(GuessNameEncoding(ascii + "\x83"
                                        "e\x83X"),
              "");
}
