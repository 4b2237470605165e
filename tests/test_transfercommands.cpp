// Download and upload of the selected rows against the scripted server.
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <filesystem>

#include <QAction>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QPushButton>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include <memory>

#include "filecommandtest.h"
#include "ftp/progresssink.h"
#include "ui/widgets/waitdlg.h"

using namespace tarnwick;
using namespace tarnwick::testing;

namespace {

// The overwrite question names the file on its first line.
QString Overwrite(const QString& name)
{
    return name + "\nそのファイルはすでに存在します。\n上書きしますか？";
}

// The questions without what follows an empty line (the files' sizes and times).
QStringList Heads(const QStringList& questions)
{
    QStringList heads;
    for (const QString& question : questions) {
        heads << question.section(QStringLiteral("\n\n"), 0, 0);
    }
    return heads;
}

class CRecordingSink : public CProgressSink {
public:
    void Begin(const std::string&) override {}
    void Update(const std::string& text, std::int64_t, std::int64_t) override
    {
        texts.push_back(text);
    }
    void End() override {}
    std::vector<std::string> texts;
};

class TransferCommandTest : public FileCommandTest {};

} // namespace

TEST_F(TransferCommandTest, NothingSelectedOrAnsweredNoAsksOrMovesNothingMore)
{
    const std::string listing = FileLine("a.txt");
    Connect([](CScriptSession&) {}, listing);
    WriteWholeFile(local.File("up.txt"), "x");
    static_cast<void>(RefreshLocalPane(*List("localList"), local.Path()));
    const QStringList remoteRows = List("remoteList")->Rows();

    dlg->DownloadSelected();
    dlg->UploadSelected();
    EXPECT_TRUE(prompt.asked.isEmpty());

    Select("remoteList", {"a.txt"});
    Select("localList", {"up.txt"});
    prompt.answers = {false, false};
    dlg->DownloadSelected();
    dlg->UploadSelected();
    EXPECT_EQ(prompt.questions, QStringList({"1 個のファイルをダウンロードしますか？",
                                             "1 個のファイルをアップロードしますか？"}));
    EXPECT_TRUE(statuses.isEmpty());
    EXPECT_FALSE(std::filesystem::exists(local.File("a.txt")));
    EXPECT_EQ(List("remoteList")->Rows(), remoteRows);
    EXPECT_EQ(Finish(), "");
    EXPECT_EQ(server->Received(), "");
}

// A directory row goes with everything below it: made on the other side, every level listed
// first and then moved (each folder before its files, its files before its folders), the
// server left in the folder shown, one status text for the whole command.
TEST_F(TransferCommandTest, DirectoryRowsMoveAsWholeTrees)
{
    std::filesystem::create_directories(local.File("docs/deeper"));
    WriteWholeFile(local.File("docs/b.bin"), "bbbbb");
    Connect(
        [](CScriptSession& s) {
            s.ExpectReply("PWD", "257 \"/pub\"\r\n");
            s.ExpectReply("CWD /pub/doc", "250 ok\r\n");
            ServeListing(s, "TYPE A", FileLine("a.txt", "3") + DirLine("empty"));
            s.ExpectReply("CWD /pub/doc/empty", "250 ok\r\n");
            ServeListing(s, "TYPE A", "");
            ServeRetr(s, "TYPE A", "/pub/doc/a.txt", "abc");
            s.ExpectReply("CWD /pub", "250 ok\r\n");

            s.ExpectReply("PWD", "257 \"/pub\"\r\n");
            s.ExpectReply("MKD /pub/docs", "257 \"/pub/docs\" created\r\n");
            ServeStor(s, "TYPE A", "/pub/docs/b.bin"); // the type the engine was left in
            s.ExpectReply("MKD /pub/docs/deeper", "257 created\r\n");
            s.ExpectReply("CWD /pub", "250 ok\r\n");
            ServeListing(s, "TYPE A", DirLine("doc") + DirLine("docs"));
        },
        DirLine("doc"));

    Select("remoteList", {"<doc>"});
    prompt.answers = {true};
    dlg->DownloadSelected();
    EXPECT_EQ(ReadWholeFile(local.File("doc/a.txt")), "abc");
    EXPECT_TRUE(std::filesystem::is_directory(local.File("doc/empty")));
    EXPECT_TRUE(List("localList")->Rows().contains("<doc>"));

    Select("localList", {"<docs>"});
    prompt.answers = {true};
    dlg->UploadSelected();
    EXPECT_EQ(List("remoteList")->Rows(), QStringList({"..", "<doc>", "<docs>"}));

    EXPECT_EQ(prompt.questions, QStringList({"1 個のファイルをダウンロードしますか？",
                                             "1 個のファイルをアップロードしますか？"}));
    EXPECT_EQ(statuses, QStringList({"ダウンロードが完了しました", "アップロードが完了しました"}));
    EXPECT_EQ(Finish(), "");
    EXPECT_EQ(server->DataReceived(), "bbbbb");
}

