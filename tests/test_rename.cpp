// Renaming the item under the caret, on both sides: the dialog, the question before replacing,
// the names refused, a link renamed itself, and the caret on the renamed row afterwards.
#include <QDialog>
#include <QLabel>

#include <filesystem>

#include "filecommandtest.h"

using namespace tarnwick;
using namespace tarnwick::testing;

namespace {

namespace fs = std::filesystem;

class RenameTest : public FileCommandTest {
protected:
    // Answers the rename dialog with `name` typed; records what it showed first.
    CScriptedDialogRunner::Answer TypeName(const QString& name, int result = QDialog::Accepted)
    {
        return [this, name, result](QDialog& dialog) {
            shownPrompt = dialog.findChild<QLabel*>("renamePrompt")->text();
            auto* field = dialog.findChild<QLineEdit*>("renameName");
            shownName = field->text();
            shownSelection = field->selectedText();
            field->setText(name);
            return result;
        };
    }
    // Puts the caret on `row` of the pane (1 local, 0 remote) and presses F2's command.
    void RenameRow(int pane, const QString& row, const QString& name)
    {
        pane == 1 ? dlg->ActivateLocalPane() : dlg->ActivateRemotePane();
        Select(pane == 1 ? "localList" : "remoteList", {row});
        runner.answers = {TypeName(name)};
        dlg->RenameCommand();
    }
    QString CaretRow(const char* list) const
    {
        return QString::fromStdString(const_cast<RenameTest*>(this)->List(list)->CurrentRowText());
    }
    QString shownPrompt;
    QString shownName;
    QString shownSelection;
};

TEST_F(RenameTest, LocalItemsRenamedInPlaceWithTheCaretFollowing)
{
    WriteWholeFile(local.File("report.txt"), "a");
    WriteWholeFile(local.File("keep.txt"), "k");
    fs::create_directory(local.File("photos"));
    fs::create_symlink("keep.txt", local.File("link"));
    Connect([](CScriptSession&) {});

    RenameRow(1, "report.txt", "報告.txt");
    EXPECT_EQ(shownPrompt, "ローカルの report.txt の新しい名前");
    EXPECT_EQ(shownName, "report.txt");
    EXPECT_EQ(shownSelection, "report"); // the ending kept when typing over
    EXPECT_EQ(ReadWholeFile(local.File("報告.txt")), "a");
    EXPECT_FALSE(fs::exists(local.File("report.txt")));
    EXPECT_EQ(CaretRow("localList"), "報告.txt");
    EXPECT_TRUE(List("localList")->IsRowSelected(List("localList")->FindRow("報告.txt")));
    EXPECT_EQ(statuses.last(), "report.txt の名前を 報告.txt に変更しました");

    RenameRow(1, "<photos>", "写真");
    EXPECT_TRUE(fs::is_directory(local.File("写真")));
    EXPECT_EQ(CaretRow("localList"), "<写真>");

    // The link itself is renamed; the file it points at stays as it was.
    RenameRow(1, "link", "link2");
    EXPECT_TRUE(fs::is_symlink(local.File("link2")));
    EXPECT_EQ(fs::read_symlink(local.File("link2")), "keep.txt");
    EXPECT_EQ(ReadWholeFile(local.File("keep.txt")), "k");
    EXPECT_EQ(runner.unexpected, 0);
    EXPECT_TRUE(prompt.asked.isEmpty());
    EXPECT_EQ(Finish(), "");
}

TEST_F(RenameTest, LocalReplaceOnlyAfterTheQuestionNamingBoth)
{
    WriteWholeFile(local.File("new.txt"), "new");
    WriteWholeFile(local.File("old.txt"), "old");
    Connect([](CScriptSession&) {});
    const QString question =
        "old.txt は既にあります。\nnew.txt の名前を変更して置き換えますか？\n\n"
        "new.txt → old.txt";

    prompt.answers = {false};
    RenameRow(1, "new.txt", "old.txt");
    EXPECT_EQ(ReadWholeFile(local.File("old.txt")), "old");
    EXPECT_EQ(ReadWholeFile(local.File("new.txt")), "new");
    EXPECT_EQ(prompt.cautions, QStringList({question}));
    EXPECT_TRUE(statuses.isEmpty());

    prompt.answers = {true};
    RenameRow(1, "new.txt", "old.txt");
    EXPECT_EQ(ReadWholeFile(local.File("old.txt")), "new");
    EXPECT_FALSE(fs::exists(local.File("new.txt")));
    EXPECT_EQ(prompt.cautions.size(), 2);
    EXPECT_EQ(CaretRow("localList"), "old.txt");
    EXPECT_EQ(Finish(), "");
}

TEST_F(RenameTest, UnsafeEmptyOrSameNamesChangeNothingOnEitherSide)
{
    WriteWholeFile(local.File("a.txt"), "a");
    // Nothing reaches the server but the closing.
    Connect([](CScriptSession&) {}, FileLine("r.txt"));
    const struct {
        const char* typed;
        const char* status; // empty: nothing said
    } rows[] = {
        {"../a.txt", "../a.txt は名前に使えません"},
        {"sub/a.txt", "sub/a.txt は名前に使えません"},
        {"a\\b", "a\\b は名前に使えません"},
        {"..", ".. は名前に使えません"},
        {"tab\there", "tab\there は名前に使えません"},
        {"", ""},
    };
    for (const int pane : {1, 0}) {
        const QString item = pane == 1 ? "a.txt" : "r.txt";
        for (const auto& row : rows) {
            statuses.clear();
            RenameRow(pane, item, QString::fromUtf8(row.typed));
            EXPECT_EQ(statuses.isEmpty() ? QString() : statuses.last(), QString(row.status))
                << pane << " " << row.typed;
        }
        statuses.clear();
        RenameRow(pane, item, item);
        EXPECT_TRUE(statuses.isEmpty());
    }
    EXPECT_EQ(ReadWholeFile(local.File("a.txt")), "a");
    EXPECT_EQ(runner.unexpected, 0);
    EXPECT_TRUE(prompt.asked.isEmpty());
    EXPECT_EQ(Finish(), "");
    EXPECT_EQ(server->Received(), "");
}

TEST_F(RenameTest, RemoteRnfrRntoThenTheListingWithTheCaretOnTheNewName)
{
    Connect(
        [](CScriptSession& s) {
            s.ExpectReply("RNFR a.txt", "350 Ready for RNTO.\r\n");
            s.ExpectReply("RNTO b.txt", "250 Rename successful.\r\n");
            ServeListing(s, "TYPE A", FileLine("b.txt") + DirLine("d"));
            s.ExpectReply("RNFR d", "350 Ready for RNTO.\r\n");
            s.ExpectReply("RNTO 資料", "250 Rename successful.\r\n");
            ServeListing(s, "TYPE A", FileLine("b.txt") + DirLine("資料"));
            // Refused at RNTO: the reply is said, the pane stays.
            s.ExpectReply("RNFR b.txt", "350 Ready for RNTO.\r\n");
            s.ExpectReply("RNTO c.txt", "550 Rename failed.\r\n");
        },
        FileLine("a.txt") + DirLine("d"));
    RenameRow(0, "a.txt", "b.txt");
    EXPECT_EQ(shownPrompt, "リモートの a.txt の新しい名前");
    EXPECT_EQ(CaretRow("remoteList"), "b.txt");
    EXPECT_EQ(statuses.last(), "a.txt の名前を b.txt に変更しました");
    RenameRow(0, "<d>", "資料");
    EXPECT_EQ(CaretRow("remoteList"), "<資料>");
    RenameRow(0, "b.txt", "c.txt");
    EXPECT_EQ(statuses.last(), "名前の変更に失敗しました: 550 Rename failed.");
    EXPECT_GE(List("remoteList")->FindRow("b.txt"), 0);
    EXPECT_EQ(Finish(), "");
}

TEST_F(RenameTest, RemoteExistingNameAskedBeforeAnythingIsSent)
{
    Connect(
        [](CScriptSession& s) {
            s.ExpectReply("RNFR a.txt", "350 Ready for RNTO.\r\n");
            s.ExpectReply("RNTO d", "250 Rename successful.\r\n");
            ServeListing(s, "TYPE A", FileLine("d"));
        },
        FileLine("a.txt") + DirLine("d"));
    prompt.answers = {false, true};
    RenameRow(0, "a.txt", "d"); // no: nothing sent
    RenameRow(0, "a.txt", "d");
    EXPECT_EQ(
        prompt.cautions,
        QStringList({"d は既にあります。\na.txt の名前を変更して置き換えますか？\n\na.txt → d",
                     "d は既にあります。\na.txt の名前を変更して置き換えますか？\n\na.txt → d"}));
    EXPECT_EQ(CaretRow("remoteList"), "d");
    EXPECT_EQ(Finish(), "");
}

TEST_F(RenameTest, MenusAndF2RunTheCommand)
{
    auto* action = Find<QAction>("renameAction");
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->text(), "名前の変更");
    EXPECT_EQ(action->shortcut(), QKeySequence(Qt::Key_F2));
    auto* context = Find<QAction>("contextRenameAction");
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(context->text(), "名前の変更");

    WriteWholeFile(local.File("x.txt"), "x");
    Connect([](CScriptSession&) {});
    dlg->ActivateLocalPane();
    Select("localList", {"x.txt"});
    runner.answers = {TypeName("y.txt"), TypeName("z.txt")};
    action->trigger();
    context->trigger();
    EXPECT_EQ(runner.ran, QStringList({"renameDialog", "renameDialog"}));
    EXPECT_EQ(ReadWholeFile(local.File("z.txt")), "x");
    EXPECT_EQ(Finish(), "");
}

} // namespace
