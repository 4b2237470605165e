// 接続 and 切断 through the main window against the scripted server, with and without dial-up.
#include <QCoreApplication>
#include <QTimer>

#include <filesystem>

#include "app/guiclock.h"
#include "connecttest.h"
#include "support/fakedialup.h"

using namespace tarnwick;
using namespace tarnwick::testing;

namespace {

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

// After the login: PWD answered `home` twice (no start directory), one listing line, then the
// connection stays until 切断 (QUIT) or until the window drops it.
void ServeSession(CScriptSession& s, const std::string& home = "/home/anna")
{
    ServeLogin(s);
    s.ExpectReply("PWD", Pwd(home));
    s.ExpectReply("PWD", Pwd(home));
    ServeListing(s, "TYPE A", FileLine("listed.txt"));
    if (s.ReadLine() == "QUIT\r\n") {
        s.Send("221 Goodbye\r\n");
        s.ExpectClosed();
    }
}

// A scratch folder holding a directory "docs" and a file "f.txt".
class CLocalTree {
public:
    CLocalTree()
    {
        std::filesystem::create_directory(dir.File("docs"));
        WriteWholeFile(dir.File("f.txt"), "x");
    }
    [[nodiscard]] const std::string& Path() const { return dir.Path(); }
    CTempDir dir;
};

} // namespace

TEST_F(ConnectTest, TheWholeRoadShowsEachRepliesAndBothStartDirectories)
{
    CLocalTree local;
    Serve([](CScriptSession& s) {
        ServeStartDir(s, "/home/anna", "pub", "250 Directory changed\r\n", "/home/anna/pub");
        ServeListing(s, "TYPE A", DirLine("sub") + FileLine("a.txt"));
        s.ExpectReply("QUIT", "221 Goodbye\r\n");
        s.ExpectClosed();
    });
    RunConnect({.localDir = local.Path(), .remoteDir = "pub"});

    EXPECT_EQ(runner.ran, QStringList{"connectDialog"});
    EXPECT_EQ(statuses, (QStringList{"220 Ready\r\n", "230 Logged in\r\n", Q(Pwd("/home/anna")),
                                     "250 Directory changed\r\n"}));
    EXPECT_EQ(dlg->m_strRemoteDir, "/home/anna/pub");
    EXPECT_EQ(FieldText("remoteDirEdit"), "/home/anna/pub");
    EXPECT_EQ(List("remoteList")->Rows(), (QStringList{"..", "<sub>", "a.txt"}));
    EXPECT_EQ(FieldText("localDirEdit"), Q(local.Path()));
    EXPECT_EQ(List("localList")->Rows(), (QStringList{"..", "<docs>", "f.txt"}));
    ExpectDisplay(true);
    // The local pane stays the active one.
    EXPECT_EQ(dlg->m_nActivePane, 1);
    EXPECT_TRUE(Find<QLineEdit>("localDirEdit")->isEnabled());
    EXPECT_FALSE(Find<QLineEdit>("remoteDirEdit")->isEnabled());
    EXPECT_TRUE(prompt.asked.isEmpty());
    EXPECT_TRUE(waits.texts.isEmpty());

    Action("disconnectAction")->trigger();
    EXPECT_EQ(dlg->GetStatusText(), "221 Goodbye\r\n");
    EXPECT_EQ(FieldText("remoteDirEdit"), "");
    EXPECT_EQ(List("remoteList")->count(), 0);
    EXPECT_EQ(FieldText("localDirEdit"), Q(local.Path()));
    EXPECT_EQ(List("localList")->Rows(), (QStringList{"..", "<docs>", "f.txt"}));
    ExpectDisplay(false);

    // Disconnected already: 終了 sends nothing, and still empties the remote side.
    Find<QLineEdit>("remoteDirEdit")->setText("/typed");
    Action("exitAction")->trigger();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->GetStatusText(), "221 Goodbye\r\n");
    EXPECT_EQ(FieldText("remoteDirEdit"), "");
    EXPECT_EQ(Finish(), "");
    EXPECT_EQ(server->Received(), "USER anna\r\nPASS secret\r\nPWD\r\nCWD pub\r\nPWD\r\n"
                                  "TYPE A\r\nPASV\r\nNLST -alL\r\nQUIT\r\n");
}

