// Preparing data connections in both modes, against the scripted server.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "ftp/ftpclient.h"
#include "support/enginerun.h"
#include "support/tempdir.h"

using namespace tarnwick;
using namespace tarnwick::testing;

TEST(PassiveData, RefusedPasvGives5003AndSendsNoTransferCommand)
{
    CTempDir dir;
    bool ok = true;
    int code = 0;
    const ScriptOutcome out = RunEngineScript(
        [](CScriptSession& s) {
            s.ExpectReply("TYPE A", "200 Type set to A\r\n");
            s.ExpectReply("PASV", "500 PASV not understood\r\n");
        },
        [&](CFtpClient& c) {
            ok = c.Download("/a.txt", dir.File("a.txt"));
            code = c.GetReplyCode();
        },
        {.passive = true});
    EXPECT_FALSE(ok);
    EXPECT_EQ(code, 5003);
    EXPECT_EQ(out.failures, "");
    EXPECT_EQ(out.received, "TYPE A\r\nPASV\r\n"); // no RETR
    EXPECT_FALSE(std::filesystem::exists(dir.File("a.txt")));
}

TEST(PassiveData, ReplyWithoutSixNumbersGives5003)
{
    bool ok = true;
    int code = 0;
    std::string text = "untouched";
    const ScriptOutcome out = RunEngineScript(
        [](CScriptSession& s) {
            s.ExpectReply("TYPE A", "200 ok\r\n");
            s.ExpectReply("PASV", "227 Entering Passive Mode (127,0,0,1,4)\r\n");
        },
        [&](CFtpClient& c) {
            ok = c.ListDirectory("/", text).Ok();
            code = c.GetReplyCode();
        },
        {.passive = true});
    EXPECT_FALSE(ok);
    EXPECT_EQ(code, 5003);
    EXPECT_EQ(text, "untouched"); // the data connection was never prepared
    EXPECT_EQ(out.received, "TYPE A\r\nPASV\r\n");
}

TEST(PassiveData, GoesToTheControlPeerWhateverAddressTheReplyNames)
{
    std::string text;
    bool ok = false;
    const ScriptOutcome out = RunEngineScript(
        [](CScriptSession& s) {
            s.ExpectReply("TYPE A", "200 ok\r\n");
            // A server (or an attacker) names another host: the data still comes here.
            s.Expect("PASV");
            s.ReplyPasv("10,9,8,7");
            s.Expect("NLST -alL");
            if (s.AcceptData()) {
                s.Send("150 Here it comes\r\n");
                s.DataSend("-rw-r--r-- 1 ftp ftp 3 Jan  1 00:00 a.txt\r\n");
                s.DataClose();
                s.Send("226 Done\r\n");
            }
        },
        [&](CFtpClient& c) {
            ok = c.ListDirectory("/", text).Ok();
            EXPECT_EQ(c.GetPasvHost(), "10.9.8.7");
        },
        {.passive = true});
    EXPECT_TRUE(ok);
    EXPECT_EQ(out.failures, "");
    EXPECT_EQ(text, "-rw-r--r-- 1 ftp ftp 3 Jan  1 00:00 a.txt\r\n");
}

TEST(ActiveData, PortLineNamesTheControlAddress)
{
    std::string portLine;
    bool ok = false;
    const ScriptOutcome out = RunEngineScript(
        [&portLine](CScriptSession& s) {
            s.ExpectReply("TYPE A", "200 ok\r\n");
            portLine = s.ExpectPort();
            s.Send("200 PORT ok\r\n");
            s.Expect("NLST -alL");
            s.Send("150 Opening\r\n");
            if (s.ConnectActive()) {
                s.DataClose();
            }
            s.Send("226 Done\r\n");
        },
        [&](CFtpClient& c) {
            std::string text;
            ok = c.ListDirectory("/", text).Ok();
        });
    EXPECT_TRUE(ok);
    EXPECT_EQ(out.failures, "");
    EXPECT_EQ(portLine.rfind("PORT 127,0,0,1,", 0), 0u) << portLine;
    EXPECT_EQ(portLine.substr(portLine.size() - 2), "\r\n");
}