TEST_F(TransferCommandTest, AtTheRemoteRootTheNameFollowsTheSlash)
{
    CRecordingSink sink;
    WriteWholeFile(local.File("up.bin"), std::string(7, 'u'));
    Connect(
        [](CScriptSession& s) {
            ServeRetr(s, "TYPE I", "/a.bin", "12345");
            ServeStor(s, "TYPE I", "up.bin");
            ServeListing(s, "TYPE I", FileLine("a.bin", "5") + FileLine("up.bin", "7"));
        },
        FileLine("a.bin", "5"), "/");
    dlg->m_engine.SetProgressSink(&sink);
    dlg->TransferModeBinary();

    Select("remoteList", {"a.bin"});
    prompt.answers = {true, true};
    dlg->DownloadSelected();
    EXPECT_EQ(ReadWholeFile(local.File("a.bin")), "12345");
    Select("localList", {"up.bin"});
    dlg->UploadSelected();

    EXPECT_EQ(statuses, QStringList({"/a.bin のダウンロードが正常に終了しました",
                                     "ダウンロードが完了しました",
                                     QString::fromStdString(local.File("up.bin")) +
                                         " のアップロードが正常に終了しました",
                                     "アップロードが完了しました"}));
    // The expected sizes: the listing's size column, the local file's length.
    EXPECT_EQ(sink.texts.front(), ".../a.bin\n5/5");
    EXPECT_NE(std::find(sink.texts.begin(), sink.texts.end(), "...up.bin\n7/7"), sink.texts.end());
    EXPECT_EQ(Finish(), "");
    EXPECT_EQ(server->DataReceived(), std::string(7, 'u'));
}

TEST_F(TransferCommandTest, WithCheckOverwriteOffNothingIsAsked)
{
    WriteWholeFile(local.File("a.txt"), "old\n");
    Connect(
        [](CScriptSession& s) {
            ServeRetr(s, "TYPE A", "/pub/a.txt", "new\r\n");
            ServeStor(s, "TYPE A", "a.txt");
            ServeListing(s, "TYPE A", FileLine("a.txt"));
        },
        FileLine("a.txt"));
    Select("remoteList", {"a.txt"});
    prompt.answers = {true, true};
    dlg->DownloadSelected();
    Select("localList", {"a.txt"});
    dlg->UploadSelected();
    EXPECT_EQ(prompt.questions, QStringList({"1 個のファイルをダウンロードしますか？",
                                             "1 個のファイルをアップロードしますか？"}));
    EXPECT_EQ(ReadWholeFile(local.File("a.txt")), "new\n") << "text mode: CR LF became LF";
    EXPECT_EQ(Finish(), "");
    EXPECT_EQ(server->DataReceived(), "new\r\n");
}

TEST_F(TransferCommandTest, DownloadAnsweredNoIsSkippedSilentlyAndTheOthersProceed)
{
    ASSERT_TRUE(SetSettingFlag("CheckOverwrite", true));
    WriteWholeFile(local.File("a.txt"), "keep");
    Connect(
        [](CScriptSession& s) {
            ServeRetr(s, "TYPE A", "/pub/b.txt", "b");
            ServeRetr(s, "TYPE A", "/pub/c.txt", "c");
        },
        FileLine("a.txt") + FileLine("b.txt") + FileLine("c.txt"));
    WriteWholeFile(local.File("c.txt"), "old");
    Select("remoteList", {"a.txt", "b.txt", "c.txt"});
    prompt.answers = {true, false, true};
    dlg->DownloadSelected();

    EXPECT_EQ(Heads(prompt.questions),
              QStringList({"3 個のファイルをダウンロードしますか？", Overwrite("a.txt"),
                           Overwrite("c.txt")}));
    EXPECT_EQ(statuses, QStringList({"/pub/b.txt のダウンロードが正常に終了しました",
                                     "/pub/c.txt のダウンロードが正常に終了しました",
                                     "ダウンロードが完了しました"}));
    EXPECT_EQ(ReadWholeFile(local.File("a.txt")), "keep");
    EXPECT_EQ(ReadWholeFile(local.File("b.txt")), "b");
    EXPECT_EQ(ReadWholeFile(local.File("c.txt")), "c");
    EXPECT_EQ(Finish(), "");
}