TEST_F(ConnectTest, AnEmptyServerUserOrPasswordStopsBeforeAnythingIsSent)
{
    ServeNothing();
    const struct {
        const char* name;
        LoginFields fields;
    } cases[] = {
        {"server", {.server = "", .user = "anna", .password = "secret"}},
        {"user", {.server = ServerField(), .user = "", .password = "secret"}},
        {"password", {.server = ServerField(), .user = "anna", .password = ""}},
    };
    for (const auto& c : cases) {
        prompt.messages.clear();
        AnswerLogin(c.fields);
        Action("connectAction")->trigger();
        EXPECT_EQ(prompt.messages, QStringList{"必要な情報が\n入力されていません"}) << c.name;
    }
    EXPECT_EQ(runner.ran.size(), 3) << "the dialog is not shown again";
    EXPECT_TRUE(statuses.isEmpty());
    ExpectDisplay(false);
    EXPECT_EQ(Finish(), "");
    EXPECT_EQ(server->Received(), "");
}

TEST_F(ConnectTest, ACancelledDialogChangesNothing)
{
    runner.answers.push_back(CScriptedDialogRunner::Reject());
    Action("connectAction")->trigger();
    EXPECT_EQ(runner.ran, QStringList{"connectDialog"});
    EXPECT_TRUE(prompt.asked.isEmpty());
    EXPECT_TRUE(statuses.isEmpty());
    ExpectDisplay(false);
}

TEST_F(ConnectTest, KeysTypedIntoADialogOfTheCommandReachIt)
{
    // The window drops input while a command runs, except for the dialogs it shows.
    QString typed;
    runner.answers.push_back([&typed](QDialog& dialog) {
        auto* server = dialog.findChild<QLineEdit*>("serverEdit");
        server->setFocus();
        QTest::keyClicks(server, "ftp.example");
        typed = server->text();
        return static_cast<int>(QDialog::Rejected);
    });
    Action("connectAction")->trigger();
    EXPECT_EQ(typed, "ftp.example");
}

TEST_F(ConnectTest, NoConnectionWritesConnectToServerFailed)
{
    const struct {
        const char* name;
        std::string server;
    } cases[] = {
        {"refused", "127.0.0.1:" + std::to_string(UnusedPort())},
        {"port-out-of-range", "127.0.0.1:70000"},
        {"port-not-a-number", "127.0.0.1:ftp"},
        {"no-host", ":2121"},
    };
    for (const auto& c : cases) {
        dlg->SetStatusText(QString("previous"));
        RunConnect({.server = c.server});
        EXPECT_EQ(dlg->GetStatusText(), "ConnectToServer に失敗\r\n") << c.name;
        ExpectDisplay(false);
        EXPECT_EQ(FieldText("remoteDirEdit"), "") << c.name;
    }
    EXPECT_TRUE(prompt.asked.isEmpty());
}

TEST_F(ConnectTest, ARefusedLoginLeavesConnectUsableAndASecondAttemptWorks)
{
    Serve([](CScriptSession& s) {
        s.Send("220 Ready\r\n");
        s.ExpectReply("USER anna", "331 Password required\r\n");
        s.ExpectReply("PASS wrong", "530 Login incorrect\r\n");
        // The second attempt drops this connection and makes a new one; nothing said QUIT.
        if (!s.AcceptControl()) {
            return;
        }
        ServeSession(s);
    });
    RunConnect({.password = "wrong"});
    EXPECT_EQ(statuses, (QStringList{"220 Ready\r\n", "UserLogin に失敗\r\n"}));
    ExpectDisplay(false);
    EXPECT_EQ(FieldText("remoteDirEdit"), "");

    RunConnect();
    ExpectDisplay(true);
    EXPECT_EQ(FieldText("remoteDirEdit"), "/home/anna");
    EXPECT_EQ(List("remoteList")->Rows(), (QStringList{"..", "listed.txt"}));
    EXPECT_EQ(Finish(), "");
    EXPECT_EQ(server->Received(), "USER anna\r\nPASS wrong\r\nUSER anna\r\nPASS secret\r\n"
                                  "PWD\r\nPWD\r\nTYPE A\r\nPASV\r\nNLST -alL\r\n");
}

