// Creating a directory and deleting rows on both sides.
#include <QDialog>
#include <QLabel>

#include <filesystem>
#include <vector>

#include "filecommandtest.h"
#include "session/localtrash.h"

using namespace tarnwick;
using namespace tarnwick::testing;

namespace {

class CreateDeleteTest : public FileCommandTest {
protected:
    // Answers the create dialog with `name` typed; records the prompt it showed.
    CScriptedDialogRunner::Answer TypeName(const QString& name, int result = QDialog::Accepted)
    {
        return [this, name, result](QDialog& dialog) {
            shownPrompt = dialog.findChild<QLabel*>("createDirPrompt")->text();
            dialog.findChild<QLineEdit*>("createDirName")->setText(name);
            return result;
        };
    }
    QString shownPrompt;
};

const QString kLocalPrompt = "ローカルの現在のディレクトリに\n以下の名のディレクトリを作成します";
const QString kRemotePrompt = "リモートの現在のディレクトリに\n以下の名のディレクトリを作成します";

} // namespace

TEST_F(CreateDeleteTest, EmptyNameOrCancelDoesNothing)
{
    Connect([](CScriptSession&) {}, FileLine("a.txt"));
    // Typed into the fields but never read: the command stops before it takes them.
    Field("localDirEdit")->setText("/typed");
    Field("remoteDirEdit")->setText("/typed");
    for (const int pane : {1, 0}) {
        pane == 1 ? dlg->ActivateLocalPane() : dlg->ActivateRemotePane();
        runner.answers = {TypeName(""), TypeName("x", QDialog::Rejected)};
        dlg->CreateDirectoryCommand();
        dlg->CreateDirectoryCommand();
        EXPECT_EQ(shownPrompt, pane == 1 ? kLocalPrompt : kRemotePrompt);
    }
    EXPECT_EQ(runner.ran, QStringList({"createDirDialog", "createDirDialog", "createDirDialog",
                                       "createDirDialog"}));
    EXPECT_EQ(runner.unexpected, 0);
    EXPECT_TRUE(std::filesystem::is_empty(local.Path()));
    EXPECT_EQ(dlg->m_strLocalDir, local.Path());
    EXPECT_EQ(dlg->m_strRemoteDir, "/pub");
    EXPECT_TRUE(statuses.isEmpty());
    EXPECT_EQ(Finish(), "");
    EXPECT_EQ(server->Received(), "");
}

TEST_F(CreateDeleteTest, CreatesInTheDirectoryOfEachSide)
{
    const std::string below = local.File("sub");
    std::filesystem::create_directory(below);
    Connect(
        [](CScriptSession& s) {
            s.ExpectReply("MKD Temp2", "257 \"/Temp2\" created\r\n");
            ServeListing(s, "TYPE A", DirLine("Temp2"));
        },
        "", "/");
    runner.answers = {TypeName("Temp2"), TypeName("Temp2"), TypeName("Temp2"), TypeName("Temp2")};
    dlg->CreateDirectoryCommand();
    EXPECT_TRUE(std::filesystem::is_directory(local.File("Temp2")));
    EXPECT_TRUE(List("localList")->Rows().contains("<Temp2>"));

    // Once more: the directory exists, nothing is said, the pane is listed again.
    dlg->CreateDirectoryCommand();
    EXPECT_TRUE(statuses.isEmpty());

    Field("localDirEdit")->setText(QString::fromStdString(below));
    dlg->CreateDirectoryCommand();
    EXPECT_TRUE(std::filesystem::is_directory(below + "/Temp2"));
    EXPECT_EQ(List("localList")->Rows(), QStringList({"..", "<Temp2>"}));

    dlg->ActivateRemotePane();
    dlg->CreateDirectoryCommand();
    EXPECT_EQ(List("remoteList")->Rows(), QStringList({"..", "<Temp2>"}));
    EXPECT_TRUE(statuses.isEmpty());
    EXPECT_EQ(Finish(), "");
}

TEST_F(CreateDeleteTest, RefusedRemoteCreateSaysSoAndKeepsTheRows)
{
    Connect([](CScriptSession& s) { s.ExpectReply("MKD a b", "550 Permission denied\r\n"); },
            FileLine("a.txt") + DirLine("src"));
    const QStringList rows = List("remoteList")->Rows();
    dlg->ActivateRemotePane();
    runner.answers = {TypeName("a b")};
    dlg->CreateDirectoryCommand();
    EXPECT_EQ(statuses, QStringList({"ディレクトリ作成に失敗しました"}));
    EXPECT_EQ(List("remoteList")->Rows(), rows);
    EXPECT_EQ(Finish(), "");
}

