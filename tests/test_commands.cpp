// Login and the single-reply commands against the scripted server.
#include <gtest/gtest.h>

#include <functional>

#include "ftp/ftpclient.h"
#include "support/enginerun.h"
#include "support/tempdir.h"

using namespace tarnwick;
using namespace tarnwick::testing;
using namespace std::chrono_literals;

namespace {

using Outcome = ScriptOutcome;

Outcome RunAgainstScript(const std::function<void(CScriptSession&)>& script,
                         const std::function<void(CFtpClient&)>& use)
{
    return RunEngineScript(script, use);
}

} // namespace

TEST(Login, UserThenPassOn331)
{
    bool ok = false;
    const Outcome out = RunAgainstScript(
        [](CScriptSession& s) {
            s.ExpectReply("USER anna", "331 Password required\r\n");
            s.ExpectReply("PASS secret", "230 Logged in\r\n");
        },
        [&ok](CFtpClient& c) { ok = c.Login("anna", "secret").Ok(); });
    EXPECT_TRUE(ok);
    EXPECT_EQ(out.failures, "");
    EXPECT_EQ(out.received, "USER anna\r\nPASS secret\r\n");
}

TEST(Login, UserAnswered230NeedsNoPassword)
{
    bool ok = false;
    std::string reply;
    const Outcome out = RunAgainstScript([](CScriptSession& s) { s.ExpectReply("USER anonymous", "230 Welcome\r\n"); },
                            [&](CFtpClient& c) {
                                ok = c.Login("anonymous", "guest").Ok();
                                reply = c.GetLastReply();
                            });
    EXPECT_TRUE(ok);
    EXPECT_EQ(reply, "230 Welcome\r\n");
    EXPECT_EQ(out.received, "USER anonymous\r\n"); // no PASS
}