TEST_F(ConnectTest, TheRemoteFieldShowsWhereTheServerIsAfterTheStartDirectory)
{
    const struct {
        const char* name;
        const char* startDir;
        const char* cwdReply;
        const char* reported;
    } cases[] = {
        {"refused", "nosuch", "550 No such directory\r\n", "/home/anna"},
        {"relative", "pub/incoming", "250 Directory changed\r\n", "/home/anna/pub/incoming"},
        {"absolute", "/srv/ftp", "250 Directory changed\r\n", "/srv/ftp"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Serve([&c](CScriptSession& s) {
            ServeStartDir(s, "/home/anna", c.startDir, c.cwdReply, c.reported);
            ServeListing(s, "TYPE A", FileLine("here.txt"));
            s.ExpectReply("QUIT", "221 Goodbye\r\n");
            s.ExpectClosed();
        });
        RunConnect({.remoteDir = c.startDir});
        EXPECT_EQ(dlg->GetStatusText(), c.cwdReply);
        EXPECT_EQ(FieldText("remoteDirEdit"), c.reported);
        EXPECT_EQ(List("remoteList")->Rows(), (QStringList{"..", "here.txt"}));
        ExpectDisplay(true);
        Action("disconnectAction")->trigger();
        for (const std::string& failure : server->Finish()) {
            ADD_FAILURE() << failure;
        }
    }
}

TEST_F(ConnectTest, LocalStartDirectories)
{
    CLocalTree local;
    CTempDir before;
    WriteWholeFile(before.File("before.txt"), "x");
    const struct {
        const char* name;
        std::string startDir;
        std::string shown; // the local field after connecting
    } cases[] = {
        {"ends-with-slash", local.Path() + "/", local.Path()},
        {"plain", local.Path(), local.Path()},
        {"root-alone", "/", "/"},
        {"missing", local.Path() + "/missing", "/"},
        {"empty-keeps-the-pane", "", before.Path()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dlg->m_strLocalDir = before.Path();
        static_cast<void>(RefreshLocalPane(*List("localList"), before.Path()));
        dlg->ShowTexts();
        Serve([](CScriptSession& s) { ServeSession(s); });
        RunConnect({.localDir = c.startDir});
        ExpectDisplay(true);
        EXPECT_EQ(dlg->m_strLocalDir, c.shown);
        EXPECT_EQ(FieldText("localDirEdit"), Q(c.shown));
        const QStringList rows = List("localList")->Rows();
        if (c.shown == "/") {
            EXPECT_FALSE(rows.contains("..")) << "the root is listed";
            EXPECT_TRUE(rows.contains("<tmp>"));
        } else if (c.shown == local.Path()) {
            EXPECT_EQ(rows, (QStringList{"..", "<docs>", "f.txt"}));
        } else {
            EXPECT_EQ(rows, (QStringList{"..", "before.txt"}));
        }
        Action("disconnectAction")->trigger();
        for (const std::string& failure : server->Finish()) {
            ADD_FAILURE() << failure;
        }
    }
}

TEST_F(ConnectTest, StartUpRunsTheConnectCommandWithTheWindowShown)
{
    ASSERT_TRUE(SetSettingFlag("ConnectDlgWithStartup", true));
    Serve([](CScriptSession& s) { ServeSession(s); });
    CMainDlg startup(prompt, runner);
    bool shownBehind = false;
    const std::string address = ServerField();
    runner.answers.push_back([&](QDialog& dialog) {
        shownBehind = startup.isVisible();
        dialog.findChild<QLineEdit*>("serverEdit")->setText(Q(address));
        dialog.findChild<QLineEdit*>("userEdit")->setText("anna");
        dialog.findChild<QLineEdit*>("passwordEdit")->setText("secret");
        return static_cast<int>(QDialog::Accepted);
    });
    startup.ConnectAtStartup();
    EXPECT_TRUE(shownBehind);
    EXPECT_EQ(runner.ran, QStringList{"connectDialog"});
    EXPECT_EQ(startup.m_strRemoteDir, "/home/anna");
    EXPECT_FALSE(startup.findChild<QAction*>("connectAction")->isEnabled());
}

// ---- dial-up --------------------------------------------------------------------------

namespace {

class DialUpConnectTest : public ConnectTest {
protected:
    void SetUp() override
    {
        ConnectTest::SetUp();
        ASSERT_TRUE(SetSettingFlag("UseAutoDialUp", true));
        auto fakeBackend = std::make_unique<CFakeDialUpBackend>();
        backend = fakeBackend.get();
        dlg->SetDialUpBackend(std::move(fakeBackend));
        auto fakeClock = std::make_unique<CFakeClock>();
        clock = fakeClock.get();
        dlg->SetDialUpClock(std::move(fakeClock));
    }
    void SetEntry(const std::string& name)
    {
        backend->entries = {name};
        SetSettingText("AutoDialUpName", name);
    }

    CFakeDialUpBackend* backend = nullptr;
    CFakeClock* clock = nullptr;
};

const QString kHangUpText = "切断処理中です。\nしばらくお待ちください...";

} // namespace

TEST_F(DialUpConnectTest, FailedDialsStopBeforeAnythingIsSent)
{
    const struct {
        const char* name;
        const char* entry;
        int dialResult;
        const char* message;
        std::int64_t waited;
    } cases[] = {
        {"no-entry-name", "", kDialOk, "接続に失敗しました\nRasGetEntryDialParams Failed", 0},
        {"dial-refused", "Office", kDialFailed, "接続に失敗しました\nRasDial Failed", 0},
        {"never-connects", "Office", kDialOk, "接続タイムアウトです", 90000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetEntry(c.entry);
        backend->dialResult = c.dialResult;
        prompt.messages.clear();
        ServeNothing();
        const std::int64_t start = clock->now;
        RunConnect();
        EXPECT_EQ(prompt.messages, QStringList{c.message});
        EXPECT_EQ(clock->now - start, c.waited);
        EXPECT_TRUE(statuses.isEmpty()) << "no FTP connection was tried";
        EXPECT_TRUE(backend->hungUp.empty());
        ExpectDisplay(false);
        server->Finish();
        EXPECT_EQ(server->Received(), "");
    }
}

TEST_F(DialUpConnectTest, TheWaitTextNamesTheEntryAndTheConnectionFollows)
{
    const std::string name = "ABCDEFGHIJKLMNO";
    SetEntry(name);
    // Connected at the third status query.
    backend->stateFor = [](int query) {
        return query >= 3 ? DialState::Connected : DialState::Connecting;
    };
    Serve([](CScriptSession& s) { ServeSession(s); });
    RunConnect();
    EXPECT_EQ(waits.texts, QStringList{"ABCDEFGHIJ..に接続中です\nしばらくお待ちください..."});
    EXPECT_EQ(backend->dialed, std::vector<std::string>{name});
    EXPECT_EQ(clock->sleeps, 2);
    ExpectDisplay(true);
    EXPECT_EQ(FieldText("remoteDirEdit"), "/home/anna");

    backend->stateFor = [](int) { return DialState::Disconnected; };
    Action("disconnectAction")->trigger();
    EXPECT_EQ(backend->hungUp, std::vector<std::string>{name});
    EXPECT_EQ(waits.texts.back(), kHangUpText);
    EXPECT_EQ(dlg->GetStatusText(), "221 Goodbye\r\n");
    EXPECT_EQ(Finish(), "");
}

TEST_F(DialUpConnectTest, AFailedStatusQueryAndAnOpenPortBothCountAsConnected)
{
    const struct {
        const char* name;
        bool statusWorks;
        int dialResult;
    } cases[] = {
        {"status-query-fails", false, kDialOk},
        {"port-already-open", true, kDialPortAlreadyOpen},
    };
    SetEntry("Office");
    backend->stateFor = [](int) { return DialState::Connected; };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        backend->statusWorks = c.statusWorks;
        backend->dialResult = c.dialResult;
        Serve([](CScriptSession& s) { ServeSession(s); });
        RunConnect();
        ExpectDisplay(true);
        EXPECT_TRUE(prompt.asked.isEmpty());
        Action("disconnectAction")->trigger();
        for (const std::string& failure : server->Finish()) {
            ADD_FAILURE() << failure;
        }
    }
    EXPECT_EQ(backend->dialed, (std::vector<std::string>{"Office", "Office"}));
}

TEST_F(DialUpConnectTest, ExitWithoutAConnectionStillHangsUpAndCloses)
{
    Action("exitAction")->trigger();
    EXPECT_EQ(waits.texts, QStringList{kHangUpText});
    EXPECT_EQ(backend->hungUp, std::vector<std::string>{""}) << "the handle as it was left";
    EXPECT_EQ(backend->statusQueries, 1);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(dlg->findChild<QWidget*>("waitDialog"), nullptr);
}

TEST_F(DialUpConnectTest, ReplacingTheBackendTakesEffectAtTheNextDial)
{
    SetEntry("Office");
    ServeNothing();
    backend->dialResult = kDialFailed;
    RunConnect();
    ASSERT_EQ(backend->dialed.size(), 1u);

    auto second = std::make_unique<CFakeDialUpBackend>();
    CFakeDialUpBackend* replaced = second.get();
    dlg->SetDialUpBackend(std::move(second));
    backend = replaced;
    SetEntry("Home");
    backend->dialResult = kDialFailed;
    RunConnect();
    EXPECT_EQ(replaced->dialed, std::vector<std::string>{"Home"});
}

TEST(GuiClock, SleepKeepsTheEventLoopTurning)
{
    CGuiClock clock;
    bool fired = false;
    QTimer::singleShot(0, [&fired] { fired = true; });
    const std::int64_t start = clock.NowMs();
    clock.SleepMs(30);
    EXPECT_TRUE(fired);
    EXPECT_GE(clock.NowMs() - start, 30);
}
