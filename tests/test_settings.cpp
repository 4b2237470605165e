#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "core/strutil.h"
#include "core/textcodec.h"
#include "settings/registrykey.h"
#include "settings/registryfile.h"
#include "settings/settings.h"
#include "support/tempdir.h"

using namespace tarnwick;
using tarnwick::testing::CTempStore;
using tarnwick::testing::WriteWholeFile;

namespace {

const char* const kFlags[] = {"ConnectDlgWithStartup", "AutoTransferMode", "CheckOverwrite",
                              "UseAutoDialUp", "UsePASV", "UseLIST"};
const char* const kTexts[] = {"AutoTransferModeList", "AutoDialUpName"};

std::string Repeat(const std::string& unit, int count)
{
    std::string out;
    for (int i = 0; i < count; ++i) {
        out += unit;
    }
    return out;
}

} // namespace

TEST(SettingsStore, FreshStoreReadsDefaultsAndWritesNothingUntilAValueIsSet)
{
    CTempStore store;
    for (const char* flag : kFlags) {
        EXPECT_FALSE(GetSettingFlag(flag)) << flag;
    }
    for (const char* text : kTexts) {
        EXPECT_EQ(GetSettingText(text), "") << text;
    }
    EXPECT_EQ(GetTimeoutSeconds(), 60u);
    EXPECT_FALSE(std::filesystem::exists(store.FilePath())) << "a read writes nothing";

    ASSERT_TRUE(SetSettingFlag("UsePASV", true));
    RegistryDocument doc;
    ASSERT_EQ(ReadRegistry(doc), StoreStatus::Ok);
    ASSERT_NE(doc.FindKey("Software\\kestrum\\Tarnwick"), nullptr);
    ASSERT_NE(doc.FindKey("Software\\kestrum\\Tarnwick\\Settings"), nullptr);
    struct stat info{};
    ASSERT_EQ(::stat(store.FilePath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u); // it will hold passwords
}

TEST(SettingsStore, FlagIsSetOnlyWhenStoredAsOne)
{
    CTempStore store;
    store.Write("Windows Registry Editor Version 5.00\n\n"
                "[HKEY_CURRENT_USER\\Software\\kestrum\\Tarnwick\\Settings]\n"
                "\"UsePASV\"=dword:00000002\n"
                "\"UseLIST\"=dword:00000001\n"
                "\"CheckOverwrite\"=\"1\"\n");
    EXPECT_FALSE(GetSettingFlag("UsePASV"));
    EXPECT_TRUE(GetSettingFlag("UseLIST"));
    EXPECT_FALSE(GetSettingFlag("CheckOverwrite")); // a text is not an integer 1

    EXPECT_TRUE(SetSettingFlag("UsePASV", false));
    EXPECT_NE(store.Text().find("\"UsePASV\"=dword:00000000"), std::string::npos);
    EXPECT_TRUE(SetSettingFlag("UsePASV", true));
    EXPECT_TRUE(GetSettingFlag("UsePASV"));
}

TEST(SettingsStore, TextLimitIsNinetyNineUtf16Units)
{
    CTempStore store;
    const std::string ascii99 = Repeat("a", 99);
    const std::string kana99 = Repeat("あ", 99);
    SetSettingText("A", ascii99);
    SetSettingText("B", ascii99 + "b");
    SetSettingText("C", kana99);
    SetSettingText("D", kana99 + "あ");
    SetSettingText("E", Repeat("a", 98) + "\xF0\x9F\x98\x80"); // the last character takes two units
    EXPECT_EQ(GetSettingText("A"), ascii99);
    EXPECT_EQ(GetSettingText("B"), "");
    EXPECT_EQ(GetSettingText("C"), kana99);
    EXPECT_EQ(GetSettingText("D"), "");
    EXPECT_EQ(GetSettingText("E"), "");
    // The long text is kept in the store; only the reader refuses it.
    EXPECT_NE(store.Text().find(kana99 + "あ"), std::string::npos);
}

TEST(SettingsStore, KeyPathsIgnoreCase)
{
    CTempStore store;
    CRegistryKey upper;
    ASSERT_EQ(upper.Open(RegistryRoot::CurrentUser, "SOFTWARE\\kestrum\\Tarnwick\\Settings"), kRegOk);
    ASSERT_EQ(upper.SetString("Shared", "one key"), kRegOk);
    upper.Close();

    CRegistryKey lower;
    ASSERT_EQ(lower.Open(RegistryRoot::CurrentUser, "Software\\kestrum\\Tarnwick\\Settings"), kRegOk);
    std::string value;
    EXPECT_EQ(lower.GetString("Shared", value), kRegOk);
    EXPECT_EQ(value, "one key");
    EXPECT_EQ(GetSettingText("Shared"), "one key");

    RegistryDocument doc;
    ASSERT_EQ(ReadRegistry(doc), StoreStatus::Ok);
    int settingsKeys = 0;
    for (const RegistryKeyData& key : doc.keys) {
        settingsKeys += EqualsIgnoreAsciiCase(key.path, "software\\kestrum\\tarnwick\\settings");
    }
    EXPECT_EQ(settingsKeys, 1);
}

TEST(SettingsStore, ReadersHonourTheirBufferSizes)
{
    CTempStore store;
    CRegistryKey key;
    ASSERT_EQ(key.Open(RegistryRoot::CurrentUser, kProductKeyPath), kRegOk);
    ASSERT_EQ(key.SetString("Long", "abcd"), kRegOk);
    ASSERT_EQ(key.SetDword("Number", 0x00640061), kRegOk); // "a", "d" as UTF-16 units

    std::uint32_t number = 77;
    EXPECT_EQ(key.GetDword("Long", number), kRegMoreData); // 10 bytes do not fit in 4
    EXPECT_EQ(number, 77u);                                // untouched on failure
    EXPECT_EQ(key.GetDword("Missing", number), kRegNotFound);
    EXPECT_EQ(number, 77u);

    std::string text = "old";
    EXPECT_EQ(key.GetString("Missing", text), kRegNotFound);
    EXPECT_EQ(text, ""); // emptied on failure
    EXPECT_EQ(key.GetString("Number", text), kRegOk);
    EXPECT_EQ(text, "ad"); // readers look at bytes, not at the kind

    CRegistryKey closed;
    EXPECT_EQ(closed.GetString("Long", text), kRegInvalidHandle);
}

TEST(SettingsStore, ValuesRoundTripThroughTheFile)
{
    CTempStore store;
    const std::string tricky = "C:\\temp\\\"quoted\" 日本語フォルダ";
    SetSettingText("Tricky", tricky);
    SetSettingText("Empty", "");
    EXPECT_EQ(GetSettingText("Tricky"), tricky);
    EXPECT_EQ(GetSettingText("Empty"), "");
    // Another reader of the file (a fresh parse) sees the same.
    RegistryDocument doc;
    ASSERT_EQ(ReadRegistry(doc), StoreStatus::Ok);
    EXPECT_EQ(doc.FindKey(kSettingsKeyPath)->FindValue("Tricky")->text, tricky);
}

TEST(SettingsStore, UnparsableFileIsSetAsideAndStoreStartsEmpty)
{
    CTempStore store;
    store.Write("this is not a registry file\n");
    EXPECT_EQ(GetSettingText("AutoTransferModeList"), "");
    EXPECT_EQ(tarnwick::testing::ReadWholeFile(store.FilePath() + ".bad"),
              "this is not a registry file\n");
    SetSettingText("AutoDialUpName", "Office");
    EXPECT_EQ(GetSettingText("AutoDialUpName"), "Office");

    // A second broken file does not overwrite the first copy.
    store.Write("broken again\n");
    EXPECT_FALSE(GetSettingFlag("UsePASV"));
    EXPECT_EQ(tarnwick::testing::ReadWholeFile(store.FilePath() + ".bad"),
              "this is not a registry file\n");
    EXPECT_EQ(tarnwick::testing::ReadWholeFile(store.FilePath() + ".bad.2"), "broken again\n");
}

TEST(SettingsStore, FilesNoStoreCouldBeAreSetAsideWithoutWaiting)
{
    std::string deep = "[HKEY_CURRENT_USER";
    for (int i = 0; i < 2000; ++i) {
        deep += "\\k";
    }
    deep += "]\n";
    const struct {
        const char* name;
        std::function<void(const std::string& path)> make;
    } cases[] = {
        {"key-2000-deep", [&](const std::string& path) { WriteWholeFile(path, deep); }},
        {"fifo", [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }},
        {"link-to-dev-zero",
         [](const std::string& path) { ASSERT_EQ(::symlink("/dev/zero", path.c_str()), 0); }},
        {"over-16-MiB",
         [](const std::string& path) {
             WriteWholeFile(path, "[HKEY_CURRENT_USER\\Software]\n" +
                                      std::string(kMaxRegistryBytes, ';'));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CTempStore store;
        c.make(store.FilePath());
        EXPECT_FALSE(GetSettingFlag("UsePASV"));
        EXPECT_TRUE(std::filesystem::exists(std::filesystem::symlink_status(store.FilePath() + ".bad")));
        EXPECT_FALSE(std::filesystem::exists(store.FilePath())) << "nothing written by a read";
        SetSettingFlag("UsePASV", true);
        EXPECT_TRUE(GetSettingFlag("UsePASV")) << "a fresh store works";
    }
}

TEST(SettingsStore, WriteInterruptedBeforeRenameLeavesOldFile)
{
    CTempStore store;
    SetSettingText("AutoDialUpName", "Office");
    const std::string before = store.Text();

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The process dies between writing the new file and renaming it into place.
        SetRegistryBeforeRenameHook([] { ::_exit(0); });
        SetSettingText("AutoDialUpName", "Home");
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0) << "the write did not reach the rename";

    EXPECT_EQ(store.Text(), before);
    EXPECT_EQ(GetSettingText("AutoDialUpName"), "Office");
    // The next write goes through and the leftover temporary file does no harm.
    SetSettingText("AutoDialUpName", "Home");
    EXPECT_EQ(GetSettingText("AutoDialUpName"), "Home");
}

TEST(SettingsStore, UnwritableFolderReadsDefaults)
{
    CTempStore store;
    tarnwick::testing::CScopedEnv env("TARNWICK_CONFIG_DIR", store.Dir() + "/file-not-dir/x");
    tarnwick::testing::WriteWholeFile(store.Dir() + "/file-not-dir", "a file stands here");
    EXPECT_FALSE(GetSettingFlag("UsePASV"));
    EXPECT_FALSE(SetSettingFlag("UsePASV", true));
    SetSettingText("AutoDialUpName", "Office");
    EXPECT_EQ(GetSettingText("AutoDialUpName"), "");
}

TEST(SettingsStore, ServerEncodingFallsBackToTheLocale)
{
    CTempStore store;
    EXPECT_EQ(GetServerEncodingSetting(), DefaultServerEncoding());
    SetSettingText("ServerEncoding", "CP932");
    EXPECT_EQ(GetServerEncodingSetting(), "CP932");
    SetSettingText("ServerEncoding", "NO-SUCH-CHARSET");
    EXPECT_EQ(GetServerEncodingSetting(), DefaultServerEncoding());
}
