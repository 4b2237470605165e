// The main window against a real vsftpd on loopback: connect through the login dialog, then
// download, upload, create and delete a directory and change permissions through the
// commands, with rows selected in the panes as a user would; and the same road in the wide
// window with the keyboard alone.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QTest>

#include <filesystem>
#include <map>
#include <memory>

#include "app/window/maindlg.h"
#include "ui/widgets/panelist.h"
#include "session/transferqueue.h"
#include "settings/certificates.h"
#include "settings/settings.h"
#include "support/fakedialup.h"
#include "support/gui/scripteddialogrunner.h"
#include "support/gui/scriptedprompt.h"
#include "support/realserver.h"
#include "support/tempdir.h"

using namespace tarnwick;
using namespace tarnwick::testing;

namespace {

// Fills the named line edits of a dialog and confirms it.
CScriptedDialogRunner::Answer Fill(std::vector<std::pair<const char*, std::string>> fields)
{
    return [fields](QDialog& dialog) {
        for (const auto& [name, text] : fields) {
            auto* edit = dialog.findChild<QLineEdit*>(name);
            if (edit == nullptr) {
                ADD_FAILURE() << "no field " << name;
                return static_cast<int>(QDialog::Rejected);
            }
            edit->setText(QString::fromStdString(text));
        }
        return static_cast<int>(QDialog::Accepted);
    };
}

mode_t PermissionBits(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 07777;
}

class EndToEndTest : public ::testing::TestWithParam<bool> {
protected:
    CPaneList* List(const char* name) { return dlg->findChild<CPaneList*>(name); }
    void Select(const char* list, const QStringList& rows)
    {
        CPaneList* pane = List(list);
        pane->clearSelection();
        for (const QString& row : rows) {
            const int found = pane->FindRow(row);
            ASSERT_GE(found, 0) << row.toStdString();
            pane->SetCurrentRow(found, QItemSelectionModel::Select);
        }
    }
    std::optional<RemoteFileEntry> Entry(const std::string& displayName) const
    {
        return dlg->m_remoteFiles.FindEntry(displayName);
    }

    // 接続 with the login dialog filled in for `server`, the local pane in the scratch folder.
    void ConnectTo(const CRealFtpServer& server)
    {
        runner.answers = {Fill({{"serverEdit", server.Host() + ":" + std::to_string(server.Port())},
                                {"userEdit", server.User()},
                                {"passwordEdit", server.Password()},
                                {"localInitDirEdit", local.Path()},
                                {"remoteInitDirEdit", server.LoginDir()}})};
        dlg->ConnectCommand();
    }

    CTempStore store;
    CTempDir local;
    CScriptedPrompt prompt;
    CScriptedDialogRunner runner;
    std::unique_ptr<CMainDlg> dlg;
};

} // namespace

