// The control connection against the scripted server: exact bytes sent, reply framing, codes.
#include <gtest/gtest.h>

#include <netdb.h>

#include <future>

#include "ftp/transport/canceltoken.h"
#include "ftp/ftpclient.h"
#include "ftp/ftpprogressclient.h"
#include "session/storedsettings.h"
#include "settings/settings.h"
#include "support/scriptedserver.h"
#include "support/tempdir.h"

using namespace tarnwick;
using namespace tarnwick::testing;
using namespace std::chrono_literals;

namespace {

std::string Failures(CScriptedFtpServer& server)
{
    std::string all;
    for (const std::string& failure : server.Finish()) {
        all += failure + "\n";
    }
    return all;
}

// An engine with a short time limit, so a test that goes wrong fails fast.
class CTestClient : public CFtpClient {
public:
    CTestClient() { SetTimeout(3s); }
    using CFtpClient::DropControl;
    using CFtpClient::LastReplyComplete;
};

} // namespace

TEST(ControlConnection, AppendsCrLfOnceAndSendsNothingForEmpty)
{
    CScriptedFtpServer server([](CScriptSession& s) {
        s.Send("220 Ready\r\n");
        s.Expect("NOOP");
        s.Expect("NOOP");
        s.Expect("SYST");
        s.WaitClosed();
    });
    CTestClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", server.Port()));
    EXPECT_TRUE(client.SendCommand("NOOP"));
    EXPECT_TRUE(client.SendCommand("NOOP\r\n"));
    EXPECT_FALSE(client.SendCommand(""));
    // A line break inside a name would smuggle in a second command.
    EXPECT_FALSE(client.SendCommand("CWD a\r\nDELE b"));
    EXPECT_FALSE(client.SendCommand("CWD a\nb"));
    EXPECT_FALSE(client.SendCommand(std::string("CWD a\0b", 7)));
    EXPECT_TRUE(client.SendCommand("SYST"));
    client.DropControl();
    EXPECT_EQ(Failures(server), "");
    EXPECT_EQ(server.Received(), "NOOP\r\nNOOP\r\nSYST\r\n");
}

TEST(ControlConnection, TwoLineGreetingIsOneReply)
{
    CScriptedFtpServer server([](CScriptSession& s) {
        s.Send("220-Welcome\r\n220 Ready\r\n");
        s.WaitClosed();
    });
    CTestClient client;
    EXPECT_TRUE(client.Connect("127.0.0.1", server.Port()));
    EXPECT_EQ(client.GetReplyCode(), 220);
    EXPECT_EQ(client.GetLastReply(), "220-Welcome\r\n220 Ready\r\n");
}

TEST(ControlConnection, MultiLineReplyEndsOnlyAtItsOwnCode)
{
    CScriptedFtpServer server([](CScriptSession& s) {
        s.Send("220 Ready\r\n");
        s.Expect("HELP");
        // The middle lines have a blank in fourth place and a bare CR LF; the reply goes on
        // to "214 ". The next reply arrives in the same piece and stays for the next read.
        s.SendPieces({"214-Commands:\r\nThe server is ready\r\n\r\n", "USE",
                      "R PASS\r\n214 End\r\n200 Next\r\n"});
        s.WaitClosed();
    });
    CTestClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", server.Port()));
    ASSERT_TRUE(client.SendCommand("HELP"));
    EXPECT_EQ(client.ReadReply(),
              "214-Commands:\r\nThe server is ready\r\n\r\nUSER PASS\r\n214 End\r\n");
    EXPECT_EQ(client.GetReplyCode(), 214);
    EXPECT_EQ(client.ReadReply(), "200 Next\r\n");
    EXPECT_EQ(client.GetReplyCode(), 200);
}