TEST_F(TransferCommandTest, UploadAsksOnlyForAnExactFileNameOfTheLastListing)
{
    ASSERT_TRUE(SetSettingFlag("CheckOverwrite", true));
    for (const char* name : {"docs", "readme.txt", "same.txt", "kept.txt"}) {
        WriteWholeFile(local.File(name), name);
    }
    Connect(
        [](CScriptSession& s) {
            for (const char* name : {"docs", "readme.txt", "same.txt"}) {
                ServeStor(s, "TYPE A", name);
            }
            ServeListing(s, "TYPE A", FileLine("same.txt"));
        },
        DirLine("docs") + FileLine("README.TXT") + FileLine("same.txt") + FileLine("kept.txt"));
    Select("localList", {"docs", "kept.txt", "readme.txt", "same.txt"});
    // The count, then kept.txt (No) and same.txt (Yes).
    prompt.answers = {true, false, true};
    dlg->UploadSelected();
    EXPECT_EQ(Heads(prompt.questions),
              QStringList({"4 個のファイルをアップロードしますか？", Overwrite("kept.txt"),
                           Overwrite("same.txt")}));
    EXPECT_EQ(Finish(), "");
    EXPECT_EQ(server->DataReceived(), "docsreadme.txtsame.txt");
}

TEST_F(TransferCommandTest, AutoModeTypesEachFileByItsEndingAndTheLastTypeStays)
{
    SetSettingText("AutoTransferModeList", "txt html htm cgi pl");
    WriteWholeFile(local.File("a.bin"), "\x01\x02\n");
    WriteWholeFile(local.File("b.pl"), "print\n");
    Connect(
        [](CScriptSession& s) {
            ServeRetr(s, "TYPE I", "/pub/a.jpg", "J\r\nPG");
            ServeRetr(s, "TYPE A", "/pub/a.txt", "one\r\ntwo\r\n");
            ServeStor(s, "TYPE I", "a.bin");
            ServeStor(s, "TYPE A", "b.pl");
            ServeListing(s, "TYPE A", FileLine("a.bin"));
            ServeStor(s, "TYPE I", "a.bin");
            // The listing after a.bin goes in a.bin's type.
            ServeListing(s, "TYPE I", FileLine("a.bin"));
        },
        // A binary download must bring the listed size.
        FileLine("a.txt") + FileLine("a.jpg", "5"));
    dlg->TransferModeAuto();
    ASSERT_TRUE(GetSettingFlag("AutoTransferMode"));

    Select("remoteList", {"a.jpg", "a.txt"});
    prompt.answers = {true, true, true};
    dlg->DownloadSelected();
    EXPECT_EQ(ReadWholeFile(local.File("a.jpg")), "J\r\nPG");
    EXPECT_EQ(ReadWholeFile(local.File("a.txt")), "one\ntwo\n");

    Select("localList", {"a.bin", "b.pl"});
    dlg->UploadSelected();
    Select("localList", {"a.bin"});
    dlg->UploadSelected();

    EXPECT_EQ(Finish(), "");
    EXPECT_EQ(server->DataReceived(), "\x01\x02\nprint\r\n\x01\x02\n");
}

TEST_F(TransferCommandTest, TypedPathsAreShownFirstAndNothingMovesUntilChosenAgain)
{
    // The rows on screen are those of /pub and the scratch folder; the fields name others.
    CTempDir other;
    WriteWholeFile(other.File("b.txt"), "b");
    Connect(
        [](CScriptSession& s) {
            s.ExpectReply("CWD /elsewhere", "250 ok\r\n");
            s.ExpectReply("PWD", "257 \"/elsewhere\" is the current directory\r\n");
            ServeListing(s, "TYPE A", FileLine("a.txt"));
            ServeRetr(s, "TYPE A", "/elsewhere/a.txt", "a");
        },
        FileLine("a.txt"));
    Field("localDirEdit")->setText(QString::fromStdString(other.Path()));
    Field("remoteDirEdit")->setText("/elsewhere");
    Select("remoteList", {"a.txt"});
    dlg->DownloadSelected();
    EXPECT_TRUE(prompt.asked.isEmpty()) << "nothing is asked: nothing moves";
    EXPECT_FALSE(std::filesystem::exists(other.File("a.txt")));
    EXPECT_FALSE(std::filesystem::exists(local.File("a.txt")));
    EXPECT_EQ(List("localList")->Rows(), QStringList({"..", "b.txt"}));
    EXPECT_EQ(List("remoteList")->Rows(), QStringList({"..", "a.txt"}));
    EXPECT_TRUE(List("remoteList")->SelectedRowTexts().empty());
    EXPECT_EQ(Field("remoteDirEdit")->text(), "/elsewhere");
    EXPECT_EQ(dlg->m_strLocalDir, other.Path());

    // Chosen again, the rows on screen are those the command acts on.
    Select("remoteList", {"a.txt"});
    prompt.answers = {true};
    dlg->DownloadSelected();
    EXPECT_EQ(ReadWholeFile(other.File("a.txt")), "a");
    EXPECT_EQ(Finish(), "");
}