TEST_P(EndToEndTest, TransfersDirectoriesAndPermissionsThroughTheWindow)
{
    if (const std::string why = CVsftpdServer::SkipReason(); !why.empty()) {
        GTEST_SKIP() << why;
    }
    // The server moves bytes as they are in both types, so the files show what the client
    // did: text mode turns the server's CR LF into LF and back.
    CVsftpdServer server({.asciiConversion = false});
    ASSERT_TRUE(server.Start()) << server.Error();
    const std::string picture = RandomBytes(300000, 7);
    const std::string upload = RandomBytes(200000, 11);
    server.PutFile("pic.jpg", picture);
    server.PutFile("notes.txt", "one\r\ntwo\r\n");
    WriteWholeFile(local.File("up.bin"), upload);
    WriteWholeFile(local.File("up.html"), "<p>\nthree\n</p>\n");

    ASSERT_TRUE(SetSettingFlag("UsePASV", GetParam()));
    ASSERT_TRUE(SetSettingInt("TimeoutSeconds", 20));
    ASSERT_TRUE(SetSettingInt("QueueConnections", 0));
    SetSettingText("AutoTransferModeList", "txt html htm cgi pl");
    dlg = std::make_unique<CMainDlg>(prompt, runner);
    dlg->SetDialUpBackend(std::make_unique<CFakeDialUpBackend>());
    dlg->TransferModeAuto();

    ConnectTo(server);
    ASSERT_TRUE(dlg->m_engine.IsConnected()) << dlg->GetStatusText().toStdString();
    EXPECT_EQ(dlg->m_strRemoteDir, server.LoginDir());
    EXPECT_EQ(List("remoteList")->Rows(), QStringList({"..", "notes.txt", "pic.jpg"}));

    // Download both files: the picture in binary, the notes in text.
    Select("remoteList", {"notes.txt", "pic.jpg"});
    prompt.answers = {true};
    dlg->DownloadSelected();
    EXPECT_EQ(dlg->GetStatusText(), "ダウンロードが完了しました");
    EXPECT_TRUE(ReadWholeFile(local.File("pic.jpg")) == picture);
    EXPECT_EQ(ReadWholeFile(local.File("notes.txt")), "one\ntwo\n");

    Select("localList", {"up.bin", "up.html"});
    prompt.answers = {true};
    dlg->UploadSelected();
    EXPECT_EQ(dlg->GetStatusText(), "アップロードが完了しました");
    EXPECT_TRUE(server.ReadFile("up.bin") == upload);
    EXPECT_EQ(server.ReadFile("up.html"), "<p>\r\nthree\r\n</p>\r\n");
    EXPECT_TRUE(List("remoteList")->Rows().contains("up.html"));

    // A remote directory made and deleted through the commands.
    dlg->ActivateRemotePane();
    runner.answers = {Fill({{"createDirName", "made"}})};
    dlg->CreateDirectoryCommand();
    EXPECT_TRUE(std::filesystem::is_directory(server.PathOf("made")));
    ASSERT_TRUE(List("remoteList")->Rows().contains("<made>"));
    Select("remoteList", {"<made>"});
    prompt.answers = {true};
    dlg->DeleteCommand();
    EXPECT_FALSE(std::filesystem::exists(server.PathOf("made")));
    EXPECT_FALSE(List("remoteList")->Rows().contains("<made>"));
    EXPECT_EQ(dlg->GetStatusText(), "削除が完了しました");

    // Others lose read, the group gains write: 644 becomes 660.
    ASSERT_TRUE(Entry("notes.txt").has_value());
    EXPECT_EQ(Entry("notes.txt")->permissions, "-rw-r--r--");
    Select("remoteList", {"notes.txt"});
    runner.answers = {[](QDialog& dialog) {
        dialog.findChild<QCheckBox*>("groupWrite")->click();
        dialog.findChild<QCheckBox*>("allRead")->click();
        return static_cast<int>(QDialog::Accepted);
    }};
    dlg->ChangeAttributesCommand();
    EXPECT_TRUE(dlg->GetStatusText().startsWith("200 ")) << dlg->GetStatusText().toStdString();
    ASSERT_TRUE(Entry("notes.txt").has_value());
    EXPECT_EQ(Entry("notes.txt")->permissions, "-rw-rw----");
    EXPECT_EQ(PermissionBits(server.PathOf("notes.txt")), 0660u);

    EXPECT_EQ(runner.unexpected, 0);
    EXPECT_TRUE(prompt.messages.isEmpty()) << prompt.messages.join("|").toStdString();
    dlg->DisconnectCommand();
    EXPECT_EQ(dlg->GetStatusText().left(4), "221 ");
}