TEST(ControlConnection, ServerClosingMidReplyKeepsThePreviousReply)
{
    CScriptedFtpServer server([](CScriptSession& s) {
        s.Send("220 Ready\r\n");
        s.Expect("STAT");
        s.Send("211-Status\r\nhalf a line");
        s.Close();
    });
    CTestClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", server.Port()));
    ASSERT_TRUE(client.SendCommand("STAT"));
    EXPECT_EQ(client.ReadReply(), "GetResponce nRead=0 Error");
    EXPECT_EQ(client.GetReplyCode(), 220);
    EXPECT_EQ(client.GetLastReply(), "220 Ready\r\n");
    EXPECT_FALSE(client.LastReplyComplete());
    EXPECT_EQ(Failures(server), "");
}

TEST(ControlConnection, WithoutConnectionNothingIsSentOrChanged)
{
    CTestClient client;
    client.SetReplyCode(331);
    EXPECT_TRUE(client.SendCommand("NOOP"));
    EXPECT_EQ(client.ReadReply(), "\x01");
    EXPECT_EQ(client.GetReplyCode(), 331);
    EXPECT_EQ(client.GetLastReply(), "");
    EXPECT_FALSE(client.Quit()); // no socket at all
    // Operations no longer succeed on a stale code.
    EXPECT_FALSE(client.Login("a", "b"));
    client.SetReplyCode(250);
    EXPECT_FALSE(client.ChangeDir("/pub"));
    EXPECT_FALSE(client.ChangeMode("a.txt", "644"));
}

TEST(ControlConnection, LettersGiveCodeZero)
{
    CScriptedFtpServer server([](CScriptSession& s) {
        s.Send("Hello there\r\n");
        s.WaitClosed();
    });
    CTestClient client;
    EXPECT_FALSE(client.Connect("127.0.0.1", server.Port()));
    EXPECT_EQ(client.GetReplyCode(), 0);
    EXPECT_EQ(client.GetLastReply(), "Hello there\r\n");
}

TEST(ControlConnection, GreetingOtherThan220FailsAndStays)
{
    CScriptedFtpServer server([](CScriptSession& s) {
        s.Send("421 Too many users\r\n");
        s.WaitClosed();
    });
    {
        CTestClient client;
        EXPECT_FALSE(client.Connect("127.0.0.1", server.Port()));
        EXPECT_FALSE(client.IsConnected());
        EXPECT_EQ(client.GetLastReply(), "421 Too many users\r\n");
        // The socket object remains: Quit sends nothing and reports true.
        EXPECT_TRUE(client.Quit());
    }
    EXPECT_EQ(Failures(server), "");
    EXPECT_EQ(server.Received(), "");
}

TEST(ControlConnection, RefusedConnectionKeepsTheLastReply)
{
    CScriptedFtpServer server([](CScriptSession& s) {
        s.Send("220 first\r\n");
        s.WaitClosed();
    });
    CTestClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", server.Port()));
    EXPECT_FALSE(client.Connect("127.0.0.1", UnusedPort()));
    EXPECT_FALSE(client.IsConnected());
    EXPECT_EQ(client.GetLastReply(), "220 first\r\n");
    EXPECT_FALSE(client.Connect("no-such-host.invalid", 21));
    EXPECT_EQ(client.GetLastReply(), "220 first\r\n");
}

TEST(ControlConnection, QuitClosesOn221AndKeepsTheSocketOtherwise)
{
    CScriptedFtpServer server([](CScriptSession& s) {
        s.Send("220 Ready\r\n");
        s.ExpectReply("QUIT", "500 Not now\r\n");
        s.ExpectReply("QUIT", "221 Goodbye\r\n");
        s.ExpectClosed();
    });
    CTestClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", server.Port()));
    EXPECT_FALSE(client.Quit());
    EXPECT_TRUE(client.IsConnected());
    EXPECT_TRUE(client.Quit());
    EXPECT_FALSE(client.IsConnected());
    EXPECT_EQ(client.GetLastReply(), "221 Goodbye\r\n");
    EXPECT_FALSE(client.Quit()); // the socket is gone
    EXPECT_EQ(Failures(server), "");
    EXPECT_EQ(server.Received(), "QUIT\r\nQUIT\r\n");
}