TEST_F(TransferCommandTest, UnsafeRemoteNamesAreNeverWrittenLocallyAndTheOthersGo)
{
    // The local directory is a folder below the scratch folder, so "../x" would land in it.
    const std::string down = local.File("down");
    std::filesystem::create_directory(down);
    Connect([](CScriptSession& s) { ServeRetr(s, "TYPE A", "/pub/ok.txt", "ok"); },
            FileLine("../x") + FileLine("a/b") + FileLine("ok.txt"), "/pub", down);
    const QStringList rows = List("remoteList")->Rows();
    ASSERT_EQ(rows, QStringList({"..", "../x", "a/b", "ok.txt"}));
    Select("remoteList", rows);
    prompt.answers = {true};
    dlg->DownloadSelected();

    EXPECT_EQ(prompt.questions, QStringList({"4 個のファイルをダウンロードしますか？"}));
    // The pane's own ".." row is no item. The failure text for "../x" and "a/b" (one change
    // of the line), then ok.txt; the end names the failures instead of claiming success.
    EXPECT_EQ(statuses, QStringList({"ダウンロードに失敗しました",
                                     "/pub/ok.txt のダウンロードが正常に終了しました",
                                     "3 個中 2 個のダウンロードに失敗しました: ../x "
                                     "(ローカルに置けない名前)、a/b"}));
    EXPECT_EQ(ReadWholeFile(down + "/ok.txt"), "ok");
    std::vector<std::string> everything;
    for (const auto& item : std::filesystem::recursive_directory_iterator(local.Path())) {
        everything.push_back(item.path().lexically_relative(local.Path()).string());
    }
    std::sort(everything.begin(), everything.end());
    EXPECT_EQ(everything, (std::vector<std::string>{"down", "down/ok.txt"}));
    EXPECT_EQ(Finish(), "");
}

TEST_F(TransferCommandTest, FailedFilesAreNamedAtTheEndAndTheOthersArrive)
{
    WriteWholeFile(local.File("x.bin"), "x");
    WriteWholeFile(local.File("y.bin"), "y");
    Connect(
        [](CScriptSession& s) {
            ServeRetr(s, "TYPE I", "/pub/a.bin", "a");
            s.ExpectReply("TYPE I", "200 ok\r\n");
            s.Expect("PASV");
            s.ReplyPasv();
            s.ExpectReply("RETR /pub/b.bin", "550 Failed to open file.\r\n");
            ServeRetr(s, "TYPE I", "/pub/c.bin", "c");
            ServeStor(s, "TYPE I", "x.bin");
            s.ExpectReply("TYPE I", "200 ok\r\n");
            s.Expect("PASV");
            s.ReplyPasv();
            s.ExpectReply("STOR y.bin", "553 Could not create file.\r\n");
            ServeListing(s, "TYPE I", FileLine("x.bin"));
        },
        FileLine("a.bin", "1") + FileLine("b.bin", "1") + FileLine("c.bin", "1"));
    dlg->TransferModeBinary();
    Select("remoteList", {"a.bin", "b.bin", "c.bin"});
    prompt.answers = {true};
    dlg->DownloadSelected();
    EXPECT_EQ(dlg->GetStatusText(),
              "3 個中 1 個のダウンロードに失敗しました: b.bin (550 Failed to open file.)");
    EXPECT_EQ(ReadWholeFile(local.File("a.bin")), "a");
    EXPECT_EQ(ReadWholeFile(local.File("c.bin")), "c");
    EXPECT_FALSE(std::filesystem::exists(local.File("b.bin")));

    Select("localList", {"x.bin", "y.bin"});
    prompt.answers = {true};
    dlg->UploadSelected();
    EXPECT_EQ(dlg->GetStatusText(),
              "2 個中 1 個のアップロードに失敗しました: y.bin (553 Could not create file.)");
    EXPECT_EQ(Finish(), "");
    EXPECT_EQ(server->DataReceived(), "x");
}

