// 接続 and 切断 through the main window against the scripted server, with and without dial-up.
#include <QAbstractItemView>
#include <QApplication>
#include <QCoreApplication>
#include <QPushButton>
#include <QTimer>

#include <netdb.h>

#include <filesystem>

#include "ui/seams/guiclock.h"
#include "connecttest.h"
#include "settings/certificates.h"
#include "settings/profiles.h"
#include "support/fakedialup.h"
#include "support/testcertificate.h"

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
    // The replies as they come, then what the folder holds.
    EXPECT_EQ(statuses, (QStringList{"220 Ready\r\n", "230 Logged in\r\n",
                                     "2 個の項目 (フォルダ 1、ファイル 1)"}));
    EXPECT_EQ(dlg->m_strRemoteDir, "/home/anna/pub");
    EXPECT_EQ(FieldText("remoteDirEdit"), "/home/anna/pub");
    EXPECT_EQ(List("remoteList")->Rows(), (QStringList{"..", "<sub>", "a.txt"}));
    EXPECT_EQ(FieldText("localDirEdit"), Q(local.Path()));
    EXPECT_EQ(List("localList")->Rows(), (QStringList{"..", "<docs>", "f.txt"}));
    ExpectDisplay(true);
    // The local pane stays the active one.
    EXPECT_EQ(dlg->m_nActivePane, 1);
    EXPECT_TRUE(Find<QLabel>("localLabel")->isEnabled());
    EXPECT_FALSE(Find<QLabel>("remoteLabel")->isEnabled());
    EXPECT_TRUE(prompt.asked.isEmpty());
    EXPECT_EQ(waits.texts, QStringList{"接続中…"}) << "while connecting and logging in";

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
    EXPECT_EQ(server->Received(), "USER anna\r\nPASS secret\r\nFEAT\r\nPWD\r\nCWD pub\r\nPWD\r\n"
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

TEST_F(ConnectTest, NoConnectionWritesConnectToServerFailedAndWhy)
{
    ASSERT_TRUE(SetSettingInt("TimeoutSeconds", 1));
    // A name that does not resolve, without asking the machine's name servers.
    dlg->m_engine.SetResolver([](const std::string&, const std::string&,
                                 std::vector<ResolvedAddress>&) { return EAI_NONAME; });
    // Accepts (the listen queue does) but never greets.
    ServeNothing();
    const QString badServer =
        "ConnectToServer に失敗: サーバー名はホスト名か、ホスト名:ポートです\r\n";
    const struct {
        const char* name;
        std::string server;
        QString status;
    } cases[] = {
        {"refused", "127.0.0.1:" + std::to_string(UnusedPort()),
         "ConnectToServer に失敗: 接続を拒否されました\r\n"},
        {"unresolved", "nosuch.invalid:21",
         "ConnectToServer に失敗: ホスト名 nosuch.invalid を解決できません\r\n"},
        {"no-greeting", ServerField(), "ConnectToServer に失敗: 1 秒以内に応答がありません\r\n"},
        {"port-out-of-range", "127.0.0.1:70000", badServer},
        {"port-not-a-number", "127.0.0.1:ftp", badServer},
        {"no-host", ":2121", badServer},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dlg->SetStatusText(QString("previous"));
        waits.texts.clear();
        RunConnect({.server = c.server});
        EXPECT_EQ(dlg->GetStatusText(), c.status);
        ExpectDisplay(false);
        EXPECT_EQ(FieldText("remoteDirEdit"), "");
        // The wait box says what is going on while the network is waited for.
        EXPECT_EQ(waits.texts, c.status == badServer ? QStringList() : QStringList{"接続中…"});
        EXPECT_EQ(dlg->findChild<QWidget*>("waitDialog"), nullptr);
    }
    EXPECT_TRUE(prompt.asked.isEmpty());
}

TEST_F(ConnectTest, ConnectingCanBeStoppedFromTheWaitBox)
{
    ServeNothing();
    // 中止 as the user presses it while the greeting is awaited.
    QTimer::singleShot(200, dlg.get(), [this] {
        if (auto* box = dlg->findChild<QWidget*>("waitDialog")) {
            if (auto* stop = box->findChild<QPushButton*>("cancelButton")) {
                stop->click();
            }
        }
    });
    RunConnect();
    EXPECT_EQ(dlg->GetStatusText(), "ConnectToServer に失敗: 中止しました\r\n");
    ExpectDisplay(false);
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
    // The server's own words follow the failure.
    EXPECT_EQ(statuses,
              (QStringList{"220 Ready\r\n", "UserLogin に失敗: 530 Login incorrect\r\n"}));
    ExpectDisplay(false);
    EXPECT_EQ(FieldText("remoteDirEdit"), "");

    RunConnect();
    ExpectDisplay(true);
    EXPECT_EQ(FieldText("remoteDirEdit"), "/home/anna");
    EXPECT_EQ(List("remoteList")->Rows(), (QStringList{"..", "listed.txt"}));
    EXPECT_EQ(Finish(), "");
    EXPECT_EQ(server->Received(), "USER anna\r\nPASS wrong\r\nUSER anna\r\nPASS secret\r\n"
                                  "FEAT\r\nPWD\r\nPWD\r\nTYPE A\r\nPASV\r\nNLST -alL\r\n");
}

TEST_F(ConnectTest, TheRemoteFieldShowsWhereTheServerIsAfterTheStartDirectory)
{
    const struct {
        const char* name;
        const char* startDir;
        const char* cwdReply;
        const char* reported;
        const char* status; // after the listing: what it holds, or why the change failed
    } cases[] = {
        {"refused", "nosuch", "550 No such directory\r\n", "/home/anna",
         "nosuch に移動できません: 550 No such directory"},
        {"relative", "pub/incoming", "250 Directory changed\r\n", "/home/anna/pub/incoming",
         "1 個の項目 (フォルダ 0、ファイル 1)"},
        {"absolute", "/srv/ftp", "250 Directory changed\r\n", "/srv/ftp",
         "1 個の項目 (フォルダ 0、ファイル 1)"},
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
        EXPECT_EQ(dlg->GetStatusText(), c.status);
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
        dialog.findChild<QComboBox*>("encryptionCombo")->setCurrentIndex(0);
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
        // The step that failed is named as it is on Linux.
        {"no-entry-name", "", kDialOk,
         "接続に失敗しました\n保存された接続が見つかりません (nmcli connection show)", 0},
        {"dial-refused", "Office", kDialFailed,
         "接続に失敗しました\n接続を開始できません (nmcli connection up)", 0},
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
    EXPECT_EQ(waits.texts,
              (QStringList{"ABCDEFGHIJ..に接続中です\nしばらくお待ちください...", "接続中…"}));
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

TEST_F(DialUpConnectTest, WithoutABackendTheConnectGoesOnAndSaysSoOnce)
{
    // UseAutoDialUp=1 stored, but the connections cannot be listed (no NetworkManager).
    backend->listWorks = false;
    SetSettingText("AutoDialUpName", "Office");
    const QString unavailable = "ダイアルアップは使用できません: NetworkManager (nmcli) が使えません";
    for (int attempt = 1; attempt <= 2; ++attempt) {
        SCOPED_TRACE(attempt);
        Serve([](CScriptSession& s) { ServeSession(s); });
        RunConnect();
        ExpectDisplay(true);
        Action("disconnectAction")->trigger();
        for (const std::string& failure : server->Finish()) {
            ADD_FAILURE() << failure;
        }
    }
    EXPECT_EQ(prompt.messages, QStringList{unavailable}) << "said once, at the first connect";
    EXPECT_TRUE(backend->dialed.empty());
    EXPECT_TRUE(backend->hungUp.empty());
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

// ---- FTP over TLS ------------------------------------------------------------------------

namespace {

// AUTH TLS, the login and the protection of the data connections, then the session of
// ServeSession with its listing over a protected data connection.
void ServeTlsSession(CScriptSession& s)
{
    s.Send("220 Ready\r\n");
    if (!s.ExpectAuthTls()) {
        return;
    }
    s.ExpectReply("USER anna", "331 Password required\r\n");
    s.ExpectReply("PASS secret", "230 Logged in\r\n");
    s.ExpectReply("FEAT", "502 Command not implemented\r\n");
    s.ExpectReply("PBSZ 0", "200 PBSZ=0\r\n");
    s.ExpectReply("PROT P", "200 Protection set to Private\r\n");
    s.ExpectReply("PWD", Pwd("/home/anna"));
    s.ExpectReply("PWD", Pwd("/home/anna"));
    if (s.OpenTransfer(true, "TYPE A", "NLST -alL") && s.DataStartTls()) {
        s.DataSend(FileLine("listed.txt"));
        s.DataClose();
        s.Send("226 Transfer complete\r\n");
    }
    if (s.ReadLine() == "QUIT\r\n") {
        s.Send("221 Goodbye\r\n");
        s.ExpectClosed();
    }
}

} // namespace

// The self-signed certificate is shown in the certificate dialog; "常に信頼" connects and
// stores its fingerprint for this server, and the lock beside the status line says the
// connection is encrypted. A different certificate later is a loud warning, and refusing it
// sends nothing more than AUTH TLS.
TEST_F(ConnectTest, ACertificateIsTrustedAlwaysAndAChangedOneIsRefused)
{
    Serve(ServeTlsSession);
    QString headline;
    QString fingerprint;
    QString problem;
    bool waitBoxBehind = false;
    const auto answerWith = [&](const char* button) {
        runner.answers.push_back([&, button](QDialog& dialog) {
            headline = dialog.findChild<QLabel*>("certificateHeadline")->text();
            fingerprint = dialog.findChild<QLabel*>("certificateFingerprint")->text();
            const auto* why = dialog.findChild<QLabel*>("certificateProblem");
            problem = why->text() + " / " + why->toolTip();
            // No wait box stands behind the question, looking stuck.
            for (const QWidget* box : dlg->findChildren<QWidget*>("waitDialog")) {
                waitBoxBehind = waitBoxBehind || box->isVisible();
            }
            dialog.findChild<QPushButton*>(button)->click();
            return dialog.result();
        });
    };
    AnswerLogin({.server = ServerField(), .encryption = 2});
    answerWith("trustAlwaysButton");
    Action("connectAction")->trigger();
    EXPECT_EQ(runner.ran, (QStringList{"connectDialog", "certificateDialog"}));
    EXPECT_EQ(fingerprint, Q(server->Certificate().sha256));
    EXPECT_FALSE(headline.contains("警告"));
    EXPECT_EQ(problem, "自己署名の証明書です / self-signed certificate");
    EXPECT_FALSE(waitBoxBehind);
    EXPECT_EQ(waits.texts, (QStringList{"接続中…", "接続中…"})) << "and it is back for the login";
    ExpectDisplay(true);
    EXPECT_EQ(List("remoteList")->Rows(), (QStringList{"..", "listed.txt"}));
    const auto* lock = Find<QLabel>("securityLabel");
    EXPECT_TRUE(lock->isVisible());
    EXPECT_TRUE(lock->text().contains("TLSv1.") && lock->text().contains("で暗号化"))
        << lock->text().toStdString();
    const unsigned port = server->Port();
    std::string stored = GetTrustedFingerprint("127.0.0.1", port);
    std::string shown = server->Certificate().sha256;
    std::erase(shown, ':');
    EXPECT_EQ(stored, shown);
    Action("disconnectAction")->trigger();
    EXPECT_FALSE(lock->isVisible());
    EXPECT_EQ(server->Finish(), std::vector<std::string>{});

    // The same port now shows another certificate.
    const TestCertificate other = MakeTestCertificate();
    Serve([](CScriptSession& s) {
        s.Send("220 Ready\r\n");
        static_cast<void>(s.ExpectAuthTls());
        s.WaitClosed();
    });
    ASSERT_TRUE(SetTrustedFingerprint("127.0.0.1", server->Port(), other.sha256));
    AnswerLogin({.server = ServerField(), .encryption = 1});
    answerWith("refuseButton");
    Action("connectAction")->trigger();
    EXPECT_TRUE(headline.contains("警告")) << headline.toStdString();
    ExpectDisplay(false);
    // Why in Japanese; the check's own words in the tooltip.
    EXPECT_EQ(dlg->GetStatusText(),
              "ConnectToServer に失敗: 以前に信頼した証明書と異なります (自己署名の証明書です)\r\n");
    EXPECT_EQ(Find<QLineEdit>("statusLine")->toolTip(), "self-signed certificate");
    EXPECT_EQ(Finish(), "");
    EXPECT_EQ(server->Received(), "AUTH TLS\r\n") << "no USER after a refused certificate";
    std::string kept = other.sha256;
    std::erase(kept, ':');
    EXPECT_EQ(GetTrustedFingerprint("127.0.0.1", server->Port()), kept) << "refusing stores nothing";
}

// "可能なら明示的 TLS" with a server that refuses AUTH TLS: a plain session, and the window
// says so.
TEST_F(ConnectTest, AServerRefusingTlsGetsAPlainSessionThatIsNamedSo)
{
    Serve([](CScriptSession& s) {
        s.Send("220 Ready\r\n");
        s.ExpectReply("AUTH TLS", "502 Not implemented\r\n");
        s.ExpectReply("USER anna", "331 Password required\r\n");
        s.ExpectReply("PASS secret", "230 Logged in\r\n");
        s.ExpectReply("FEAT", "502 Command not implemented\r\n");
        s.ExpectReply("PWD", Pwd("/home/anna"));
        s.ExpectReply("PWD", Pwd("/home/anna"));
        ServeListing(s, "TYPE A", FileLine("listed.txt"));
    });
    RunConnect({.encryption = 1});
    ExpectDisplay(true);
    EXPECT_EQ(dlg->GetStatusText(), "暗号化されていません: サーバーが TLS を拒否しました");
    EXPECT_TRUE(Find<QLabel>("securityLabel")->text().contains("暗号化なし (サーバーが TLS を拒否)"));
    EXPECT_TRUE(runner.ran == QStringList{"connectDialog"}) << "no certificate to ask about";
    EXPECT_EQ(Finish(), "");
}

namespace {

// Opens the list of `combo` and clicks its item `item`, as the user does with the mouse.
void ChooseByMouse(QComboBox* combo, int item)
{
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    ASSERT_TRUE(view->isVisible());
    // A release within a double-click's time of opening is taken for the opening click.
    QTest::qWait(QApplication::doubleClickInterval() + 100);
    const QPoint at = view->visualRect(view->model()->index(item, 0)).center();
    QTest::mouseMove(view->viewport(), at);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    EXPECT_FALSE(view->isVisible()) << "the list closes on the choice";
    EXPECT_EQ(combo->currentIndex(), item);
}

} // namespace

// The lists of the login dialog open and take a choice by mouse while the connect command
// runs: a pop-up is a window of its own, and one that took no input would hold the pointer
// and the keyboard of the whole desktop.
TEST_F(ConnectTest, TheLoginDialogsListsTakeAChoiceByMouseWhileTheCommandRuns)
{
    ASSERT_EQ(SaveProfile("first", {"first.example", "anna", "", "", "", {}}),
              SaveProfileResult::Saved);
    ASSERT_EQ(SaveProfile("second", {"second.example", "bob", "", "", "", {}}),
              SaveProfileResult::Saved);
    QString server;
    int encryption = -1;
    runner.answers.push_back([&](QDialog& dialog) {
        ChooseByMouse(dialog.findChild<QComboBox*>("profileCombo"), 1);
        server = dialog.findChild<QLineEdit*>("serverEdit")->text();
        auto* list = dialog.findChild<QComboBox*>("encryptionCombo");
        ChooseByMouse(list, 3);
        encryption = list->currentIndex();
        return static_cast<int>(QDialog::Rejected);
    });
    Action("connectAction")->trigger();
    EXPECT_EQ(server, "second.example") << "choosing the profile loaded it";
    EXPECT_EQ(encryption, 3);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "no pop-up is left open";
    EXPECT_EQ(runner.ran, QStringList{"connectDialog"});
}
