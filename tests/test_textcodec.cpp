#include <gtest/gtest.h>

#include "core/textcodec.h"

using namespace tarnwick;

namespace {
// 日本 in CP932 (Shift_JIS) and in EUC-JP.
const std::string kNihonCp932 = "\x93\xfa\x96\x7b";
const std::string kNihonEucJp = "\xc6\xfc\xcb\xdc";
} // namespace

TEST(TextCodec, EncodesIntoTheServerEncoding)
{
    std::string out;
    ASSERT_TRUE(EncodeText("CWD 日本", "CP932", out));
    EXPECT_EQ(out, "CWD " + kNihonCp932);
    ASSERT_TRUE(EncodeText("日本", "EUC-JP", out));
    EXPECT_EQ(out, kNihonEucJp);
    ASSERT_TRUE(EncodeText("日本", "UTF-8", out));
    EXPECT_EQ(out, "日本");
}

TEST(TextCodec, RefusesCharactersTheEncodingCannotCarry)
{
    std::string out = "untouched";
    EXPECT_FALSE(EncodeText("한국", "EUC-JP", out));
    EXPECT_EQ(out, "untouched");
    EXPECT_FALSE(EncodeText("a", "NO-SUCH-ENCODING", out));
    EXPECT_FALSE(EncodeText("\xff", "UTF-8", out)); // not UTF-8 at all
}

TEST(TextCodec, DecodesAndReplacesWhatCannotBeDecoded)
{
    EXPECT_EQ(DecodeText(kNihonCp932, "CP932"), "日本");
    EXPECT_EQ(DecodeText("a\xff" "b", "UTF-8"), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(DecodeText("\x93", "CP932"), "\xEF\xBF\xBD"); // half a character at the end
}

TEST(TextDecoder, JoinsACharacterSplitBetweenPieces)
{
    for (const std::string encoding : {"CP932", "EUC-JP", "UTF-8"}) {
        std::string whole;
        ASSERT_TRUE(EncodeText("-rw 日本.txt\n", encoding, whole));
        for (std::size_t cut = 1; cut < whole.size(); ++cut) {
            CTextDecoder decoder(encoding);
            std::string out;
            decoder.Feed(whole.substr(0, cut), out);
            decoder.Feed(whole.substr(cut), out);
            decoder.Finish(out);
            EXPECT_EQ(out, "-rw 日本.txt\n") << encoding << " cut at " << cut;
        }
    }
}

TEST(TextCodec, DefaultEncodingIsNeverPlainAscii)
{
    const std::string name = DefaultServerEncoding();
    EXPECT_FALSE(name.empty());
    EXPECT_NE(name, "ANSI_X3.4-1968");
    EXPECT_TRUE(IsKnownEncoding(name));
}