// A fresh store's settings, as a new user has them: a folder of pictures, archives and text
// goes up and comes back byte for byte (a fresh store moves every file in バイナリ), and the
// server holds the same bytes.
TEST_P(EndToEndTest, AMixedTreeMakesTheRoundTripUnchangedOnAFreshStore)
{
    if (const std::string why = CVsftpdServer::SkipReason(); !why.empty()) {
        GTEST_SKIP() << why;
    }
    CVsftpdServer server({.asciiConversion = false});
    ASSERT_TRUE(server.Start()) << server.Error();
    // Bytes of every value (CR and LF among them) under picture and archive names, and text
    // with LF line ends; a level below too.
    std::map<std::string, std::string> files;
    for (unsigned i = 0; i < 6; ++i) {
        files["site/pic" + std::to_string(i) + ".png"] = "\x89PNG\r\n\x1a\n" + RandomBytes(4000 + i, i);
        files["site/a/photo" + std::to_string(i) + ".jpg"] = RandomBytes(3000 + i, 20 + i);
        files["site/a/b/pack" + std::to_string(i) + ".zip"] = "PK\x03\x04" + RandomBytes(2000, 40 + i);
        files["site/note" + std::to_string(i) + ".txt"] = "line one\nline two\n";
    }
    std::filesystem::create_directories(local.File("site/a/b"));
    for (const auto& [name, bytes] : files) {
        WriteWholeFile(local.File(name), bytes);
    }
    ASSERT_TRUE(SetSettingFlag("UsePASV", GetParam()));
    ASSERT_TRUE(SetSettingInt("TimeoutSeconds", 20));
    ASSERT_TRUE(SetSettingInt("QueueConnections", 0));
    dlg = std::make_unique<CMainDlg>(prompt, runner);
    dlg->SetDialUpBackend(std::make_unique<CFakeDialUpBackend>());
    ConnectTo(server);
    ASSERT_TRUE(dlg->m_engine.IsConnected()) << dlg->GetStatusText().toStdString();

    Select("localList", {"<site>"});
    prompt.answers = {true};
    dlg->UploadSelected();
    ASSERT_EQ(dlg->GetStatusText(), "アップロードが完了しました");
    std::filesystem::rename(local.File("site"), local.File("sent"));
    static_cast<void>(dlg->Session().RefreshLocal());
    Select("remoteList", {"<site>"});
    prompt.answers = {true};
    dlg->DownloadSelected();
    ASSERT_EQ(dlg->GetStatusText(), "ダウンロードが完了しました");

    int changedOnServer = 0;
    int changedBack = 0;
    for (const auto& [name, bytes] : files) {
        changedOnServer += server.ReadFile(name) == bytes ? 0 : 1;
        changedBack += ReadWholeFile(local.File(name)) == bytes ? 0 : 1;
    }
    EXPECT_EQ(changedOnServer, 0);
    EXPECT_EQ(changedBack, 0);
    EXPECT_TRUE(prompt.cautions.isEmpty());
}

// With the transfer queue (a fresh store's two connections) against a slowed-down server: a
// download moves in the background while the window enters a local folder, lists a server
// folder and starts an upload; quitting meanwhile asks first; the pane that shows the upload's
// folder is listed again when it is done.
TEST_P(EndToEndTest, TheWindowWorksWhileTheQueueMovesFiles)
{
    if (const std::string why = CVsftpdServer::SkipReason(); !why.empty()) {
        GTEST_SKIP() << why;
    }
    CVsftpdServer server({.maxRate = 512 * 1024});
    ASSERT_TRUE(server.Start()) << server.Error();
    const std::string big = RandomBytes(3 * 1024 * 1024, 3);
    const std::string upload = RandomBytes(100000, 5);
    server.PutFile("big.bin", big);
    server.PutDir("sub");
    server.PutFile("sub/x.txt", "x");
    std::filesystem::create_directory(local.File("inner"));
    WriteWholeFile(local.File("inner/up.bin"), upload);
    ASSERT_TRUE(SetSettingFlag("UsePASV", GetParam()));
    ASSERT_TRUE(SetSettingInt("TimeoutSeconds", 20));
    dlg = std::make_unique<CMainDlg>(prompt, runner);
    dlg->SetDialUpBackend(std::make_unique<CFakeDialUpBackend>());
    ConnectTo(server);
    ASSERT_TRUE(dlg->m_engine.IsConnected()) << dlg->GetStatusText().toStdString();
    ASSERT_TRUE(dlg->m_pQueue);

    Select("remoteList", {"big.bin"});
    prompt.answers = {true};
    dlg->DownloadSelected();
    EXPECT_EQ(dlg->GetStatusText(), "1 個のファイルを転送キューに追加しました");
    const auto bigItem = [this] {
        const std::vector<QueueItem> items = dlg->m_pQueue->Items();
        return items.empty() ? QueueItem() : items.front();
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return bigItem().moved > 0; }, 10000));
    // What moves is not deleted under the transfer.
    dlg->ActivateRemotePane();
    Select("remoteList", {"big.bin"});
    prompt.answers = {true};
    dlg->DeleteCommand();
    EXPECT_TRUE(dlg->GetStatusText().contains("転送中のため削除できません"))
        << dlg->GetStatusText().toStdString();
    EXPECT_TRUE(std::filesystem::exists(server.PathOf("big.bin")));

    // Meanwhile: into a local folder, into a server folder, and an upload from there to there.
    Select("localList", {"<inner>"});
    dlg->RunCommand(&CMainDlg::OpenLocalItem);
    EXPECT_EQ(dlg->m_strLocalDir, local.File("inner"));
    Select("remoteList", {"<sub>"});
    dlg->RunCommand(&CMainDlg::OpenRemoteItem);
    EXPECT_EQ(List("remoteList")->Rows(), QStringList({"..", "x.txt"}));
    Select("localList", {"up.bin"});
    prompt.answers = {true};
    dlg->UploadSelected();
    // Quitting now asks, and no keeps the window and the transfers.
    prompt.answers = {false};
    dlg->ExitCommand();
    ASSERT_EQ(prompt.cautions.size(), 1);
    EXPECT_TRUE(prompt.cautions.front().contains("転送中のファイルがあります"));
    EXPECT_EQ(bigItem().state, QueueItem::State::Running) << "all of it before the download ends";
    EXPECT_TRUE(dlg->m_engine.IsConnected());

    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg->m_pQueue->Pending() == 0; }, 30000));
    for (const QueueItem& item : dlg->m_pQueue->Items()) {
        EXPECT_EQ(item.state, QueueItem::State::Done) << item.request.remotePath << ": " << item.why;
    }
    EXPECT_TRUE(ReadWholeFile(local.File("big.bin")) == big);
    EXPECT_TRUE(server.ReadFile("sub/up.bin") == upload);
    EXPECT_TRUE(QTest::qWaitFor([&] { return List("remoteList")->Rows().contains("up.bin"); },
                                5000));
    dlg->DisconnectCommand();
    EXPECT_EQ(prompt.cautions.size(), 1) << "nothing left to ask about";
}