TEST_F(CreateDeleteTest, OnlyTheParentRowIsCountedButNeverDeleted)
{
    // The local directory sits in a parent of the test's own, so nothing else changes what
    // the parent holds while the test runs.
    const std::string inner = local.File("inner");
    std::filesystem::create_directory(inner);
    WriteWholeFile(inner + "/kept.txt", "x");
    WriteWholeFile(local.File("beside.txt"), "y");
    Connect([](CScriptSession& s) { ServeListing(s, "TYPE A", FileLine("a.txt")); },
            FileLine("a.txt"), "/pub", inner);
    const std::string parent = local.Path();
    const std::size_t parentEntries = static_cast<std::size_t>(std::distance(
        std::filesystem::directory_iterator(parent), std::filesystem::directory_iterator()));

    Select("localList", {".."});
    prompt.answers = {true};
    dlg->DeleteCommand();
    EXPECT_TRUE(List("localList")->Rows().contains("kept.txt")) << "listed again";

    dlg->ActivateRemotePane();
    Select("remoteList", {".."});
    prompt.answers = {true};
    dlg->DeleteCommand();

    EXPECT_EQ(prompt.questions,
              QStringList({"1 個の項目をごみ箱に移動しますか？",
                           "1 個のファイルまたは\nディレクトリを削除しますか？"}));
    EXPECT_EQ(statuses, QStringList({"削除が完了しました"}));
    EXPECT_EQ(static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(parent),
                                                     std::filesystem::directory_iterator())),
              parentEntries);
    EXPECT_EQ(Finish(), "");
}

// The question names the rows. A folder is looked into before anything goes: an empty one
// is removed, one with contents is asked about (no is the default); いいえ leaves it, skipped
// and not failed, without an RMD.
TEST_F(CreateDeleteTest, RemoteDeleteGoesOnPastAFailureAndJoinsAtTheRoot)
{
    Connect(
        [](CScriptSession& s) {
            s.ExpectReply("PWD", "257 \"/\"\r\n");
            s.ExpectReply("CWD /empty", "250 ok\r\n");
            ServeListing(s, "TYPE A", "");
            s.ExpectReply("CWD /", "250 ok\r\n");
            s.ExpectReply("RMD empty", "250 Removed\r\n");
            // Whether it holds anything, before the question.
            s.ExpectReply("PWD", "257 \"/\"\r\n");
            s.ExpectReply("CWD /full", "250 ok\r\n");
            ServeListing(s, "TYPE A", FileLine("inside.txt") + DirLine("sub"));
            s.ExpectReply("CWD /", "250 ok\r\n");
            s.ExpectReply("DELE /a.txt", "250 Deleted\r\n");
            s.ExpectReply("DELE /b.txt", "550 No such file\r\n");
            ServeListing(s, "TYPE A", DirLine("full") + FileLine("b.txt"));
        },
        DirLine("empty") + DirLine("full") + FileLine("a.txt") + FileLine("b.txt") +
            FileLine("c.txt"),
        "/");
    dlg->ActivateRemotePane();
    Select("remoteList", {"..", "<empty>", "<full>", "a.txt", "b.txt"});
    prompt.answers = {true, false};
    dlg->DeleteCommand();
    EXPECT_EQ(prompt.questions,
              QStringList({"5 個のファイルまたは\nディレクトリを削除しますか？\n\n"
                           "empty/\nfull/\na.txt\nb.txt",
                           "full を中身ごと削除しますか？\n\n中に 2 個の項目があります:\n"
                           "inside.txt\nsub/"}));
    EXPECT_EQ(prompt.cautions, QStringList({prompt.questions.back()}));
    EXPECT_EQ(statuses,
              QStringList({"empty の削除が正常に終了しました", "full は削除しませんでした",
                           "/a.txt の削除が正常に終了しました", "削除に失敗しました",
                           "4 個中 1 個の削除に失敗しました: b.txt (550 No such file)"}));
    EXPECT_EQ(List("remoteList")->Rows(), QStringList({"..", "<full>", "b.txt"}));
    EXPECT_EQ(Finish(), "");
}