TEST_F(TransferCommandTest, ClicksQueuedDuringATransferDoNotRunAfterIt)
{
    const std::string data(600 * 1024, 'd');
    std::vector<std::string> pieces(6, std::string(100 * 1024, 'd'));
    Connect([&](CScriptSession& s) {
        if (s.OpenTransfer(true, "TYPE I", "RETR /pub/slow.bin")) {
            s.DataSendPieces(pieces, 60ms);
            s.DataClose();
            s.Send("226 Transfer complete\r\n");
        }
    }, FileLine("slow.bin", "614400"));
    dlg->TransferModeBinary();
    // The program runs its window modally.
    dlg->setWindowModality(Qt::ApplicationModal);
    dlg->show();
    // While the file moves, the user clicks 切断 and the download arrow and presses Delete.
    auto* bar = Find<QToolBar>("commandBar");
    QWidget* disconnect = bar->widgetForAction(Find<QAction>("disconnectAction"));
    QWidget* download = Find<QWidget>("downloadButton");
    bool clicked = false;
    QTimer::singleShot(100, dlg.get(), [&] {
        for (QWidget* target : {disconnect, download}) {
            const QPointF at = QRectF(target->rect()).center();
            for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                QCoreApplication::postEvent(target, new QMouseEvent(type, at, target->mapToGlobal(at),
                                                                    Qt::LeftButton, Qt::LeftButton,
                                                                    Qt::NoModifier));
            }
        }
        QCoreApplication::postEvent(List("remoteList"),
                                    new QKeyEvent(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier));
        clicked = true;
    });
    Select("remoteList", {"slow.bin"});
    prompt.answers = {true};
    QTest::mouseClick(download, Qt::LeftButton);
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
    }
    EXPECT_TRUE(clicked);
    EXPECT_TRUE(ReadWholeFile(local.File("slow.bin")) == data) << "the download completed";
    EXPECT_EQ(prompt.questions, QStringList({"1 個のファイルをダウンロードしますか？"}));
    EXPECT_TRUE(Find<QAction>("disconnectAction")->isEnabled()) << "still connected";
    EXPECT_EQ(Finish(), "");
    EXPECT_EQ(server->Received().find("QUIT"), std::string::npos);
}

namespace {

// Drops `data` on the middle of `target` as a drag from elsewhere would: true when the pane
// took the drag. The drop's command runs once the event loop turns.
bool Drop(CPaneList* target, QMimeData* data)
{
    const QPointF at = QRectF(target->viewport()->rect()).center();
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target->viewport(), &enter);
    if (!enter.isAccepted()) {
        return false;
    }
    QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target->viewport(), &drop);
    QCoreApplication::processEvents();
    return drop.isAccepted();
}

// The rows selected in `source`, as a drag from it carries them.
std::unique_ptr<QMimeData> Dragged(CPaneList* source)
{
    return std::unique_ptr<QMimeData>(
        source->model()->mimeData(source->selectionModel()->selectedIndexes()));
}

} // namespace

TEST_F(TransferCommandTest, RowsDraggedToTheOtherPaneMoveAndFilesFromOutsideAreUploaded)
{
    WriteWholeFile(local.File("up.txt"), "up");
    CTempDir outside;
    WriteWholeFile(outside.File("drop.txt"), "dropped");
    std::filesystem::create_directory(outside.File("folder"));
    Connect(
        [](CScriptSession& s) {
            ServeRetr(s, "TYPE A", "/pub/a.txt", "a");
            ServeStor(s, "TYPE A", "up.txt");
            ServeListing(s, "TYPE A", FileLine("a.txt") + FileLine("up.txt"));
            ServeStor(s, "TYPE A", "drop.txt");
            // The folder goes as a tree: made, nothing in it, the server back where it was.
            s.ExpectReply("PWD", "257 \"/pub\"\r\n");
            s.ExpectReply("MKD /pub/folder", "257 created\r\n");
            s.ExpectReply("CWD /pub", "250 ok\r\n");
            ServeListing(s, "TYPE A", FileLine("a.txt") + FileLine("drop.txt") + DirLine("folder"));
        },
        FileLine("a.txt"));
    CPaneList* remote = List("remoteList");
    CPaneList* localPane = List("localList");

    // Remote rows onto the local pane: a download, with its question.
    Select("remoteList", {"a.txt"});
    prompt.answers = {true};
    EXPECT_FALSE(Drop(remote, Dragged(remote).get())) << "not onto their own pane";
    EXPECT_TRUE(Drop(localPane, Dragged(remote).get()));
    EXPECT_EQ(ReadWholeFile(local.File("a.txt")), "a");

    // Local rows onto the remote pane: an upload.
    Select("localList", {"up.txt"});
    prompt.answers = {true};
    EXPECT_TRUE(Drop(remote, Dragged(localPane).get()));

    // Files from a file manager onto the remote pane; a folder among them with its tree.
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QString::fromStdString(outside.File("drop.txt"))),
                   QUrl::fromLocalFile(QString::fromStdString(outside.File("folder")))});
    EXPECT_FALSE(Drop(localPane, &files)) << "the local pane takes no outside files";
    prompt.answers = {true};
    EXPECT_TRUE(Drop(remote, &files));

    EXPECT_EQ(prompt.questions, QStringList({"1 個のファイルをダウンロードしますか？",
                                             "1 個のファイルをアップロードしますか？",
                                             "2 個のファイルをアップロードしますか？"}));
    EXPECT_EQ(dlg->GetStatusText(), "アップロードが完了しました");
    EXPECT_EQ(Finish(), "");
    EXPECT_EQ(server->DataReceived(), "updropped");
}