// A file in the way is asked about at its turn, naming it, while the other connection's
// download keeps moving; the answer replaces only that file.
TEST_P(EndToEndTest, TheQueueAsksAboutAFileWhileAnotherMoves)
{
    if (const std::string why = CVsftpdServer::SkipReason(); !why.empty()) {
        GTEST_SKIP() << why;
    }
    CVsftpdServer server({.maxRate = 512 * 1024});
    ASSERT_TRUE(server.Start()) << server.Error();
    const std::string big = RandomBytes(2 * 1024 * 1024, 7);
    server.PutFile("big.bin", big);
    server.PutFile("note.txt", "the server's note");
    WriteWholeFile(local.File("note.txt"), "my note");
    ASSERT_TRUE(SetSettingFlag("UsePASV", GetParam()));
    dlg = std::make_unique<CMainDlg>(prompt, runner);
    dlg->SetDialUpBackend(std::make_unique<CFakeDialUpBackend>());
    ConnectTo(server);
    ASSERT_TRUE(dlg->m_pQueue);
    const auto movedOfBig = [this] {
        for (const QueueItem& item : dlg->m_pQueue->Items()) {
            if (item.request.remotePath.ends_with("big.bin")) {
                return item.moved;
            }
        }
        return std::int64_t{0};
    };
    Select("remoteList", {"big.bin"});
    prompt.answers = {true};
    dlg->DownloadSelected();
    ASSERT_TRUE(QTest::qWaitFor([&] { return movedOfBig() > 0; }, 10000));

    bool movedWhileAsked = false;
    bool shownAsAsking = false;
    prompt.whileChoosing = [&] {
        for (const QueueItem& item : dlg->m_pQueue->Items()) {
            shownAsAsking = shownAsAsking || (item.asking && item.request.remotePath.ends_with("note.txt"));
        }
        const std::int64_t before = movedOfBig();
        movedWhileAsked = QTest::qWaitFor([&] { return movedOfBig() > before; }, 5000);
    };
    prompt.choices = {{0, false}}; // 上書き
    Select("remoteList", {"note.txt"});
    prompt.answers = {true};
    dlg->DownloadSelected();
    EXPECT_EQ(dlg->GetStatusText(), "1 個のファイルを転送キューに追加しました")
        << "queued without asking: the question comes at its turn";
    ASSERT_TRUE(QTest::qWaitFor([&] { return prompt.choices.empty(); }, 10000));
    EXPECT_TRUE(movedWhileAsked);
    EXPECT_TRUE(shownAsAsking);
    ASSERT_FALSE(prompt.questions.isEmpty());
    EXPECT_TRUE(prompt.questions.back().startsWith("note.txt\n")) << prompt.questions.back().toStdString();
    EXPECT_EQ(prompt.offered.back(), "上書き/スキップ+all") << "big.bin still moves";
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg->m_pQueue->Pending() == 0; }, 30000));
    EXPECT_EQ(ReadWholeFile(local.File("note.txt")), "the server's note");
    EXPECT_TRUE(ReadWholeFile(local.File("big.bin")) == big);
}

