#include <gtest/gtest.h>

#include "ftp/textmode.h"

using namespace tarnwick;

namespace {

std::string ToLocal(const std::vector<std::string>& pieces)
{
    CNetworkToLocalText converter;
    std::string out;
    for (const std::string& piece : pieces) {
        converter.Convert(piece, out);
    }
    converter.Finish(out);
    return out;
}

std::string ToNetwork(const std::vector<std::string>& pieces)
{
    CLocalToNetworkText converter;
    std::string out;
    for (const std::string& piece : pieces) {
        converter.Convert(piece, out);
    }
    return out;
}

} // namespace

TEST(TextMode, NetworkLineEndsBecomeLocal)
{
    EXPECT_EQ(ToLocal({"a\r\nb\r\n"}), "a\nb\n");
    EXPECT_EQ(ToLocal({"a\r", "\nb"}), "a\nb");     // CR LF split between pieces
    EXPECT_EQ(ToLocal({"a\r", "b\r\n"}), "a\rb\n"); // a lone CR stays
    EXPECT_EQ(ToLocal({"a\r"}), "a\r");             // CR at the very end
    EXPECT_EQ(ToLocal({"\r", "\r", "\n"}), "\r\n");
    EXPECT_EQ(ToLocal({"no line end"}), "no line end");
    EXPECT_EQ(ToLocal({"", "\r\n", ""}), "\n");
}

TEST(TextMode, LocalLineEndsBecomeNetwork)
{
    EXPECT_EQ(ToNetwork({"a\nb\n"}), "a\r\nb\r\n");
    EXPECT_EQ(ToNetwork({"a\r\nb"}), "a\r\nb"); // already CR LF: not doubled
    EXPECT_EQ(ToNetwork({"a\r", "\nb\n"}), "a\r\nb\r\n");
    EXPECT_EQ(ToNetwork({"\n\n"}), "\r\n\r\n");
}
