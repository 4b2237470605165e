// The file operations without panes, against the scripted server: a file in the way is asked
// about (once, when the answer is for all), and each command says why it failed.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "session/connection.h"
#include "session/fixedsettings.h"
#include "session/runner.h"
#include "support/enginerun.h"
#include "support/tempdir.h"

using namespace tarnwick;
using namespace tarnwick::testing;

namespace {

class CAskingSettings : public CFixedSettings {
public:
    bool CheckOverwrite() override { return true; }
};

// Answers every question with `answer`, for all files when `forAll`; keeps the questions.
class CRecordingUi : public CRunnerUi {
public:
    CRecordingUi(ExistingAnswer answer, bool forAll) : m_answer(answer), m_bForAll(forAll) {}
    void Message(const std::string& text) override { messages.push_back(text); }
    ExistingAnswer AskExisting(const ExistingFile& file, bool& applyToAll) override
    {
        questions.push_back(file);
        applyToAll = m_bForAll && file.more;
        return m_answer;
    }
    std::vector<ExistingFile> questions;
    std::vector<std::string> messages;

private:
    ExistingAnswer m_answer;
    bool m_bForAll;
};

// Plays `script` against a runner on an engine connected to it, working in "/".
ScriptOutcome RunRunner(const std::function<void(CScriptSession&)>& script,
                        const std::function<void(CRunner&)>& use, CSessionSettings& settings,
                        CRunnerUi& ui, EngineOptions options = {})
{
    const std::string serverDir = "/";
    return RunEngineScript(
        script,
        [&](CFtpClient& c) {
            CRunner runner(c, settings, ui, serverDir);
            use(runner);
        },
        options);
}

} // namespace

TEST(Runner, AFileInTheWayIsAskedAboutAndAnAnswerForAllHolds)
{
    struct Row {
        const char* name;
        ExistingAnswer answer;
        bool forAll;
        std::size_t questions;
        ItemOutcome::Status status;
    };
    const Row rows[] = {
        {"skip-for-all", ExistingAnswer::Skip, true, 1, ItemOutcome::Status::Skipped},
        {"skip-each", ExistingAnswer::Skip, false, 2, ItemOutcome::Status::Skipped},
        {"replace-for-all", ExistingAnswer::Replace, true, 1, ItemOutcome::Status::Done},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CTempDir dir;
        WriteWholeFile(dir.File("a.bin"), "old a");
        WriteWholeFile(dir.File("b.bin"), "old b");
        CAskingSettings settings;
        CRecordingUi ui(row.answer, row.forAll);
        std::vector<ItemOutcome> outcomes;
        const bool replaces = row.answer == ExistingAnswer::Replace;
        const ScriptOutcome out = RunRunner(
            [&](CScriptSession& s) {
                for (const char* name : {"RETR /a.bin", "RETR /b.bin"}) {
                    if (replaces && s.OpenTransfer(true, "TYPE I", name)) {
                        s.DataSend("new");
                        s.DataClose();
                        s.Send("226 ok\r\n");
                    }
                }
            },
            [&](CRunner& runner) {
                runner.Engine().SetBinaryType();
                runner.BeginItems(true);
                outcomes.push_back(runner.DownloadFile("/a.bin", dir.File("a.bin"), 3));
                outcomes.push_back(runner.DownloadFile("/b.bin", dir.File("b.bin"), 3));
            },
            settings, ui, {.passive = true});
        EXPECT_EQ(out.failures, "");
        ASSERT_EQ(ui.questions.size(), row.questions);
        EXPECT_EQ(ui.questions[0].name, "a.bin");
        EXPECT_TRUE(ui.questions[0].exists);
        EXPECT_EQ(ui.questions[0].target.size, 5);
        EXPECT_EQ(ui.questions[0].source.size, 3);
        for (const ItemOutcome& outcome : outcomes) {
            EXPECT_EQ(outcome.status, row.status) << outcome.name;
        }
        EXPECT_EQ(ReadWholeFile(dir.File("b.bin")), replaces ? "new" : "old b");
        if (!replaces) {
            EXPECT_EQ(out.received, ""); // nothing was fetched
        }
    }
}

TEST(Runner, CommandsEndInOutcomesThatSayWhy)
{
    struct Row {
        const char* name;
        std::function<ItemOutcome(CRunner&)> run;
        const char* line;
        const char* reply; // null: the server closes instead
        ItemOutcome::Status status;
        FailureReason reason;
    };
    const Row rows[] = {
        {"mkdir-done", [](CRunner& r) { return r.MakeRemoteDirectory("new"); }, "MKD new",
         "257 \"/new\"\r\n", ItemOutcome::Status::Done, FailureReason::None},
        {"rmdir-refused", [](CRunner& r) { return r.RemoveRemoteDirectory("busy"); }, "RMD busy",
         "550 Directory not empty\r\n", ItemOutcome::Status::Failed, FailureReason::Refused},
        {"dele-lost", [](CRunner& r) { return r.DeleteRemoteFile("a.txt"); }, "DELE a.txt", nullptr,
         ItemOutcome::Status::Failed, FailureReason::ConnectionLost},
        // The server answered, but no 2xx: the mode did not change.
        {"chmod-refused", [](CRunner& r) { return r.ChangeMode("a.txt", "644"); },
         "SITE CHMOD 644 a.txt", "500 Unknown SITE command\r\n", ItemOutcome::Status::Failed,
         FailureReason::Refused},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CFixedSettings settings;
        CRecordingUi ui(ExistingAnswer::Skip, false);
        ItemOutcome outcome;
        const ScriptOutcome out = RunRunner(
            [&](CScriptSession& s) {
                if (row.reply != nullptr) {
                    s.ExpectReply(row.line, row.reply);
                } else {
                    s.Expect(row.line);
                    s.Close();
                }
            },
            [&](CRunner& runner) { outcome = row.run(runner); }, settings, ui);
        EXPECT_EQ(out.failures, "");
        EXPECT_EQ(outcome.status, row.status);
        EXPECT_EQ(outcome.reason, row.reason);
        if (row.reply != nullptr) {
            EXPECT_EQ(outcome.replyText, row.reply);
        }
    }
}