TEST(ControlConnection, ConnectWhileConnectedDropsTheOldWithoutQuit)
{
    CScriptedFtpServer server([](CScriptSession& s) {
        s.Send("220 one\r\n");
        s.ExpectClosed(); // the old connection ends with no QUIT
        s.AcceptControl();
        s.Send("220 two\r\n");
        s.WaitClosed();
    });
    {
        CTestClient client;
        ASSERT_TRUE(client.Connect("127.0.0.1", server.Port()));
        ASSERT_TRUE(client.Connect("127.0.0.1", server.Port()));
        EXPECT_EQ(client.GetLastReply(), "220 two\r\n");
    }
    EXPECT_EQ(Failures(server), "");
    EXPECT_EQ(server.Received(), "");
}

TEST(ControlConnection, ReplyThatNeverComesFailsWithinTheLimit)
{
    CScriptedFtpServer server([](CScriptSession& s) {
        s.Send("220 Ready\r\n");
        s.Expect("PWD");
        s.WaitClosed(); // never answers
    });
    CTestClient client;
    client.SetTimeout(300ms);
    ASSERT_TRUE(client.Connect("127.0.0.1", server.Port()));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(client.GetCurrentDir(), "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_FALSE(client.IsConnected());
    EXPECT_FALSE(client.ChangeDir("/")); // fails at once, sends nothing
    EXPECT_EQ(Failures(server), "");
    EXPECT_EQ(server.Received(), "PWD\r\n");
}

TEST(ControlConnection, GreetingThatNeverComesFailsConnect)
{
    CScriptedFtpServer server([](CScriptSession& s) { s.WaitClosed(); });
    CTestClient client;
    client.SetTimeout(300ms);
    EXPECT_FALSE(client.Connect("127.0.0.1", server.Port()));
    EXPECT_FALSE(client.IsConnected());
    EXPECT_FALSE(client.Quit()); // the timed-out connection was closed
}

TEST(ControlConnection, PumpRunsWhileWaitingAndCanCancel)
{
    CScriptedFtpServer server([](CScriptSession& s) {
        s.Send("220 Ready\r\n");
        s.Expect("NOOP");
        s.WaitClosed();
    });
    CTestClient client;
    CCancelToken cancel;
    int calls = 0;
    client.SetPump([&] {
        if (++calls == 5) {
            cancel.Cancel(); // the user cancels at the fifth slice
        }
    });
    client.SetCancelToken(&cancel);
    ASSERT_TRUE(client.Connect("127.0.0.1", server.Port()));
    ASSERT_TRUE(client.SendCommand("NOOP"));
    client.ReadReply();
    // After the cancel the reply still due is waited for a short while (pumped too), so a
    // server that answers keeps the connection; this one stays silent and loses it.
    EXPECT_GT(calls, 5);
    EXPECT_FALSE(client.LastReplyComplete());
    EXPECT_FALSE(client.IsConnected());
}

TEST(ControlConnection, NameLookupIsBoundedByTheLimitAndTheCancelToken)
{
    // A name server that never answers: each lookup blocks until the test ends.
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    CTestClient client;
    client.SetResolver([released](const std::string&, const std::string&,
                                  std::vector<ResolvedAddress>&) {
        released.wait();
        return EAI_AGAIN;
    });
    client.SetTimeout(300ms);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(client.Connect("ftp.example.invalid", 21));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s) << "ended by the limit";
    EXPECT_EQ(client.GetConnectFailure(), IoResult::TimedOut);

    // Without a limit, the user's cancel ends it; the window is pumped meanwhile.
    CCancelToken cancel;
    int slices = 0;
    client.SetTimeout(0ms);
    client.SetCancelToken(&cancel);
    client.SetPump([&] {
        if (++slices == 3) {
            cancel.Cancel();
        }
    });
    EXPECT_FALSE(client.Connect("ftp.example.invalid", 21));
    EXPECT_EQ(client.GetConnectFailure(), IoResult::Cancelled);
    EXPECT_EQ(slices, 3);
    release.set_value();
}