// A server file named "<x>" reads like folder x: it is deleted as the file it is, and when
// folder x is there too, neither is touched, since which one the row means cannot be told.
TEST_F(CreateDeleteTest, AFileNamedLikeAFolderRowIsTakenForWhatTheListingSays)
{
    Connect(
        [](CScriptSession& s) {
            s.ExpectReply("DELE /<x>", "250 Deleted\r\n");
            ServeListing(s, "TYPE A", DirLine("docs"));
        },
        DirLine("docs") + FileLine("<x>"), "/");
    dlg->ActivateRemotePane();
    Select("remoteList", {"<x>"});
    prompt.answers = {true};
    dlg->DeleteCommand();
    EXPECT_EQ(prompt.questions,
              QStringList({"1 個のファイルまたは\nディレクトリを削除しますか？\n\n<x>"}));
    EXPECT_TRUE(statuses.contains("/<x> の削除が正常に終了しました")) << statuses.join('|').toStdString();
    EXPECT_EQ(Finish(), "") << "no folder x was looked into";
}

TEST_F(CreateDeleteTest, AFolderAndAFileThatReadAlikeAreLeftAlone)
{
    Connect(
        [](CScriptSession& s) {
            s.ExpectReply("DELE /a.txt", "250 Deleted\r\n");
            ServeListing(s, "TYPE A", DirLine("x") + FileLine("<x>"));
        },
        DirLine("x") + FileLine("<x>") + FileLine("a.txt"), "/");
    dlg->ActivateRemotePane();
    Select("remoteList", {"<x>", "a.txt"});
    prompt.answers = {true};
    dlg->DeleteCommand();
    ASSERT_FALSE(prompt.questions.isEmpty());
    EXPECT_TRUE(prompt.questions.front().endsWith("\n\n<x>\na.txt"))
        << prompt.questions.front().toStdString();
    ASSERT_FALSE(statuses.isEmpty());
    EXPECT_TRUE(statuses.back().contains("<x> (同じ名前に見える項目がほかにもあるため"))
        << statuses.back().toStdString();
    EXPECT_EQ(Finish(), "") << "neither RMD x nor DELE <x>";
}

// Said yes to, a folder with contents goes with everything in it, links as links.
TEST_F(CreateDeleteTest, ANonEmptyRemoteDirectoryGoesWithItsContentsWhenTheUserSaysSo)
{
    Connect(
        [](CScriptSession& s) {
            s.ExpectReply("PWD", "257 \"/\"\r\n");
            s.ExpectReply("CWD /full", "250 ok\r\n");
            ServeListing(s, "TYPE A", FileLine("inside.txt"));
            s.ExpectReply("CWD /", "250 ok\r\n");
            // The removal: listed again, emptied from the bottom, then the directory itself.
            s.ExpectReply("PWD", "257 \"/\"\r\n");
            s.ExpectReply("CWD /full", "250 ok\r\n");
            ServeListing(s, "TYPE A",
                         FileLine("inside.txt") + DirLine("sub") +
                             FileLine("up -> /", "1", "lrwxrwxrwx"));
            s.ExpectReply("DELE /full/inside.txt", "250 Deleted\r\n");
            s.ExpectReply("CWD /full/sub", "250 ok\r\n");
            ServeListing(s, "TYPE A", "");
            s.ExpectReply("CWD /", "250 ok\r\n");
            s.ExpectReply("RMD /full/sub", "250 Removed\r\n");
            s.ExpectReply("DELE /full/up", "250 Deleted\r\n");
            s.ExpectReply("CWD /", "250 ok\r\n");
            s.ExpectReply("RMD /full", "250 Removed\r\n");
            s.ExpectReply("CWD /", "250 ok\r\n");
            ServeListing(s, "TYPE A", "");
        },
        DirLine("full"), "/");
    dlg->ActivateRemotePane();
    Select("remoteList", {"<full>"});
    prompt.answers = {true, true};
    dlg->DeleteCommand();
    EXPECT_EQ(prompt.questions,
              QStringList({"1 個のファイルまたは\nディレクトリを削除しますか？\n\nfull/",
                           "full を中身ごと削除しますか？\n\n中に 1 個の項目があります:\n"
                           "inside.txt"}));
    EXPECT_EQ(statuses.back(), "削除が完了しました");
    EXPECT_EQ(List("remoteList")->Rows(), QStringList({".."}));
    EXPECT_EQ(Finish(), "");
}

