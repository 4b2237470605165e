// Double-clicking rows of the two panes.
#include <filesystem>

#include "connecttest.h"

using namespace tarnwick;
using namespace tarnwick::testing;

namespace {

const QString kListingWait = "ファイルリスト取得中です。\nしばらくお待ちください...";

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

TEST_F(ConnectTest, LocalRowsMoveThroughTheFileSystem)
{
    // tree: A/B, tmp/inner.txt, file.txt
    CTempDir tree;
    std::filesystem::create_directories(tree.File("A/B"));
    std::filesystem::create_directory(tree.File("tmp"));
    WriteWholeFile(tree.File("tmp/inner.txt"), "x");
    WriteWholeFile(tree.File("file.txt"), "x");
    // The scratch folder's top-level directory ("tmp" of "/tmp/..."), as the root lists it.
    const std::filesystem::path treePath(tree.Path());
    const std::string first = std::next(treePath.begin())->string();
    CPaneList* local = List("localList");

    // From the root: no doubled separator.
    DoubleClickRow(local, Q("<" + first + ">"));
    EXPECT_EQ(FieldText("localDirEdit"), Q("/" + first));
    EXPECT_TRUE(local->Rows().contains(".."));

    // Up from a top-level directory: the root, listed without "..".
    DoubleClickRow(local, "..");
    EXPECT_EQ(FieldText("localDirEdit"), "/");
    EXPECT_EQ(dlg->m_strLocalDir, "/");
    EXPECT_FALSE(local->Rows().contains(".."));
    EXPECT_TRUE(local->Rows().contains(Q("<" + first + ">")));

    // A typed path: a double-click on a row left from the root opens nothing but shows the
    // folder typed; a row of that folder then opens.
    Find<QLineEdit>("localDirEdit")->setText(Q(tree.Path()));
    ASSERT_TRUE(local->Rows().contains("<tmp>"));
    DoubleClickRow(local, "<tmp>");
    EXPECT_EQ(FieldText("localDirEdit"), Q(tree.Path()));
    EXPECT_EQ(local->Rows(), (QStringList{"..", "<A>", "<tmp>", "file.txt"}));
    EXPECT_EQ(statuses, QStringList{"パス欄のフォルダー " + Q(tree.Path()) +
                                    " を表示しました。ファイルを選び直してください"});
    DoubleClickRow(local, "<tmp>");
    EXPECT_EQ(FieldText("localDirEdit"), Q(tree.Path() + "/tmp"));
    EXPECT_EQ(local->Rows(), (QStringList{"..", "inner.txt"}));

    DoubleClickRow(local, "..");
    EXPECT_EQ(FieldText("localDirEdit"), Q(tree.Path()));
    EXPECT_EQ(local->Rows(), (QStringList{"..", "<A>", "<tmp>", "file.txt"}));

    // A file row does nothing.
    DoubleClickRow(local, "file.txt");
    EXPECT_EQ(FieldText("localDirEdit"), Q(tree.Path()));
    EXPECT_EQ(local->Rows(), (QStringList{"..", "<A>", "<tmp>", "file.txt"}));

    DoubleClickRow(local, "<A>");
    EXPECT_EQ(FieldText("localDirEdit"), Q(tree.Path() + "/A"));
    EXPECT_EQ(local->Rows(), (QStringList{"..", "<B>"}));

    EXPECT_TRUE(waits.texts.isEmpty()) << "the local pane shows no wait text";
    EXPECT_EQ(statuses.size(), 1);
    EXPECT_TRUE(prompt.asked.isEmpty());
}

TEST_F(ConnectTest, RemoteRowsChangeTheServersDirectory)
{
    Serve([](CScriptSession& s) {
        ServeStartDir(s, "/", "/pub", "250 ok\r\n", "/pub");
        ServeListing(s, "TYPE A", DirLine("incoming") + FileLine("readme.txt"));
        // ".." from /pub: the parent text is empty, so the root by name.
        s.ExpectReply("CWD /", "250 ok\r\n");
        ServeListing(s, "TYPE A", DirLine("home") + DirLine("pub") + DirLine("locked"));
        // A directory row: the bare name.
        s.ExpectReply("CWD home", "250 ok\r\n");
        ServeListing(s, "TYPE A", DirLine("user"));
        s.ExpectReply("CWD user", "250 ok\r\n");
        ServeListing(s, "TYPE A", FileLine("notes.txt"));
        // ".." deeper down: CWD .., then the server says where it is.
        s.ExpectReply("CWD ..", "250 ok\r\n");
        s.ExpectReply("PWD", Pwd("/home"));
        ServeListing(s, "TYPE A", DirLine("user"));
        s.ExpectReply("CWD /", "250 ok\r\n");
        ServeListing(s, "TYPE A", DirLine("home") + DirLine("pub") + DirLine("locked"));
        // ".." at the root re-enters the root.
        s.ExpectReply("CWD /", "250 ok\r\n");
        ServeListing(s, "TYPE A", DirLine("home") + DirLine("pub") + DirLine("locked"));
        // A refused change: the pane and the field stay where they are, and say why.
        s.ExpectReply("CWD locked", "550 Permission denied\r\n");
        // A typed remote path is shown first: the rows of "/" open nothing there.
        s.ExpectReply("CWD /srv", "250 ok\r\n");
        s.ExpectReply("PWD", Pwd("/srv"));
        ServeListing(s, "TYPE A", DirLine("pub"));
        s.ExpectReply("CWD pub", "250 ok\r\n");
        ServeListing(s, "TYPE A", FileLine("readme.txt"));
        s.ExpectClosed();
    });
    RunConnect({.remoteDir = "/pub"});
    ASSERT_EQ(FieldText("remoteDirEdit"), "/pub");
    const QString afterConnect = dlg->GetStatusText();
    CPaneList* remote = List("remoteList");
    const QStringList root{"..", "<home>", "<locked>", "<pub>"};

    const struct {
        const char* row;
        const char* typed; // typed into the remote field first, when not null
        const char* field;
        QStringList rows;
        const char* status; // the status line after the step, when it changes
    } steps[] = {
        {"..", nullptr, "/", root, "3 個の項目 (フォルダ 3、ファイル 0)"},
        {"<home>", nullptr, "/home", {"..", "<user>"}, "1 個の項目 (フォルダ 1、ファイル 0)"},
        {"<user>", nullptr, "/home/user", {"..", "notes.txt"}, "1 個の項目 (フォルダ 0、ファイル 1)"},
        {"notes.txt", nullptr, "/home/user", {"..", "notes.txt"}, nullptr},
        {"..", nullptr, "/home", {"..", "<user>"}, "1 個の項目 (フォルダ 1、ファイル 0)"},
        {"..", nullptr, "/", root, "3 個の項目 (フォルダ 3、ファイル 0)"},
        {"..", nullptr, "/", root, "3 個の項目 (フォルダ 3、ファイル 0)"},
        {"<locked>", nullptr, "/", root, "locked に移動できません: 550 Permission denied"},
        {"<pub>", "/srv", "/srv", {"..", "<pub>"},
         "パス欄のフォルダー /srv を表示しました。ファイルを選び直してください"},
        {"<pub>", nullptr, "/srv/pub", {"..", "readme.txt"}, "1 個の項目 (フォルダ 0、ファイル 1)"},
    };
    QString status = afterConnect;
    for (const auto& step : steps) {
        SCOPED_TRACE(std::string(step.row) + " -> " + step.field);
        if (step.typed != nullptr) {
            Find<QLineEdit>("remoteDirEdit")->setText(step.typed);
        }
        const qsizetype shownBefore = waits.texts.size();
        const std::string sentBefore = server->Received();
        DoubleClickRow(remote, step.row);
        EXPECT_EQ(FieldText("remoteDirEdit"), step.field);
        EXPECT_EQ(remote->Rows(), step.rows);
        const bool isFile = std::string(step.row) == "notes.txt";
        EXPECT_EQ(waits.texts.size() - shownBefore, isFile ? 0 : 1);
        if (isFile) {
            EXPECT_EQ(server->Received(), sentBefore) << "a file row sends nothing";
        } else {
            EXPECT_EQ(waits.texts.back(), kListingWait);
        }
        EXPECT_EQ(dlg->findChild<QWidget*>("waitDialog"), nullptr)
            << "the wait box goes when the command returns";
        status = step.status != nullptr ? QString(step.status) : status;
        EXPECT_EQ(dlg->GetStatusText(), status) << "a move that works says what the folder holds";
    }
    EXPECT_EQ(Finish(), "");
}

TEST_F(ConnectTest, ConnectionLostDuringAListingShowsTheDisconnectedWindowAndWhy)
{
    serverCloses = true;
    Serve([](CScriptSession& s) {
        ServeStartDir(s, "/", "/pub", "250 ok\r\n", "/pub");
        ServeListing(s, "TYPE A", DirLine("incoming"));
        s.ExpectReply("CWD incoming", "250 ok\r\n");
        // The server goes away while the listing is being prepared.
        s.Expect("TYPE A");
        s.Close();
    });
    RunConnect({.remoteDir = "/pub"});
    ExpectDisplay(true);
    dlg->ActivateRemotePane();
    DoubleClickRow(List("remoteList"), "<incoming>");

    ExpectDisplay(false);
    EXPECT_EQ(dlg->GetStatusText(), "サーバーとの接続が切れました (サーバーが接続を閉じました)");
    EXPECT_TRUE(List("remoteList")->Rows().isEmpty());
    EXPECT_EQ(FieldText("remoteDirEdit"), "");
    // 接続 works again at once.
    EXPECT_TRUE(Action("connectAction")->isEnabled());
    EXPECT_EQ(Finish(), "");
}

TEST_F(ConnectTest, ALinkRowIsEnteredWhenTheServerChangesIntoIt)
{
    const std::string listing =
        DirLine("sub") + FileLine("a.txt", "1") +
        "lrwxrwxrwx   1 ftp      ftp             3 Jan 01 12:00 linkdir -> sub\r\n"
        "lrwxrwxrwx   1 ftp      ftp             5 Jan 01 12:00 linkfile -> a.txt\r\n";
    Serve([listing](CScriptSession& s) {
        ServeStartDir(s, "/", "/pub", "250 ok\r\n", "/pub");
        ServeListing(s, "TYPE A", listing);
        // Each link is tried once: the server changes into a link to a folder (and back).
        s.ExpectReply("CWD linkdir", "250 Directory successfully changed.\r\n");
        s.ExpectReply("CWD /pub", "250 ok\r\n");
        s.ExpectReply("CWD linkfile", "550 Failed to change directory.\r\n");
        // A link to a file: the server will not change into it, and nothing else happens.
        s.ExpectReply("CWD linkfile", "550 Failed to change directory.\r\n");
        // A link to a directory is entered like one.
        s.ExpectReply("CWD linkdir", "250 Directory successfully changed.\r\n");
        ServeListing(s, "TYPE A", FileLine("inner.txt"));
        s.ExpectReply("CWD ..", "250 ok\r\n");
        s.ExpectReply("PWD", Pwd("/pub"));
        ServeListing(s, "TYPE A", listing);
        // Its download is refused; the link is then found to be a directory, and the server
        // is taken back to the folder shown.
        s.ExpectReply("TYPE A", "200 ok\r\n");
        s.Expect("PASV");
        s.ReplyPasv();
        s.ExpectReply("RETR /pub/linkdir", "550 Failed to open file.\r\n");
        s.ExpectReply("CWD linkdir", "250 ok\r\n");
        s.ExpectReply("CWD /pub", "250 ok\r\n");
        s.ExpectClosed();
    });
    RunConnect({.localDir = local.Path(), .remoteDir = "/pub"});
    CPaneList* remote = List("remoteList");
    const QStringList shown = remote->Rows();
    // Side by side, folders first: the link to one among them.
    ASSERT_EQ(shown, (QStringList{"..", "<sub>", "linkdir", "a.txt", "linkfile"}));
    // Links are marked, a link to a folder as a folder; the row texts stay the names.
    const int link = remote->FindRow("linkdir");
    EXPECT_TRUE(remote->RowData(link).isLink);
    EXPECT_TRUE(remote->RowData(link).linkToFolder);
    EXPECT_FALSE(remote->RowData(remote->FindRow("linkfile")).linkToFolder);
    EXPECT_FALSE(remote->RowData(remote->FindRow("a.txt")).isLink);
    EXPECT_EQ(dlg->GetStatusText(), "4 個の項目 (フォルダ 2、ファイル 2)");
    EXPECT_EQ(remote->model()->index(link, 0).data().toString(), "linkdir");
    remote->SetDetailed(false);
    EXPECT_EQ(remote->model()->index(remote->FindRow("linkdir"), 0).data().toString(), "linkdir@")
        << "the cards keep the row texts";
    remote->SetDetailed(true);

    dlg->ActivateRemotePane();
    DoubleClickRow(remote, "linkfile");
    EXPECT_EQ(FieldText("remoteDirEdit"), "/pub");
    EXPECT_EQ(remote->Rows(), shown);

    // Enter on the row, as double-clicking it does.
    remote->SetCurrentRow(link, QItemSelectionModel::ClearAndSelect);
    QTest::keyClick(remote, Qt::Key_Return);
    EXPECT_EQ(FieldText("remoteDirEdit"), "/pub/linkdir");
    EXPECT_EQ(remote->Rows(), (QStringList{"..", "inner.txt"}));
    DoubleClickRow(remote, "..");
    EXPECT_EQ(FieldText("remoteDirEdit"), "/pub");

    Select("remoteList", {"linkdir"});
    prompt.answers = {true};
    dlg->DownloadSelected();
    EXPECT_EQ(dlg->GetStatusText(), "1 個中 1 個のダウンロードに失敗しました: linkdir "
                                    "(ディレクトリへのリンクはダウンロードできません)");
    EXPECT_FALSE(std::filesystem::exists(local.File("linkdir")));
    EXPECT_EQ(Finish(), "");
}