// Over TLS the queue's connections speak TLS too and take the certificate the user trusted
// for this server, and no other.
TEST_P(EndToEndTest, TheQueueUsesTheConnectionsTlsAndCertificate)
{
    if (const std::string why = CVsftpdServer::SkipReason(); !why.empty()) {
        GTEST_SKIP() << why;
    }
    CRealFtpServer::Options options;
    options.tls = true;
    CVsftpdServer server(options);
    ASSERT_TRUE(server.Start()) << server.Error();
    const std::string bytes = RandomBytes(200000, 9);
    server.PutFile("secret.bin", bytes);
    ASSERT_TRUE(SetSettingFlag("UsePASV", GetParam()));
    ASSERT_TRUE(SetSettingInt("TimeoutSeconds", 20));
    ASSERT_TRUE(SetTrustedFingerprint(server.Host(), server.Port(), server.Certificate().sha256));
    dlg = std::make_unique<CMainDlg>(prompt, runner);
    dlg->SetDialUpBackend(std::make_unique<CFakeDialUpBackend>());
    ConnectTo(server);
    ASSERT_TRUE(dlg->m_engine.IsEncrypted()) << dlg->GetStatusText().toStdString();

    Select("remoteList", {"secret.bin"});
    prompt.answers = {true};
    dlg->DownloadSelected();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg->m_pQueue->Pending() == 0; }, 20000));
    const std::vector<QueueItem> items = dlg->m_pQueue->Items();
    ASSERT_EQ(items.size(), 1U);
    EXPECT_EQ(items.front().state, QueueItem::State::Done) << items.front().why;
    EXPECT_TRUE(ReadWholeFile(local.File("secret.bin")) == bytes);
    // The queue's connection said AUTH TLS, in the log as connection 2.
    bool secured = false;
    for (const ConversationLine& line : dlg->m_conversation.Since(0)) {
        secured = secured || (line.connection == 2 && line.text == "AUTH TLS");
    }
    EXPECT_TRUE(secured);
    EXPECT_EQ(runner.unexpected, 0) << "no certificate question for the queue";
    dlg->DisconnectCommand();
}

INSTANTIATE_TEST_SUITE_P(Modes, EndToEndTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Passive" : "Active";
                         });

namespace {

// The window the keys go to, active as under a window manager (offscreen, a wait box that
// came and went leaves no window active).
void Activate(QWidget* window)
{
    if (!window->isActiveWindow()) {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([window] { return window->isActiveWindow(); }, 5000));
    }
}

// Presses `key` where the focus is.
void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    QTest::keyClick(focus, static_cast<Qt::Key>(key), modifiers);
}

QString FocusName()
{
    return QApplication::focusWidget() != nullptr ? QApplication::focusWidget()->objectName()
                                                  : QString();
}

} // namespace

