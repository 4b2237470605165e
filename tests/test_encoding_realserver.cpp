// 自動 against real servers: vsftpd passes name bytes through, so it serves CP932 and EUC-JP
// names as the files were made; pyftpdlib speaks UTF-8 (FEAT lists UTF8). tarnwick-cli, with
// no encoding given, lists, enters, fetches, stores, renames and deletes such names, and a
// session whose first command names a file already sends the server's bytes.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/clisession.h"
#include "core/textcodec.h"
#include "ftp/ftpprogressclient.h"
#include "support/realserver.h"
#include "support/tempdir.h"

using namespace tarnwick;
using namespace tarnwick::testing;

namespace {

struct EncodingCase {
    const char* label;
    ServerKind kind;
    const char* encoding; // of the names on the server's disk
};

class RealServerEncoding : public ::testing::TestWithParam<EncodingCase> {
protected:
    void SetUp() override
    {
        if (const std::string why = RealServerSkipReason(GetParam().kind); !why.empty()) {
            GTEST_SKIP() << why;
        }
        // vsftpd as a server of Shift_JIS or EUC-JP names is set up: without utf8_filesystem.
        server = MakeRealServer(GetParam().kind, CRealFtpServer::Options{.utf8 = false});
        ASSERT_TRUE(server->Start()) << server->Error();
    }
    // A name as the server's disk holds it.
    std::string OnDisk(const std::string& utf8) const
    {
        std::string bytes;
        EXPECT_TRUE(EncodeText(utf8, GetParam().encoding, bytes)) << utf8;
        return bytes;
    }
    // Runs the commands (";" between them) with no encoding given; the exit status.
    int Run(const std::vector<std::string>& words)
    {
        std::vector<CliCommand> commands;
        std::string error;
        EXPECT_TRUE(ParseCliCommands(words, commands, error)) << error;
        ServerTarget target;
        target.host = server->Host();
        target.port = static_cast<std::uint16_t>(server->Port());
        target.user = server->User();
        target.password = server->Password();
        CliOptions options;
        options.mode = CliOptions::Mode::Passive;
        CFtpProgressClient engine;
        std::ostringstream outStream;
        std::ostringstream errStream;
        const int status = RunCliSession(engine, target, commands, options, outStream, errStream);
        out = outStream.str();
        err = errStream.str();
        return status;
    }
    std::unique_ptr<CRealFtpServer> server;
    CTempStore store;
    CTempDir local;
    std::string out;
    std::string err;
};

TEST_P(RealServerEncoding, NamesRoundTripWithNoSetting)
{
    server->PutFile(OnDisk("テスト資料.txt"), "資料の中身\n");
    server->PutDir(OnDisk("資料"));
    server->PutFile(OnDisk("資料") + "/" + OnDisk("予定表.txt"), "予定\n"); // 表: 0x5C in CP932
    server->PutFile(OnDisk("ﾃﾞｰﾀ"), "half\n");
    WriteWholeFile(local.File("アップロード済.txt"), "上げた\n");

    // The first command names a file: the folder's names decide the encoding before it goes.
    ASSERT_EQ(Run({"get", "テスト資料.txt", local.Path()}), 0) << err;
    EXPECT_EQ(ReadWholeFile(local.File("テスト資料.txt")), "資料の中身\n");

    ASSERT_EQ(Run({"put", local.File("アップロード済.txt"), "アップロード済.txt"}), 0) << err;
    EXPECT_EQ(server->ReadFile(OnDisk("アップロード済.txt")), "上げた\n");

    ASSERT_EQ(Run({"ls", ";", "cd", "資料", ";", "get", "予定表.txt", local.Path(), ";", "cd", "..",
                   ";", "mv", "テスト資料.txt", "名前変更済.txt", ";", "rm", "アップロード済.txt"}),
              0)
        << err;
    EXPECT_EQ(ReadWholeFile(local.File("予定表.txt")), "予定\n");
    // The listing in UTF-8 on the terminal, before and after the rename and delete.
    for (const char* name : {"テスト資料.txt", "アップロード済.txt", "<資料>", "ﾃﾞｰﾀ"}) {
        EXPECT_NE(out.find(std::string(name) + "\n"), std::string::npos) << name << "\n" << out;
    }
    ASSERT_EQ(Run({"ls"}), 0) << err;
    for (const char* name : {"名前変更済.txt", "<資料>", "ﾃﾞｰﾀ"}) {
        EXPECT_NE(out.find(std::string(name) + "\n"), std::string::npos) << name << "\n" << out;
    }
    EXPECT_EQ(out.find("テスト資料.txt"), std::string::npos) << out;
    EXPECT_EQ(out.find("アップロード済.txt"), std::string::npos) << out;
    EXPECT_TRUE(std::filesystem::exists(server->PathOf(OnDisk("名前変更済.txt"))));
    EXPECT_FALSE(std::filesystem::exists(server->PathOf(OnDisk("テスト資料.txt"))));
    EXPECT_FALSE(std::filesystem::exists(server->PathOf(OnDisk("アップロード済.txt"))));
}

INSTANTIATE_TEST_SUITE_P(
    Servers, RealServerEncoding,
    ::testing::Values(EncodingCase{"vsftpd_cp932", ServerKind::Vsftpd, "CP932"},
                      EncodingCase{"vsftpd_eucjp", ServerKind::Vsftpd, "EUC-JP"},
                      EncodingCase{"pyftpdlib_utf8", ServerKind::Pyftpdlib, "UTF-8"}),
    [](const ::testing::TestParamInfo<EncodingCase>& info) { return info.param.label; });

} // namespace