// A part an interrupted download left is offered to go on from (REST, then only the rest is
// fetched); "スキップ" with "すべてに適用" passes over the next existing file unasked.
TEST_F(TransferCommandTest, APartIsResumedAndAnAnswerForAllIsKept)
{
    ASSERT_TRUE(SetSettingFlag("CheckOverwrite", true));
    WriteWholeFile(local.File("a.bin.part"), "0123");
    WriteWholeFile(local.File("b.bin"), "old");
    WriteWholeFile(local.File("c.bin"), "old");
    Connect(
        [](CScriptSession& s) {
            s.ExpectReply("TYPE I", "200 Type set\r\n");
            s.Expect("PASV");
            s.ReplyPasv();
            s.ExpectReply("REST 4", "350 Restart position accepted\r\n");
            if (s.Expect("RETR /pub/a.bin") && s.AcceptData()) {
                s.Send("150 Opening data connection\r\n");
                s.DataSend("456789");
                s.DataClose();
                s.Send("226 Transfer complete\r\n");
            }
        },
        FileLine("a.bin", "10") + FileLine("b.bin", "3") + FileLine("c.bin", "3"));
    dlg->TransferModeBinary();
    Select("remoteList", {"a.bin", "b.bin", "c.bin"});
    prompt.answers = {true};
    prompt.choices = {{0, false}, {1, true}};
    dlg->DownloadSelected();

    EXPECT_EQ(Heads(prompt.questions),
              QStringList({"3 個のファイルをダウンロードしますか？",
                           "a.bin\n途中まで受信したファイル (a.bin.part) があります。\n"
                           "続きから再開しますか？",
                           Overwrite("b.bin")}));
    EXPECT_EQ(prompt.offered, QStringList({"再開/スキップ/最初から+all", "上書き/スキップ+all"}));
    EXPECT_EQ(ReadWholeFile(local.File("a.bin")), "0123456789");
    EXPECT_FALSE(std::filesystem::exists(local.File("a.bin.part")));
    EXPECT_EQ(ReadWholeFile(local.File("b.bin")), "old");
    EXPECT_EQ(ReadWholeFile(local.File("c.bin")), "old");
    EXPECT_EQ(dlg->GetStatusText(), "ダウンロードが完了しました");
    EXPECT_EQ(Finish(), "");
}

// A listing line of no known form makes no row, and the status line says how many there were.
TEST_F(TransferCommandTest, UnknownListingLinesMakeNoRowAndAreCounted)
{
    Connect([](CScriptSession& s) {
        ServeListing(s, "TYPE A",
                     "合計 24\r\n" + FileLine("a.txt") + "this is no listing line\r\n   \r\n" +
                         "?? garbage ??\r\n");
    });
    dlg->RefreshPanes();
    EXPECT_EQ(List("remoteList")->Rows(), QStringList({"..", "a.txt"}));
    EXPECT_EQ(dlg->GetStatusText(), "1 個の項目 (フォルダ 0、ファイル 1)。"
                                     "ファイルリストの 2 行は形式が分からないため表示していません");
    EXPECT_EQ(Finish(), "");
}

