// Creating a directory and deleting rows on both sides.
#include <QDialog>
#include <QLabel>

#include <filesystem>

#include "filecommandtest.h"

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
              QStringList({"1 個のファイルを削除しますか？",
                           "1 個のファイルまたは\nディレクトリを削除しますか？"}));
    EXPECT_EQ(statuses, QStringList({"削除が完了しました"}));
    EXPECT_EQ(static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(parent),
                                                     std::filesystem::directory_iterator())),
              parentEntries);
    EXPECT_EQ(Finish(), "");
}

TEST_F(CreateDeleteTest, RemoteDeleteGoesOnPastAFailureAndJoinsAtTheRoot)
{
    Connect(
        [](CScriptSession& s) {
            s.ExpectReply("RMD empty", "250 Removed\r\n");
            s.ExpectReply("RMD full", "550 Directory not empty\r\n");
            // Whether it holds anything, before the question.
            s.ExpectReply("PWD", "257 \"/\"\r\n");
            s.ExpectReply("CWD /full", "250 ok\r\n");
            ServeListing(s, "TYPE A", FileLine("inside.txt"));
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
    prompt.answers = {true};
    dlg->DeleteCommand();
    // Asked whether "full" goes with its contents: no.
    EXPECT_EQ(prompt.questions,
              QStringList({"5 個のファイルまたは\nディレクトリを削除しますか？",
                           "full を中身ごと削除しますか？"}));
    EXPECT_EQ(statuses,
              QStringList({"empty の削除が正常に終了しました", "ディレクトリ削除に失敗しました",
                           "/a.txt の削除が正常に終了しました", "削除に失敗しました",
                           "4 個中 2 個の削除に失敗しました: full (550 Directory not empty)、"
                           "b.txt"}));
    EXPECT_EQ(List("remoteList")->Rows(), QStringList({"..", "<full>", "b.txt"}));
    EXPECT_EQ(Finish(), "");
}

// Said yes to, a directory that RMD refused goes with everything in it, links as links.
TEST_F(CreateDeleteTest, ANonEmptyRemoteDirectoryGoesWithItsContentsWhenTheUserSaysSo)
{
    Connect(
        [](CScriptSession& s) {
            s.ExpectReply("RMD full", "550 Directory not empty\r\n");
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
              QStringList({"1 個のファイルまたは\nディレクトリを削除しますか？",
                           "full を中身ごと削除しますか？"}));
    EXPECT_EQ(statuses.back(), "削除が完了しました");
    EXPECT_EQ(List("remoteList")->Rows(), QStringList({".."}));
    EXPECT_EQ(Finish(), "");
}

TEST_F(CreateDeleteTest, LocalDeleteSaysWhichFilesWentAndWhichDidNot)
{
    for (const char* name : {"a.txt", "gone.txt", "keep.txt"}) {
        WriteWholeFile(local.File(name), name);
    }
    std::filesystem::create_directory(local.File("empty"));
    std::filesystem::create_directory(local.File("full"));
    WriteWholeFile(local.File("full/inner.txt"), "x");
    Connect([](CScriptSession&) {});
    Select("localList", {"<empty>", "<full>", "a.txt", "gone.txt"});
    // Vanishes after the pane was listed: its delete fails.
    std::filesystem::remove(local.File("gone.txt"));
    prompt.answers = {true};
    dlg->DeleteCommand();

    EXPECT_EQ(prompt.questions, QStringList({"4 個のファイルを削除しますか？"}));
    EXPECT_EQ(statuses,
              QStringList({QString::fromStdString(local.File("a.txt")) + " を削除しました",
                           QString::fromStdString(local.File("gone.txt")) + " の削除に失敗しました",
                           "4 個中 2 個の削除に失敗しました: full (Directory not empty)、gone.txt"}));
    EXPECT_EQ(List("localList")->Rows(), QStringList({"..", "<full>", "keep.txt"}));
    EXPECT_TRUE(std::filesystem::exists(local.File("full/inner.txt")));
    EXPECT_EQ(Finish(), "");
}