// MLSD of a server that follows links (pyftpdlib) calls a link to a folder "type=dir"; the
// long listing tells it. A link row goes with DELE, nothing it leads to is listed or asked
// about, and a link inside a folder removed with its contents is deleted, never entered.
TEST_F(CreateDeleteTest, ALinkMlsdCallsAFolderIsDeletedAsALinkNeverEmptied)
{
    const auto serveLong = [](CScriptSession& s, const std::string& listing) {
        ServeData(s, "TYPE A", "LIST -a", [&] { s.DataSend(listing); });
    };
    const std::string pubLong = FileLine("link -> ../keep", "7", "lrwxrwxrwx") + DirLine("tree");
    const std::string treeMlsd = "type=file;size=1; a.txt\r\ntype=dir; inner\r\n";
    Connect([&](CScriptSession& s) {
        s.ExpectReply("FEAT", "211-Features:\r\n MLST type*;size*;\r\n211 End\r\n");
        s.ExpectReply("OPTS MLST type;size;", "200 ok\r\n");
        // <link>: the long listing of /pub marks it; DELE takes the link only.
        s.ExpectReply("PWD", "257 \"/pub\"\r\n");
        s.ExpectReply("CWD /pub", "250 ok\r\n");
        serveLong(s, pubLong);
        s.ExpectReply("CWD /pub", "250 ok\r\n");
        s.ExpectReply("DELE /pub/link", "250 Deleted\r\n");
        // <tree>: a folder by both listings; what it holds is asked about.
        s.ExpectReply("PWD", "257 \"/pub\"\r\n");
        s.ExpectReply("CWD /pub", "250 ok\r\n");
        serveLong(s, pubLong);
        s.ExpectReply("CWD /pub", "250 ok\r\n");
        s.ExpectReply("PWD", "257 \"/pub\"\r\n");
        s.ExpectReply("CWD /pub/tree", "250 ok\r\n");
        ServeData(s, "TYPE A", "MLSD", [&] { s.DataSend(treeMlsd); });
        s.ExpectReply("CWD /pub", "250 ok\r\n");
        // The removal: "inner" is a folder by MLSD, a link by the long listing.
        s.ExpectReply("PWD", "257 \"/pub\"\r\n");
        s.ExpectReply("MLST /pub/tree", "250-Listing\r\n type=dir; /pub/tree\r\n250 End\r\n");
        s.ExpectReply("CWD /pub/tree", "250 ok\r\n");
        ServeData(s, "TYPE A", "MLSD", [&] { s.DataSend(treeMlsd); });
        serveLong(s, FileLine("a.txt", "1") + FileLine("inner -> /srv/keep", "9", "lrwxrwxrwx"));
        s.ExpectReply("DELE /pub/tree/a.txt", "250 Deleted\r\n");
        s.ExpectReply("DELE /pub/tree/inner", "250 Deleted\r\n");
        s.ExpectReply("CWD /", "250 ok\r\n");
        s.ExpectReply("RMD /pub/tree", "250 Removed\r\n");
        s.ExpectReply("CWD /pub", "250 ok\r\n");
        ServeData(s, "TYPE A", "MLSD", [&] { s.DataSend(""); });
    });
    ASSERT_TRUE(dlg->m_engine.NegotiateFeatures());
    FillRemotePane(*List("remoteList"), "type=dir; link\r\ntype=dir; tree\r\n", dlg->m_remoteFiles,
                   ListingFormat::MlsdFacts);
    dlg->ActivateRemotePane();
    Select("remoteList", {"<link>", "<tree>"});
    prompt.answers = {true, true};
    dlg->DeleteCommand();
    EXPECT_EQ(prompt.questions,
              QStringList({"2 個のファイルまたは\nディレクトリを削除しますか？\n\nlink/\ntree/",
                           "tree を中身ごと削除しますか？\n\n中に 2 個の項目があります:\n"
                           "a.txt\ninner/"}));
    EXPECT_EQ(statuses.back(), "削除が完了しました");
    EXPECT_EQ(Finish(), "");
    EXPECT_EQ(server->Received().find("CWD /pub/link"), std::string::npos);
    EXPECT_EQ(server->Received().find("CWD /pub/tree/inner"), std::string::npos);
}