TEST(Login, RefusedPasswordOrUserFails)
{
    bool ok = true;
    Outcome out = RunAgainstScript(
        [](CScriptSession& s) {
            s.ExpectReply("USER anna", "331 Password required\r\n");
            s.ExpectReply("PASS wrong", "530 Login incorrect\r\n");
        },
        [&ok](CFtpClient& c) { ok = c.Login("anna", "wrong").Ok(); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(out.failures, "");

    ok = true;
    out = RunAgainstScript([](CScriptSession& s) { s.ExpectReply("USER bob", "530 Not allowed\r\n"); },
              [&ok](CFtpClient& c) { ok = c.Login("bob", "x").Ok(); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(out.received, "USER bob\r\n");
}

TEST(GetCurrentDir, TakesTheTextBetweenTheFirstTwoQuotes)
{
    struct Row {
        const char* name;
        const char* reply;
        const char* dir;
    };
    const Row rows[] = {
        {"quoted-with-remark", "257 \"/home/user\" is the current directory\r\n", "/home/user"},
        {"japanese", "257 \"/pub/日本\"\r\n", "/pub/日本"},
        {"multi-line", "257-\"/a\" is\r\n257 current\r\n", "/a"},
        {"no-quotes", "257 /home/user\r\n", ""},
        {"one-quote", "257 \"/home/user\r\n", ""},
        {"doubled-quote-not-special", "257 \"/a\"\"b\"\r\n", "/a"},
        {"other-code", "550 \"/home/user\" unavailable\r\n", ""},
    };
    for (const Row& row : rows) {
        std::string dir = "unset";
        const Outcome out = RunAgainstScript([&row](CScriptSession& s) { s.ExpectReply("PWD", row.reply); },
                                [&dir](CFtpClient& c) { dir = c.GetCurrentDir(); });
        EXPECT_EQ(dir, row.dir) << row.name;
        EXPECT_EQ(out.failures, "") << row.name;
    }
}

TEST(SimpleCommands, SucceedOnlyOnTheirExactCode)
{
    struct Row {
        const char* name;
        std::function<bool(CFtpClient&)> call;
        const char* line;
        const char* reply;
        bool ok;
    };
    const Row rows[] = {
        {"cwd-250", [](CFtpClient& c) { return c.ChangeDir("/pub").Ok(); }, "CWD /pub", "250 ok\r\n", true},
        {"cwd-257", [](CFtpClient& c) { return c.ChangeDir("pub").Ok(); }, "CWD pub", "257 ok\r\n", false},
        {"cwd-550", [](CFtpClient& c) { return c.ChangeDir("..").Ok(); }, "CWD ..", "550 no\r\n", false},
        {"mkd-257", [](CFtpClient& c) { return c.MakeDir("src").Ok(); }, "MKD src", "257 \"/src\"\r\n", true},
        {"mkd-250", [](CFtpClient& c) { return c.MakeDir("src").Ok(); }, "MKD src", "250 ok\r\n", false},
        {"mkd-empty-name", [](CFtpClient& c) { return c.MakeDir("").Ok(); }, "MKD New Folder",
         "257 \"/New Folder\"\r\n", true},
        {"rmd-250", [](CFtpClient& c) { return c.RemoveDir("old").Ok(); }, "RMD old", "250 ok\r\n", true},
        {"rmd-257", [](CFtpClient& c) { return c.RemoveDir("old").Ok(); }, "RMD old", "257 ok\r\n", false},
        {"rmd-200", [](CFtpClient& c) { return c.RemoveDir("old").Ok(); }, "RMD old", "200 ok\r\n", false},
        {"dele-250", [](CFtpClient& c) { return c.DeleteRemoteFile("/a.txt").Ok(); }, "DELE /a.txt",
         "250 ok\r\n", true},
        {"dele-200", [](CFtpClient& c) { return c.DeleteRemoteFile("a.txt").Ok(); }, "DELE a.txt",
         "200 ok\r\n", false},
        {"chmod-200", [](CFtpClient& c) { return c.ChangeMode("a.txt", "644").Ok(); },
         "SITE CHMOD 644 a.txt", "200 SITE CHMOD command ok.\r\n", true},
        {"chmod-500-still-true", [](CFtpClient& c) { return c.ChangeMode("a.txt", "644").Ok(); },
         "SITE CHMOD 644 a.txt", "500 Unknown SITE command.\r\n", true},
    };
    for (const Row& row : rows) {
        bool ok = !row.ok;
        const Outcome out = RunAgainstScript(
            [&row](CScriptSession& s) { s.ExpectReply(row.line, row.reply); },
            [&](CFtpClient& c) { ok = row.call(c); });
        EXPECT_EQ(ok, row.ok) << row.name;
        EXPECT_EQ(out.failures, "") << row.name;
        EXPECT_EQ(out.received, std::string(row.line) + "\r\n") << row.name;
    }
}

TEST(SimpleCommands, EmptyArgumentsAndTypeChoicesSendNothing)
{
    const Outcome out = RunAgainstScript([](CScriptSession&) {},
                            [](CFtpClient& c) {
                                EXPECT_FALSE(c.ChangeDir(""));
                                EXPECT_FALSE(c.RemoveDir(""));
                                EXPECT_FALSE(c.DeleteRemoteFile(""));
                                EXPECT_FALSE(c.ChangeMode("", "644"));
                                EXPECT_FALSE(c.ChangeMode("a.txt", ""));
                                EXPECT_EQ(c.GetTypeCommand(), "TYPE A");
                                EXPECT_TRUE(c.SetBinaryType());
                                EXPECT_EQ(c.GetTypeCommand(), "TYPE I");
                                EXPECT_TRUE(c.SetTextType());
                                EXPECT_EQ(c.GetTypeCommand(), "TYPE A");
                            });
    EXPECT_EQ(out.received, "");
}

TEST(SimpleCommands, ServerClosingDuringACommandFailsIt)
{
    bool ok = true;
    const Outcome out = RunAgainstScript(
        [](CScriptSession& s) {
            s.ExpectReply("CWD /a", "250 ok\r\n");
            s.Expect("CWD /b");
            s.Close();
        },
        [&ok](CFtpClient& c) {
            EXPECT_TRUE(c.ChangeDir("/a"));
            ok = c.ChangeDir("/b").Ok(); // the stale code is still 250
            EXPECT_EQ(c.GetReplyCode(), 250);
        });
    EXPECT_FALSE(ok);
    EXPECT_EQ(out.failures, "");
}

// Each command says why it failed: the server's no with its reply, a lost or silent
// connection, or a line that could not be sent, which must not carry an earlier command's reply.
TEST(SimpleCommands, OutcomesSayWhyTheyFailed)
{
    struct Row {
        const char* name;
        std::function<void(CScriptSession&)> script;
        std::function<CommandOutcome(CFtpClient&)> call;
        FailureReason reason;
        int code;
    };
    const auto earlier = [](CScriptSession& s) { s.ExpectReply("CWD /a", "250 ok\r\n"); };
    const Row rows[] = {
        {"refused", [](CScriptSession& s) { s.ExpectReply("RMD old", "550 Not empty\r\n"); },
         [](CFtpClient& c) { return c.RemoveDir("old"); }, FailureReason::Refused, 550},
        {"rename-refused-at-rnfr",
         [](CScriptSession& s) { s.ExpectReply("RNFR a", "550 No such file\r\n"); },
         [](CFtpClient& c) { return c.Rename("a", "b"); }, FailureReason::Refused, 550},
        {"closed",
         [](CScriptSession& s) {
             s.Expect("DELE a.txt");
             s.Close();
         },
         [](CFtpClient& c) { return c.DeleteRemoteFile("a.txt"); }, FailureReason::ConnectionLost,
         -1},
        {"silent", [](CScriptSession& s) { s.Expect("MKD new"); s.WaitClosed(); },
         [](CFtpClient& c) {
             c.SetTimeout(300ms);
             return c.MakeDir("new");
         },
         FailureReason::TimedOut, -1},
        {"unsendable-after-a-reply", earlier,
         [](CFtpClient& c) {
             EXPECT_TRUE(c.ChangeDir("/a"));
             return c.ChangeDir("b\r\nDELE victim");
         },
         FailureReason::BadCommand, 0},
        {"rnto-unsendable", earlier,
         [](CFtpClient& c) {
             EXPECT_TRUE(c.ChangeDir("/a"));
             return c.Rename("a", "b\nDELE victim");
         },
         FailureReason::BadCommand, 0},
        {"chmod-answered-by-a-refusal",
         [](CScriptSession& s) { s.ExpectReply("SITE CHMOD 644 a", "500 Unknown\r\n"); },
         [](CFtpClient& c) { return c.ChangeMode("a", "644"); }, FailureReason::None, 500},
    };
    for (const Row& row : rows) {
        CommandOutcome outcome;
        const Outcome out =
            RunAgainstScript(row.script, [&](CFtpClient& c) { outcome = row.call(c); });
        EXPECT_EQ(out.failures, "") << row.name;
        EXPECT_EQ(outcome.reason, row.reason) << row.name;
        if (row.code >= 0) {
            EXPECT_EQ(outcome.replyCode, row.code) << row.name;
        }
        if (row.reason == FailureReason::BadCommand) {
            EXPECT_EQ(outcome.replyText, "") << row.name; // not the 250 of the CWD before
        }
    }
}

// A command line that cannot go out as asked is refused before anything is sent, and nothing
// waits for a reply that cannot come.
TEST(SimpleCommands, UnsendableLinesAreRefusedAtOnceWithNothingSent)
{
    const std::string longName(CFtpClient::kMaxCommandLine, 'n'); // "CWD " makes it too long
    CTempDir dir;
    const struct {
        const char* name;
        std::function<bool(CFtpClient&)> command;
    } cases[] = {
        {"cwd-over-long", [&](CFtpClient& c) { return c.ChangeDir(longName).Ok(); }},
        {"dele-with-cr-lf", [](CFtpClient& c) { return c.DeleteRemoteFile("a\r\nDELE victim.txt").Ok(); }},
        {"login-with-lf", [](CFtpClient& c) { return c.Login("anna\nPASS x", "pw").Ok(); }},
        {"chmod-with-nul", [](CFtpClient& c) { return c.ChangeMode(std::string("a\0b", 3), "644").Ok(); }},
        {"retr-over-long", [&](CFtpClient& c) {
             const TransferOutcome outcome =
                 c.Transfer({TransferDirection::Download, longName, dir.File("x")});
             EXPECT_EQ(outcome.reason, FailureReason::BadCommand);
             return outcome.Ok();
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        bool ok = true;
        const auto start = std::chrono::steady_clock::now();
        const Outcome out = RunAgainstScript([](CScriptSession&) {},
                                             [&](CFtpClient& engine) {
                                                 engine.SetTimeout(30s);
                                                 ok = c.command(engine);
                                                 EXPECT_TRUE(engine.IsConnected());
                                             });
        EXPECT_FALSE(ok);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 10s) << "no wait for a reply";
        EXPECT_EQ(out.received, "");
        EXPECT_EQ(out.failures, "");
    }
}

TEST(Features, FeatListsWhatLaterCommandsUse)
{
    std::int64_t size = 0;
    std::int64_t modified = 0;
    const Outcome out = RunAgainstScript(
        [](CScriptSession& s) {
            s.ExpectReply("FEAT", "211-Features:\r\n MDTM\r\n MLST type*;size*;modify*;UNIX.mode;unique;\r\n"
                                  " REST STREAM\r\n SIZE\r\n UTF8\r\n211 End\r\n");
            // The facts the pane shows (and "unique", for walks of a tree), in the server's
            // spelling; UTF-8 names asked for.
            s.ExpectReply("OPTS MLST type;size;modify;UNIX.mode;unique;", "200 ok\r\n");
            s.ExpectReply("OPTS UTF8 ON", "200 Always in UTF8 mode.\r\n");
            s.ExpectReply("TYPE I", "200 ok\r\n");
            s.ExpectReply("SIZE a.bin", "213 3000000000\r\n");
            s.ExpectReply("MDTM a.bin", "213 20231130184500\r\n");
        },
        [&](CFtpClient& c) {
            c.SetServerEncoding("UTF-8");
            EXPECT_TRUE(c.NegotiateFeatures());
            for (const char* feature : {"MDTM", "MLST", "REST STREAM", "SIZE", "UTF8"}) {
                EXPECT_TRUE(c.HasFeature(feature)) << feature;
            }
            EXPECT_FALSE(c.HasFeature("EPSV"));
            size = c.RemoteSize("a.bin");
            modified = c.RemoteModificationTime("a.bin");
        });
    EXPECT_EQ(out.failures, "");
    EXPECT_EQ(size, 3000000000LL);
    EXPECT_EQ(modified, 1701369900); // 2023-11-30 18:45:00 UTC

    // A server without FEAT: nothing is assumed, SIZE and MDTM are not even asked.
    const Outcome none = RunAgainstScript(
        [](CScriptSession& s) { s.ExpectReply("FEAT", "500 Unknown command\r\n"); },
        [&](CFtpClient& c) {
            EXPECT_FALSE(c.NegotiateFeatures());
            EXPECT_EQ(c.RemoteSize("a.bin"), -1);
            EXPECT_EQ(c.RemoteModificationTime("a.bin"), -1);
        });
    EXPECT_EQ(none.failures, "");
    EXPECT_EQ(none.received, "FEAT\r\n");
}
