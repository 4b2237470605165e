#include <gtest/gtest.h>

#include "ftp/dataaddress.h"

using namespace tarnwick;

TEST(PortArgument, AddressAndPortHalves)
{
    EXPECT_EQ(FormatPortArgument("192.168.0.5", 1025), "192,168,0,5,4,1");
    EXPECT_EQ(FormatPortArgument("127.0.0.1", 200), "127,0,0,1,0,200"); // below 256
    EXPECT_EQ(FormatPortArgument("10.1.2.3", 65535), "10,1,2,3,255,255");
    EXPECT_EQ(FormatEprtArgument("::1", 50000), "|2|::1|50000|");
}

TEST(PasvReply, SixNumbersInParentheses)
{
    struct Row {
        const char* name;
        const char* reply;
        bool ok;
        const char* host;
        int port;
    };
    const Row rows[] = {
        {"usual", "227 Entering Passive Mode (10,0,0,5,4,1).\r\n", true, "10.0.0.5", 1025},
        {"text-around", "227 ok (10,0,0,5,4,1) trailing (1,2,3,4,5,6)\r\n", true, "10.0.0.5", 1025},
        {"blanks-after-commas", "227 =(10, 0, 0, 5, 4, 1)\r\n", true, "10. 0. 0. 5", 1025},
        {"low-port", "227 (127,0,0,1,0,21)\r\n", true, "127.0.0.1", 21},
        {"fewer-fields", "227 (10,0,0,5,4)\r\n", false, "", 0},
        {"more-fields", "227 (10,0,0,5,4,1,9)\r\n", false, "", 0},
        {"letters", "227 (a,b,c,d,e,f)\r\n", false, "", 0},
        {"letter-in-port", "227 (10,0,0,5,4,x)\r\n", false, "", 0},
        {"field-over-255", "227 (10,0,0,5,256,1)\r\n", false, "", 0},
        {"empty-field", "227 (10,,0,5,4,1)\r\n", false, "", 0},
        {"no-parentheses", "227 Entering Passive Mode 10,0,0,5,4,1\r\n", false, "", 0},
        {"unclosed", "227 (10,0,0,5,4,1\r\n", false, "", 0},
    };
    for (const Row& row : rows) {
        std::string host = "unchanged";
        int port = -1;
        EXPECT_EQ(ParsePasvText(row.reply, host, port), row.ok) << row.name;
        if (row.ok) {
            EXPECT_EQ(host, row.host) << row.name;
            EXPECT_EQ(port, row.port) << row.name;
        } else {
            EXPECT_EQ(host, "unchanged") << row.name;
        }
    }
}

TEST(EpsvReply, PortBetweenDelimiters)
{
    int port = 0;
    EXPECT_TRUE(ParseEpsvText("229 Entering Extended Passive Mode (|||6446|)\r\n", port));
    EXPECT_EQ(port, 6446);
    EXPECT_TRUE(ParseEpsvText("229 (!!!21!)", port));
    EXPECT_EQ(port, 21);
    EXPECT_FALSE(ParseEpsvText("229 (|||0|)", port));
    EXPECT_FALSE(ParseEpsvText("229 (|||99999|)", port));
    EXPECT_FALSE(ParseEpsvText("229 (|1|::1|6446|)", port));
    EXPECT_FALSE(ParseEpsvText("229 Entering Extended Passive Mode", port));
}