TEST(ActiveData, RefusedPortGives5003AndClosesTheListener)
{
    std::string portLine;
    bool ok = true;
    int code = 0;
    const ScriptOutcome out = RunEngineScript(
        [&portLine](CScriptSession& s) {
            s.ExpectReply("TYPE I", "200 ok\r\n");
            portLine = s.ExpectPort();
            s.Send("500 PORT refused\r\n");
        },
        [&](CFtpClient& c) {
            c.SetBinaryType();
            ok = c.Upload("/etc/hostname", "h.txt");
            code = c.GetReplyCode();
        });
    EXPECT_FALSE(ok);
    EXPECT_EQ(code, 5003);
    EXPECT_EQ(out.failures, "");
    EXPECT_EQ(out.received, "TYPE I\r\n" + portLine); // no STOR
    // Nothing listens at the announced port any more.
    unsigned h1, h2, h3, h4, p1, p2;
    ASSERT_EQ(std::sscanf(portLine.c_str(), "PORT %u,%u,%u,%u,%u,%u", &h1, &h2, &h3, &h4, &p1, &p2), 6);
    CSocket probe;
    EXPECT_NE(probe.Connect("127.0.0.1", static_cast<std::uint16_t>(p1 * 256 + p2),
                            WaitPolicy{std::chrono::seconds(2), nullptr}),
              IoResult::Ok);
}

TEST(ActiveData, ServerThatNeverConnectsFailsWith5004)
{
    bool ok = true;
    int code = 0;
    const ScriptOutcome out = RunEngineScript(
        [](CScriptSession& s) {
            s.ExpectReply("TYPE A", "200 ok\r\n");
            s.ExpectPort();
            s.Send("200 ok\r\n");
            s.ExpectReply("NLST -alL", "150 Opening\r\n");
            s.WaitClosed(); // never connects
        },
        [&](CFtpClient& c) {
            std::string text;
            ok = c.ListDirectory("/", text).Ok();
            code = c.GetReplyCode();
        },
        {.timeout = std::chrono::milliseconds(300)});
    EXPECT_FALSE(ok);
    EXPECT_EQ(code, 5004);
}

TEST(DataConnections, TypeCommandPrecedesEveryListingAndTransfer)
{
    CTempDir dir;
    WriteWholeFile(dir.File("up.bin"), "xyz");
    const ScriptOutcome out = RunEngineScript(
        [](CScriptSession& s) {
            const auto passiveRound = [&s](const char* type, const char* command,
                                           const std::string& data) {
                if (s.OpenPassive(type, command)) {
                    s.Send("150 ok\r\n");
                    if (data.empty()) {
                        s.DataReceiveAll();
                    } else {
                        s.DataSend(data);
                    }
                    s.DataClose();
                    s.Send("226 ok\r\n");
                }
            };
            passiveRound("TYPE A", "NLST -alL", "-rw-r--r-- 1 a b 1 Jan  1 00:00 x\r\n");
            passiveRound("TYPE I", "RETR /x", "1");
            passiveRound("TYPE I", "STOR up.bin", "");
            passiveRound("TYPE I", "NLST -alL", "-rw-r--r-- 1 a b 1 Jan  1 00:00 x\r\n");
        },
        [&](CFtpClient& c) {
            std::string text;
            EXPECT_TRUE(c.ListDirectory("/", text));
            c.SetBinaryType(); // sends nothing now
            EXPECT_TRUE(c.Download("/x", dir.File("x")));
            EXPECT_TRUE(c.Upload(dir.File("up.bin"), "up.bin"));
            EXPECT_TRUE(c.ListDirectory("/", text)); // the last type stays in force
        },
        {.passive = true});
    EXPECT_EQ(out.failures, "");
    EXPECT_EQ(out.received, "TYPE A\r\nPASV\r\nNLST -alL\r\n"
                            "TYPE I\r\nPASV\r\nRETR /x\r\n"
                            "TYPE I\r\nPASV\r\nSTOR up.bin\r\n"
                            "TYPE I\r\nPASV\r\nNLST -alL\r\n");
    EXPECT_EQ(out.dataReceived, "xyz");
}

TEST(DataConnections, WithoutAConnectionNothingIsPrepared)
{
    CFtpClient client;
    std::string text = "untouched";
    EXPECT_FALSE(client.OpenActiveData());
    EXPECT_FALSE(client.OpenPassiveData());
    EXPECT_FALSE(client.ListDirectory("/", text));
    EXPECT_EQ(text, "untouched");
}