// 中止 works in every progress box, every time: pressed in three downloads in a row (the
// button, then Escape, then the button again), each download stops within half a second of
// the press and says it was stopped; the box goes with its command.
TEST_F(TransferCommandTest, StopWorksInEveryProgressBoxAndActsAtOnce)
{
    const std::string piece(16 * 1024, 'x');
    Connect(
        [&piece](CScriptSession& s) {
            for (int transfer = 0; transfer < 3; ++transfer) {
                s.ExpectReply("TYPE A", "200 Type set\r\n");
                s.Expect("PASV");
                s.ReplyPasv();
                if (!s.Expect("RETR /pub/big.bin") || !s.AcceptData()) {
                    return;
                }
                s.Send("150 Opening data connection\r\n");
                // Data flows until the client closes the data connection (at most ~3 s).
                for (int sent = 0; sent < 600 && s.DataSendSome(piece); ++sent) {
                    s.Sleep(5ms);
                }
                s.Expect("ABOR");
                s.Send("426 Connection closed; transfer aborted.\r\n226 ABOR successful\r\n");
            }
        },
        FileLine("big.bin", "99999999"));
    auto* box = dlg->findChild<CWaitDlg*>("progressDialog");
    ASSERT_NE(box, nullptr);
    auto* stop = box->findChild<QPushButton*>("cancelButton");
    int transfer = 0;
    bool pressed = false;
    QElapsedTimer sincePress;
    QTimer presser;
    QObject::connect(&presser, &QTimer::timeout, [&] {
        if (pressed || !box->isVisible() || box->GetDetails().isEmpty()) {
            return; // not yet moving bytes
        }
        pressed = true;
        EXPECT_TRUE(stop->isVisible() && stop->isEnabled()) << "transfer " << transfer;
        sincePress.start();
        if (transfer == 1) {
            QTest::keyClick(dlg.get(), Qt::Key_Escape);
        } else {
            QTest::mouseClick(stop, Qt::LeftButton);
        }
    });
    presser.start(10);
    for (transfer = 0; transfer < 3; ++transfer) {
        SCOPED_TRACE(transfer);
        pressed = false;
        Select("remoteList", {"big.bin"});
        prompt.answers = {true};
        dlg->RunCommand(&CMainDlg::DownloadSelected);
        ASSERT_TRUE(pressed);
        EXPECT_LT(sincePress.elapsed(), 500) << "stopped within half a second";
        EXPECT_EQ(dlg->GetStatusText(), "ダウンロードを中止しました: big.bin");
        EXPECT_FALSE(box->isVisible());
    }
    presser.stop();
    // Text mode keeps no part: a cut text download cannot be gone on from byte for byte.
    EXPECT_FALSE(std::filesystem::exists(local.File("big.bin")));
    EXPECT_EQ(Finish(), "");
}

namespace {

// What a box shows: how often it appears and goes, and each new line under its bar.
class CBoxWatcher : public QObject {
public:
    explicit CBoxWatcher(CWaitDlg* box) : m_box(box) { box->installEventFilter(this); }
    int shown = 0;
    int hidden = 0;
    QStringList details;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_box) {
            shown += event->type() == QEvent::Show ? 1 : 0;
            hidden += event->type() == QEvent::Hide ? 1 : 0;
            if (event->type() == QEvent::Paint && !m_box->GetDetails().isEmpty() &&
                (details.isEmpty() || details.back() != m_box->GetDetails())) {
                details << m_box->GetDetails();
            }
        }
        return false;
    }

private:
    CWaitDlg* m_box;
};

} // namespace