// put -c goes on from what the server has: nothing when it has all, the rest when it has
// less (APPE, as this server lists no REST STREAM), the whole file when it has none or more.
TEST(Runner, ContinuedUploadSendsWhatTheServerLacks)
{
    struct Row {
        const char* name;
        const char* sizeReply;
        const char* command; // null: nothing is sent
        const char* sent;
    };
    const Row rows[] = {
        {"absent", "550 No such file\r\n", "STOR f", "0123456789"},
        {"shorter", "213 4\r\n", "APPE f", "456789"},
        {"whole", "213 10\r\n", nullptr, ""},
        {"longer", "213 15\r\n", "STOR f", "0123456789"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CTempDir dir;
        WriteWholeFile(dir.File("f"), "0123456789");
        CFixedSettings settings;
        CRecordingUi ui(ExistingAnswer::Skip, false);
        ItemOutcome outcome;
        const ScriptOutcome out = RunRunner(
            [&](CScriptSession& s) {
                s.ExpectReply("FEAT", "211-Features:\r\n SIZE\r\n211 End\r\n");
                s.ExpectReply("TYPE I", "200 ok\r\n");
                s.ExpectReply("SIZE f", row.sizeReply);
                if (row.command != nullptr && s.OpenTransfer(true, "TYPE I", row.command)) {
                    if (s.DataReceiveAll() != row.sent) {
                        s.Fail("other bytes came");
                    }
                    s.DataClose();
                    s.Send("226 ok\r\n");
                }
            },
            [&](CRunner& runner) {
                ASSERT_TRUE(runner.Engine().NegotiateFeatures());
                outcome = runner.ContinueUpload(dir.File("f"), "f");
            },
            settings, ui, {.passive = true});
        EXPECT_EQ(out.failures, "");
        EXPECT_EQ(outcome.status, ItemOutcome::Status::Done) << FailureDetail(outcome);
        if (row.command == nullptr) {
            EXPECT_EQ(out.received, "FEAT\r\nTYPE I\r\nSIZE f\r\n");
        }
    }
}

// The queue's connections open as the session's did, and say at which step one could not.
TEST(Connection, AQueueConnectionOpensLikeTheSessionsOrSaysWhereItStopped)
{
    using Script = std::function<void(CScriptSession&)>;
    const auto logsIn = [](CScriptSession& s, const char* pass) {
        s.Send("220 Ready\r\n");
        s.ExpectReply("USER anna", "331 Password\r\n");
        s.ExpectReply("PASS pw", pass);
    };
    struct Row {
        const char* name;
        Script second;
        const char* why; // empty: it opens
    };
    const Row rows[] = {
        {"opens",
         [&](CScriptSession& s) {
             logsIn(s, "230 In\r\n");
             s.ExpectReply("FEAT", "500 No\r\n"); // a refused FEAT is no failure
         },
         ""},
        {"greeting-421", [](CScriptSession& s) { s.Send("421 Too many users\r\n"); },
         "接続できません: 421 Too many users"},
        {"login-refused", [&](CScriptSession& s) { logsIn(s, "530 Login incorrect.\r\n"); },
         "ログインできません: 530 Login incorrect."},
        {"closed-at-login",
         [](CScriptSession& s) {
             s.Send("220 Ready\r\n");
             s.Expect("USER anna");
             s.Close();
         },
         "ログインできません: サーバーが接続を閉じました"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CScriptedFtpServer server([&](CScriptSession& s) {
            logsIn(s, "230 Welcome\r\n");
            s.ExpectReply("FEAT", "211-Features:\r\n SIZE\r\n211 End\r\n");
            if (s.AcceptControl()) {
                row.second(s);
            }
            s.WaitClosed();
        });
        ServerTarget target;
        target.host = "127.0.0.1";
        target.port = server.Port();
        target.user = "anna";
        target.password = "pw";
        FtpConnectOptions options;
        options.timeout = std::chrono::seconds(3);
        {
            CFtpClient session;
            std::string greeting;
            const OpenOutcome opened =
                OpenConnection(session, target, options, std::string(),
                               [&](const std::string& text) { greeting = text; });
            ASSERT_TRUE(opened);
            EXPECT_EQ(greeting, "220 Ready\r\n");
            EXPECT_EQ(opened.welcome, "230 Welcome\r\n");
            EXPECT_TRUE(session.HasFeature("SIZE"));

            const auto connector = QueueConnectorLike(session, target, options);
            ASSERT_TRUE(connector);
            CFtpClient queued;
            std::string why;
            EXPECT_EQ(connector(queued, 1, why), std::string(row.why).empty());
            EXPECT_EQ(why, row.why);
        }
        EXPECT_EQ(server.Finish(), std::vector<std::string>{});
    }
    CFtpClient never;
    EXPECT_FALSE(QueueConnectorLike(never, ServerTarget{}, FtpConnectOptions{}))
        << "no queue without a connection to copy";
}