TEST_P(EndToEndTest, TheWideWindowWithTheKeyboardOnly)
{
    if (const std::string why = CVsftpdServer::SkipReason(); !why.empty()) {
        GTEST_SKIP() << why;
    }
    CVsftpdServer server;
    ASSERT_TRUE(server.Start()) << server.Error();
    server.PutDir("sub");
    server.PutFile("sub/inner.txt", "inner\r\n");
    server.PutSymlink("linkdir", "sub");
    server.PutFile("top.txt", "top\r\n");
    WriteWholeFile(local.File("up.txt"), "one\ntwo\n");

    ASSERT_TRUE(SetSettingFlag("UsePASV", GetParam()));
    ASSERT_TRUE(SetSettingInt("TimeoutSeconds", 20));
    ASSERT_TRUE(SetSettingInt("QueueConnections", 0));
    // In text mode, chosen as a user of an earlier version did (a fresh store is binary).
    ASSERT_TRUE(SetSettingFlag("AutoTransferMode", false));
    dlg = std::make_unique<CMainDlg>(prompt, runner);
    dlg->SetDialUpBackend(std::make_unique<CFakeDialUpBackend>());
    dlg->resize(1200, 800);
    dlg->show();
    dlg->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get(), 5000));
    ASSERT_TRUE(dlg->IsWideLayout());

    // Ctrl+O, then the login typed field by field and confirmed with Enter.
    const std::string address = server.Host() + ":" + std::to_string(server.Port());
    runner.answers = {[&](QDialog& dialog) {
        const struct {
            const char* field;
            std::string text;
        } fields[] = {{"serverEdit", address},
                      {"userEdit", server.User()},
                      {"passwordEdit", server.Password()},
                      {"localInitDirEdit", local.Path()},
                      {"remoteInitDirEdit", server.LoginDir()}};
        for (const auto& entry : fields) {
            auto* edit = dialog.findChild<QLineEdit*>(entry.field);
            edit->clear();
            QTest::keyClicks(edit, QString::fromStdString(entry.text));
        }
        QTest::keyClick(dialog.findChild<QLineEdit*>("remoteInitDirEdit"), Qt::Key_Return);
        return dialog.result();
    }};
    Press(Qt::Key_O, Qt::ControlModifier);
    ASSERT_TRUE(dlg->m_engine.IsConnected()) << dlg->GetStatusText().toStdString();
    Activate(dlg.get());
    ASSERT_EQ(List("remoteList")->Rows(), QStringList({"..", "<sub>", "linkdir", "top.txt"}));

    // From the local list back to the remote one: field, upload, download, list.
    ASSERT_EQ(FocusName(), "localList");
    for (int i = 0; i < 4; ++i) {
        Press(Qt::Key_Backtab);
    }
    ASSERT_EQ(FocusName(), "remoteList");
    // Into the link to the directory, and back up.
    Press(Qt::Key_Home);
    Press(Qt::Key_Down);
    Press(Qt::Key_Down);
    Press(Qt::Key_Return);
    Activate(dlg.get());
    EXPECT_EQ(dlg->m_strRemoteDir, server.LoginDir() + "/linkdir");
    EXPECT_EQ(List("remoteList")->Rows(), QStringList({"..", "inner.txt"}));
    Press(Qt::Key_Backspace);
    Activate(dlg.get());
    EXPECT_EQ(dlg->m_strRemoteDir, server.LoginDir());

    // Into sub; inner.txt down with Ctrl+G.
    Press(Qt::Key_Home);
    Press(Qt::Key_Down);
    Press(Qt::Key_Return);
    Activate(dlg.get());
    EXPECT_EQ(dlg->m_strRemoteDir, server.LoginDir() + "/sub");
    Press(Qt::Key_End);
    prompt.answers = {true};
    Press(Qt::Key_G, Qt::ControlModifier);
    Activate(dlg.get());
    EXPECT_EQ(dlg->GetStatusText(), "ダウンロードが完了しました");
    EXPECT_EQ(ReadWholeFile(local.File("inner.txt")), "inner\n");

    // Over to the local list; up.txt (the last row) up with Ctrl+U, in text mode.
    for (int i = 0; i < 4; ++i) {
        Press(Qt::Key_Tab);
    }
    ASSERT_EQ(FocusName(), "localList");
    Press(Qt::Key_End);
    prompt.answers = {true};
    Press(Qt::Key_U, Qt::ControlModifier);
    Activate(dlg.get());
    EXPECT_EQ(dlg->GetStatusText(), "アップロードが完了しました");
    EXPECT_EQ(server.ReadFile("sub/up.txt"), "one\ntwo\n");

    // Back to the remote list; up.txt deleted with Delete.
    for (int i = 0; i < 4; ++i) {
        Press(Qt::Key_Backtab);
    }
    ASSERT_EQ(FocusName(), "remoteList");
    Press(Qt::Key_End);
    ASSERT_EQ(List("remoteList")->CurrentRowText(), "up.txt");
    prompt.answers = {true};
    Press(Qt::Key_Delete);
    EXPECT_EQ(dlg->GetStatusText(), "削除が完了しました");
    EXPECT_FALSE(std::filesystem::exists(server.PathOf("sub/up.txt")));
    EXPECT_EQ(prompt.questions,
              QStringList({"1 個のファイルをダウンロードしますか？",
                           "1 個のファイルをアップロードしますか？",
                           "1 個のファイルまたは\nディレクトリを削除しますか？\n\nup.txt"}));
    EXPECT_TRUE(prompt.messages.isEmpty()) << prompt.messages.join("|").toStdString();
    Press(Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(dlg->isVisible());
}
