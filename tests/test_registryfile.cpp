#include <gtest/gtest.h>

#include "settings/registryfile.h"

using namespace tarnwick;

TEST(RegistryText, ParsesTheExportLayout)
{
    const std::string text = "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
                             "\r\n"
                             "; a comment\r\n"
                             "[HKEY_CURRENT_USER\\Software\\kestrum\\Tarnwick]\r\n"
                             "\"Server1\"=\"ftp.example.com\"\r\n"
                             "\"SavePass\"=dword:00000001\r\n"
                             "\r\n"
                             "[hkey_current_user\\SOFTWARE\\kestrum\\Tarnwick\\Settings]\r\n"
                             "\"Quoted\"=\"say \\\"hi\\\" C:\\\\dir\"\r\n"
                             "\"Multi\"=hex(1):61,00,0a,00,\\\r\n"
                             "  62,00,00,00\r\n";
    RegistryDocument doc;
    ASSERT_TRUE(ParseRegistryText(text, doc));
    const RegistryKeyData* product = doc.FindKey("software\\KESTRUM\\tarnwick");
    ASSERT_NE(product, nullptr);
    ASSERT_NE(product->FindValue("Server1"), nullptr);
    EXPECT_EQ(product->FindValue("Server1")->text, "ftp.example.com");
    EXPECT_EQ(product->FindValue("SavePass")->kind, RegistryValue::Kind::Dword);
    EXPECT_EQ(product->FindValue("SavePass")->dword, 1u);
    EXPECT_EQ(product->FindValue("savepass"), nullptr); // value names are exact
    const RegistryKeyData* settings = doc.FindKey("Software\\kestrum\\Tarnwick\\Settings");
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(settings->FindValue("Quoted")->text, "say \"hi\" C:\\dir");
    EXPECT_EQ(settings->FindValue("Multi")->text, "a\nb");
}

TEST(RegistryText, RejectsWhatIsNotTheLayout)
{
    const char* rows[] = {
        "hello world\n",
        "[HKEY_CURRENT_USER\\Software]\nnot a value\n",
        "\"Orphan\"=\"value before any key\"\n",
        "[HKEY_LOCAL_MACHINE\\Software]\n",
        "[HKEY_CURRENT_USER\\Software\n",
        "[HKEY_CURRENT_USER\\Software\\\\Empty]\n",
        "[HKEY_CURRENT_USER\\\\Lead]\n",
        "[HKEY_CURRENT_USER\\Soft\x01ware]\n",
        "[HKEY_CURRENT_USER\\Software]\n\"Flag\"=dword:123456789\n",
        "[HKEY_CURRENT_USER\\Software]\n\"Flag\"=dword:xyz\n",
        "[HKEY_CURRENT_USER\\Software]\n\"Text\"=\"unterminated\n",
        "[HKEY_CURRENT_USER\\Software]\n\"Hex\"=hex(1):6\n",
        "\x01\x02\x03\xff\xfe",
    };
    for (const char* row : rows) {
        RegistryDocument doc;
        EXPECT_FALSE(ParseRegistryText(row, doc)) << row;
    }
}

TEST(RegistryText, BytesThatAreNotUtf8BecomeReplacementCharacters)
{
    // Found by fuzzing: such a value with a control character did not write back unchanged.
    RegistryDocument doc;
    ASSERT_TRUE(ParseRegistryText("[HKEY_CURRENT_USER\\A]\n\"V\"=\"a\x17\x97\"\n", doc));
    EXPECT_EQ(doc.FindKey("A")->FindValue("V")->text, "a\x17\xEF\xBF\xBD");
    RegistryDocument again;
    ASSERT_TRUE(ParseRegistryText(SerializeRegistry(doc), again));
    EXPECT_EQ(again.FindKey("A")->FindValue("V")->text, "a\x17\xEF\xBF\xBD");
    // A 0 character ends the text.
    static constexpr char kWithZero[] = "[HKEY_CURRENT_USER\\A]\n\"V\"=\"ab\0cd\"\n";
    ASSERT_TRUE(ParseRegistryText(std::string(kWithZero, sizeof kWithZero - 1), doc));
    EXPECT_EQ(doc.FindKey("A")->FindValue("V")->text, "ab");
}

TEST(RegistryText, SerializesAndParsesBack)
{
    RegistryDocument doc;
    RegistryKeyData& key = doc.CreateKey("Software\\kestrum\\Tarnwick\\Settings");
    key.PutValue({"Text", RegistryValue::Kind::Text, 0, "日本語 \"q\" \\b\\"});
    key.PutValue({"Control", RegistryValue::Kind::Text, 0, "line1\r\nline2\ttab"});
    key.PutValue({"Flag", RegistryValue::Kind::Dword, 0xDEADBEEF, ""});
    key.PutValue({"Flag", RegistryValue::Kind::Dword, 2, ""}); // replaces, keeps one
    // Parents are created as the registry creates them.
    EXPECT_NE(doc.FindKey("Software"), nullptr);
    EXPECT_NE(doc.FindKey("Software\\kestrum\\Tarnwick"), nullptr);

    const std::string text = SerializeRegistry(doc);
    EXPECT_NE(text.find("\"Flag\"=dword:00000002\n"), std::string::npos) << text;
    RegistryDocument back;
    ASSERT_TRUE(ParseRegistryText(text, back)) << text;
    const RegistryKeyData* settings = back.FindKey("SOFTWARE\\KESTRUM\\TARNWICK\\SETTINGS");
    ASSERT_NE(settings, nullptr);
    ASSERT_EQ(settings->values.size(), 3u);
    EXPECT_EQ(settings->FindValue("Text")->text, "日本語 \"q\" \\b\\");
    EXPECT_EQ(settings->FindValue("Control")->text, "line1\r\nline2\ttab");
    EXPECT_EQ(settings->FindValue("Flag")->dword, 2u);
}
