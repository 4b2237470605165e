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

    // A typed path is the base of the next double-click, on a row left from the root.
    Find<QLineEdit>("localDirEdit")->setText(Q(tree.Path()));
    ASSERT_TRUE(local->Rows().contains("<tmp>"));
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
    EXPECT_TRUE(statuses.isEmpty());
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
        // A refused change: the field shows the joined path, the pane the unchanged directory.
        s.ExpectReply("CWD locked", "550 Permission denied\r\n");
        ServeListing(s, "TYPE A", DirLine("home") + DirLine("pub") + DirLine("locked"));
        // A typed remote path is the base too.
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
    } steps[] = {
        {"..", nullptr, "/", root},
        {"<home>", nullptr, "/home", {"..", "<user>"}},
        {"<user>", nullptr, "/home/user", {"..", "notes.txt"}},
        {"notes.txt", nullptr, "/home/user", {"..", "notes.txt"}},
        {"..", nullptr, "/home", {"..", "<user>"}},
        {"..", nullptr, "/", root},
        {"..", nullptr, "/", root},
        {"<locked>", nullptr, "/locked", root},
        {"<pub>", "/srv", "/srv/pub", {"..", "readme.txt"}},
    };
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
    }
    EXPECT_EQ(dlg->GetStatusText(), afterConnect) << "navigation writes no status";
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