TEST(ControlConnection, NamesResolveOnTheResolverThread)
{
    CScriptedFtpServer server([](CScriptSession& s) {
        s.Send("220 Ready\r\n");
        s.WaitClosed();
    });
    CTestClient client;
    std::string asked;
    client.SetResolver([&asked](const std::string& host, const std::string& service,
                                std::vector<ResolvedAddress>& addresses) {
        asked = host + " " + service;
        return SystemResolve("127.0.0.1", service, addresses);
    });
    EXPECT_TRUE(client.Connect("ftp.example.test", server.Port()));
    EXPECT_EQ(asked, "ftp.example.test " + std::to_string(server.Port()));
    client.SetResolver([](const std::string&, const std::string&, std::vector<ResolvedAddress>&) {
        return EAI_NONAME;
    });
    EXPECT_FALSE(client.Connect("nowhere.example.test", 21));
    EXPECT_EQ(client.GetConnectFailure(), IoResult::Unresolved);
}

TEST(ControlConnection, EndlessReplyLineFailsTheRead)
{
    CScriptedFtpServer server([](CScriptSession& s) {
        s.Send("220 Ready\r\n");
        s.Expect("NOOP");
        s.Send("200 " + std::string(CFtpClient::kMaxReplyLine + 10, 'x'));
        s.WaitClosed();
    });
    CTestClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", server.Port()));
    ASSERT_TRUE(client.SendCommand("NOOP"));
    client.ReadReply();
    EXPECT_FALSE(client.LastReplyComplete());
    EXPECT_FALSE(client.IsConnected());
}

TEST(ControlConnection, ConnectsToAnIpv6Literal)
{
    CScriptedFtpServer::Options options;
    options.ipv6 = true;
    CScriptedFtpServer server(
        [](CScriptSession& s) {
            s.Send("220 v6\r\n");
            s.WaitClosed();
        },
        options);
    CTestClient client;
    EXPECT_TRUE(client.Connect("::1", server.Port()));
    EXPECT_EQ(client.GetLastReply(), "220 v6\r\n");
}

TEST(StoredSettings, GiveTheConnectionItsModeTimeLimitAndEncoding)
{
    CTempStore store;
    auto script = [](CScriptSession& s) {
        s.Send("220 Ready\r\n");
        s.ExpectReply("CWD 日本", "250 ok\r\n");
        s.WaitClosed();
    };
    {
        CScriptedFtpServer server(script);
        {
            CFtpProgressClient client;
            ASSERT_TRUE(client.Connect("127.0.0.1", server.Port(), CStoredSettings().ConnectOptions()));
            EXPECT_FALSE(client.IsPassive());
            EXPECT_EQ(client.GetTimeout(), 60s);
            EXPECT_TRUE(client.ChangeDir("日本")); // UTF-8 by default
        }
        EXPECT_EQ(Failures(server), "");
        EXPECT_EQ(server.Received(), "CWD \xE6\x97\xA5\xE6\x9C\xAC\r\n");
    }
    SetSettingFlag("UsePASV", true);
    SetSettingText("ServerEncoding", "CP932");
    SetSettingInt("TimeoutSeconds", 7);
    CScriptedFtpServer server([](CScriptSession& s) {
        s.Send("220 Ready\r\n");
        const std::string line = s.ReadLine();
        if (line != "CWD \x93\xfa\x96\x7b\r\n") {
            s.Fail("got '" + line + "'");
        }
        s.Send("250 \x93\xfa\x96\x7b ok\r\n");
        s.WaitClosed();
    });
    {
        CFtpProgressClient client;
        ASSERT_TRUE(client.Connect("127.0.0.1", server.Port(), CStoredSettings().ConnectOptions()));
        EXPECT_TRUE(client.IsPassive());
        EXPECT_EQ(client.GetTimeout(), 7s);
        EXPECT_EQ(client.GetServerEncoding(), "CP932");
        EXPECT_TRUE(client.ChangeDir("日本"));
        EXPECT_EQ(client.GetLastReply(), "250 日本 ok\r\n"); // replies decode the same way
    }
    EXPECT_EQ(Failures(server), "");
}