// Local rows go to the desktop's trash after one question that names them, folders with
// their contents; a file gone since the listing is said to have failed.
TEST_F(CreateDeleteTest, LocalDeleteMovesToTheTrashAndSaysWhatDidNotGo)
{
    for (const char* name : {"a.txt", "gone.txt", "keep.txt"}) {
        WriteWholeFile(local.File(name), name);
    }
    std::filesystem::create_directory(local.File("empty"));
    std::filesystem::create_directories(local.File("full/deeper"));
    WriteWholeFile(local.File("full/deeper/inner.txt"), "x");
    Connect([](CScriptSession&) {});
    Select("localList", {"<empty>", "<full>", "a.txt", "gone.txt"});
    // Vanishes after the pane was listed: its delete fails.
    std::filesystem::remove(local.File("gone.txt"));
    prompt.answers = {true};
    dlg->DeleteCommand();

    EXPECT_EQ(prompt.questions, QStringList({"4 個の項目をごみ箱に移動しますか？\n\n"
                                             "empty/\nfull/\na.txt\ngone.txt"}));
    const QString dir = QString::fromStdString(local.Path());
    EXPECT_EQ(statuses,
              QStringList({dir + "/empty をごみ箱に移動しました", dir + "/full をごみ箱に移動しました",
                           dir + "/a.txt をごみ箱に移動しました", dir + "/gone.txt の削除に失敗しました",
                           "4 個中 1 個の削除に失敗しました: gone.txt (ファイルまたはフォルダがありません)"}));
    EXPECT_EQ(Find<QLineEdit>("statusLine")->toolTip(), "No such file or directory")
        << "the system's own words stay at hand";
    EXPECT_EQ(List("localList")->Rows(), QStringList({"..", "keep.txt"}));
    const std::string trash = dataHome.File("Trash");
    EXPECT_EQ(ReadWholeFile(trash + "/files/full/deeper/inner.txt"), "x");
    EXPECT_EQ(ReadWholeFile(trash + "/files/a.txt"), "a.txt");
    EXPECT_TRUE(std::filesystem::is_directory(trash + "/files/empty"));
    // Where each came from, for the file manager to put it back.
    EXPECT_NE(ReadWholeFile(trash + "/info/full.trashinfo").find("Path=" + local.File("full")),
              std::string::npos);
    EXPECT_EQ(Finish(), "");
}

namespace {

// A trash that takes nothing, as on a file system without one.
class CNoTrash : public CLocalTrash {
public:
    bool MoveToTrash(const std::string& path, std::string& why) override
    {
        asked.push_back(path);
        why = "別のファイルシステムです";
        return false;
    }
    std::vector<std::string> asked;
};

} // namespace

// What the trash cannot take is deleted for good only after a second question, whose default
// is no; no keeps it.
TEST_F(CreateDeleteTest, WithoutATrashASecondQuestionComesBeforeDeletingForGood)
{
    CNoTrash trash;
    dlg->Session().SetTrash(&trash);
    std::filesystem::create_directories(local.File("full/deeper"));
    WriteWholeFile(local.File("full/deeper/inner.txt"), "x");
    WriteWholeFile(local.File("a.txt"), "a");
    // A link inside goes as a link: what it points at stays.
    CTempDir outside;
    WriteWholeFile(outside.File("precious.txt"), "p");
    std::filesystem::create_directory_symlink(outside.Path(), local.File("full/link"));
    Connect([](CScriptSession&) {});
    for (const bool forGood : {false, true}) {
        SCOPED_TRACE(forGood);
        static_cast<void>(RefreshLocalPane(*List("localList"), local.Path()));
        Select("localList", {"<full>", "a.txt"});
        prompt.answers = {true, forGood};
        prompt.questions.clear();
        prompt.cautions.clear();
        dlg->DeleteCommand();
        ASSERT_EQ(prompt.questions.size(), 2);
        EXPECT_EQ(prompt.questions[1], "2 個はごみ箱に移動できません (別のファイルシステムです)。\n"
                                       "完全に削除しますか？元に戻せません。\n\nfull/\na.txt");
        EXPECT_EQ(prompt.cautions, QStringList({prompt.questions[1]}));
        EXPECT_EQ(std::filesystem::exists(local.File("full/deeper/inner.txt")), !forGood);
        EXPECT_EQ(std::filesystem::exists(local.File("a.txt")), !forGood);
        EXPECT_EQ(dlg->GetStatusText(),
                  forGood ? "削除が完了しました" : "削除が完了しました (2 個はスキップしました)");
    }
    EXPECT_EQ(ReadWholeFile(outside.File("precious.txt")), "p");
    EXPECT_EQ(trash.asked.size(), 4u);
    EXPECT_EQ(Finish(), "");
}