// A tree moves under one progress box that stays up from its first file to the end, with the
// tree's files n / m and bytes x / y, known from the walk before the first file moves; each
// file goes in the type the mode gives it.
TEST_F(TransferCommandTest, ATreeMovesUnderOneBoxWithItsCountsAndEachFileInItsType)
{
    SetSettingText("AutoTransferModeList", "txt");
    Connect(
        [](CScriptSession& s) {
            s.ExpectReply("PWD", "257 \"/pub\"\r\n");
            s.ExpectReply("CWD /pub/tree", "250 ok\r\n");
            ServeListing(s, "TYPE A",
                         FileLine("a.bin", "3") + FileLine("b.txt", "3") + DirLine("sub"));
            s.ExpectReply("CWD /pub/tree/sub", "250 ok\r\n");
            ServeListing(s, "TYPE A", FileLine("c.bin", "3"));
            ServeRetr(s, "TYPE I", "/pub/tree/a.bin", "aaa");
            ServeRetr(s, "TYPE A", "/pub/tree/b.txt", "bbb");
            ServeRetr(s, "TYPE I", "/pub/tree/sub/c.bin", "ccc");
            s.ExpectReply("CWD /pub", "250 ok\r\n");
        },
        DirLine("tree"));
    dlg->TransferModeAuto();
    CBoxWatcher watcher(dlg->findChild<CWaitDlg*>("progressDialog"));
    Select("remoteList", {"<tree>"});
    prompt.answers = {true};
    dlg->RunCommand(&CMainDlg::DownloadSelected);

    EXPECT_EQ(watcher.shown, 1) << "no flicker between the files";
    EXPECT_EQ(watcher.hidden, 1);
    for (const char* counts :
         {"33% ・ ", "ファイル 1 / 3 ・ 3 B / 9 B", "ファイル 2 / 3 ・ 6 B / 9 B",
          "100% ・ ", "ファイル 3 / 3 ・ 9 B / 9 B"}) {
        EXPECT_TRUE(watcher.details.filter(counts).size() > 0)
            << counts << " in " << watcher.details.join(" | ").toStdString();
    }
    EXPECT_EQ(ReadWholeFile(local.File("tree/sub/c.bin")), "ccc");
    EXPECT_EQ(dlg->GetStatusText(), "ダウンロードが完了しました");
    EXPECT_EQ(Finish(), "");
}

// A fresh store asks before a transfer replaces a file, and the question shows both files'
// sizes and times. A shorter file on the server, in binary mode, can be gone on from (再開):
// only the rest is sent, after it.
TEST_F(TransferCommandTest, AFreshStoreAsksWithBothFilesAndOffersToResumeAShorterOne)
{
    store.Write(""); // a fresh store, but for the scripted server's options
    ASSERT_TRUE(SetSettingFlag("UsePASV", true));
    ASSERT_TRUE(SetSettingInt("TimeoutSeconds", 5));
    const CScopedEnv utc("TZ", "UTC");
    ::tzset();
    const struct timespec then[2] = {{0, UTIME_OMIT}, {1614834367, 0}}; // 2021-03-04 05:06:07
    WriteWholeFile(local.File("up.bin"), "0123456789");
    WriteWholeFile(local.File("down.bin"), "old");
    for (const char* name : {"up.bin", "down.bin"}) {
        ASSERT_EQ(::utimensat(AT_FDCWD, local.File(name).c_str(), then, 0), 0);
    }
    Connect(
        [](CScriptSession& s) {
            // SIZE is not offered: the listing's size is where the upload goes on.
            s.ExpectReply("TYPE I", "200 Type set\r\n");
            s.Expect("PASV");
            s.ReplyPasv();
            if (s.Expect("APPE up.bin") && s.AcceptData()) {
                s.Send("150 Go\r\n");
                s.DataReceiveAll();
                s.DataClose();
                s.Send("226 Done\r\n");
            }
            ServeListing(s, "TYPE I", FileLine("up.bin", "10") + FileLine("down.bin", "5"));
        },
        FileLine("up.bin", "4") + FileLine("down.bin", "5"));
    dlg->TransferModeBinary();
    Select("localList", {"up.bin"});
    prompt.answers = {true};
    prompt.choices = {{2, false}};
    dlg->UploadSelected();
    Select("remoteList", {"down.bin"});
    prompt.answers = {true};
    prompt.choices = {{1, false}};
    dlg->DownloadSelected();

    ::tzset();
    EXPECT_EQ(prompt.questions,
              QStringList({"1 個のファイルをアップロードしますか？",
                           "up.bin\nそのファイルはすでに存在します。\n上書きしますか？\n"
                           "(短いので、続きから再開することもできます)\n\n"
                           "上書きされるファイル: 4 バイト、Jan 01 12:00\n"
                           "転送するファイル: 10 バイト、2021-03-04 05:06",
                           "1 個のファイルをダウンロードしますか？",
                           "down.bin\nそのファイルはすでに存在します。\n上書きしますか？\n\n"
                           "上書きされるファイル: 3 バイト、2021-03-04 05:06\n"
                           "転送するファイル: 5 バイト、Jan 01 12:00"}));
    EXPECT_EQ(prompt.offered, QStringList({"上書き/スキップ/再開", "上書き/スキップ"}));
    EXPECT_EQ(ReadWholeFile(local.File("down.bin")), "old");
    EXPECT_EQ(dlg->GetStatusText(), "ダウンロードが完了しました");
    EXPECT_EQ(Finish(), "");
    EXPECT_EQ(server->DataReceived(), "456789");
}
