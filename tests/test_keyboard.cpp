// The window from the keyboard: the keys of the panes and the commands, Enter in the path
// fields, and a pane that always shows the folder its commands act on.
#include <QTest>

#include <filesystem>

#include "ui/widgets/panelist.h"
#include "connecttest.h"

using namespace tarnwick;
using namespace tarnwick::testing;

namespace {

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

const QString kShownInstead = "パス欄のフォルダー %1 を表示しました。ファイルを選び直してください";

class KeyboardTest : public ConnectTest {
protected:
    // A key pressed where the focus is. Shortcuts reach only the active window, and only in
    // it does the focus make a pane the active one.
    void Press(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        if (!dlg->isActiveWindow()) {
            dlg->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get(), 5000));
        }
        target->setFocus();
        QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
    }
    void Caret(CPaneList* list, const QString& row)
    {
        const int found = list->FindRow(row);
        ASSERT_GE(found, 0) << row.toStdString();
        list->SetCurrentRow(found, QItemSelectionModel::ClearAndSelect);
    }
};

} // namespace

TEST_F(KeyboardTest, KeysOfTheRemotePane)
{
    Serve([](CScriptSession& s) {
        ServeStartDir(s, "/", "/pub", "250 ok\r\n", "/pub");
        ServeListing(s, "TYPE A", DirLine("incoming") + FileLine("a.txt") + FileLine("b.txt"));
        // Enter on a directory row.
        s.ExpectReply("CWD incoming", "250 ok\r\n");
        ServeListing(s, "TYPE A", FileLine("new.txt"));
        // Backspace: up, as the ".." row does.
        s.ExpectReply("CWD ..", "250 ok\r\n");
        s.ExpectReply("PWD", Pwd("/pub"));
        ServeListing(s, "TYPE A", DirLine("incoming") + FileLine("a.txt") + FileLine("b.txt"));
        // Delete: the question, then DELE.
        s.ExpectReply("DELE /pub/a.txt", "250 Deleted\r\n");
        ServeListing(s, "TYPE A", DirLine("incoming") + FileLine("b.txt"));
        // F5: both panes listed again.
        ServeListing(s, "TYPE A", DirLine("incoming") + FileLine("b.txt") + FileLine("c.txt"));
        s.ExpectClosed();
    });
    RunConnect({.localDir = local.Path(), .remoteDir = "/pub"});
    CPaneList* remote = List("remoteList");

    Caret(remote, "<incoming>");
    Press(remote, Qt::Key_Return);
    EXPECT_EQ(FieldText("remoteDirEdit"), "/pub/incoming");
    EXPECT_EQ(remote->Rows(), (QStringList{"..", "new.txt"}));

    Press(remote, Qt::Key_Backspace);
    EXPECT_EQ(FieldText("remoteDirEdit"), "/pub");

    // Ctrl+A: every row but "..".
    Press(remote, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(remote->SelectedRowTexts(), (std::vector<std::string>{"<incoming>", "a.txt", "b.txt"}));

    Caret(remote, "a.txt");
    prompt.answers = {true};
    Press(remote, Qt::Key_Delete);
    EXPECT_EQ(prompt.questions,
              QStringList{"1 個のファイルまたは\nディレクトリを削除しますか？\n\na.txt"});
    EXPECT_EQ(remote->Rows(), (QStringList{"..", "<incoming>", "b.txt"}));

    WriteWholeFile(local.File("appeared.txt"), "x");
    Press(remote, Qt::Key_F5);
    EXPECT_EQ(remote->Rows(), (QStringList{"..", "<incoming>", "b.txt", "c.txt"}));
    EXPECT_TRUE(List("localList")->Rows().contains("appeared.txt"));
    EXPECT_EQ(Finish(), "");
}

TEST_F(KeyboardTest, KeysOfTheLocalPane)
{
    std::filesystem::create_directory(local.File("sub"));
    WriteWholeFile(local.File("sub/inner.txt"), "x");
    WriteWholeFile(local.File("gone.txt"), "x");
    dlg->m_strLocalDir = local.Path();
    static_cast<void>(RefreshLocalPane(*List("localList"), local.Path()));
    dlg->ShowTexts();
    CPaneList* pane = List("localList");

    Caret(pane, "<sub>");
    Press(pane, Qt::Key_Enter);
    EXPECT_EQ(FieldText("localDirEdit"), Q(local.Path() + "/sub"));
    EXPECT_EQ(pane->Rows(), (QStringList{"..", "inner.txt"}));
    // Enter on a file row does nothing.
    Caret(pane, "inner.txt");
    Press(pane, Qt::Key_Return);
    EXPECT_EQ(FieldText("localDirEdit"), Q(local.Path() + "/sub"));
    Press(pane, Qt::Key_Backspace);
    EXPECT_EQ(FieldText("localDirEdit"), Q(local.Path()));

    Caret(pane, "gone.txt");
    prompt.answers = {true};
    Press(pane, Qt::Key_Delete);
    EXPECT_EQ(prompt.questions, QStringList{"1 個の項目をごみ箱に移動しますか？\n\ngone.txt"});
    EXPECT_FALSE(std::filesystem::exists(local.File("gone.txt")));
    EXPECT_TRUE(std::filesystem::exists(dataHome.File("Trash/files/gone.txt")));

    // In a path field Delete and Ctrl+A are the field's own.
    QLineEdit* field = Field("localDirEdit");
    field->setCursorPosition(0);
    Press(field, Qt::Key_Delete);
    EXPECT_EQ(field->text(), Q(local.Path().substr(1)));
    EXPECT_EQ(prompt.questions.size(), 1);
}

TEST_F(KeyboardTest, EnterInAPathFieldGoesThereOrSaysWhyNot)
{
    CTempDir other;
    WriteWholeFile(other.File("there.txt"), "x");
    Serve([](CScriptSession& s) {
        ServeStartDir(s, "/", "/pub", "250 ok\r\n", "/pub");
        ServeListing(s, "TYPE A", FileLine("a.txt"));
        // A relative path, shown as the server reports it.
        s.ExpectReply("CWD ../srv", "250 ok\r\n");
        s.ExpectReply("PWD", Pwd("/srv"));
        ServeListing(s, "TYPE A", FileLine("s.txt"));
        s.ExpectReply("CWD /locked", "550 Permission denied\r\n");
        s.ExpectClosed();
    });
    RunConnect({.localDir = local.Path(), .remoteDir = "/pub"});

    QLineEdit* remoteField = Field("remoteDirEdit");
    remoteField->setText("../srv");
    Press(remoteField, Qt::Key_Return);
    EXPECT_EQ(FieldText("remoteDirEdit"), "/srv");
    EXPECT_EQ(List("remoteList")->Rows(), (QStringList{"..", "s.txt"}));
    remoteField->setText("/locked");
    Press(remoteField, Qt::Key_Return);
    EXPECT_EQ(FieldText("remoteDirEdit"), "/srv") << "back to the folder shown";
    EXPECT_EQ(List("remoteList")->Rows(), (QStringList{"..", "s.txt"}));
    EXPECT_EQ(dlg->GetStatusText(), "/locked に移動できません: 550 Permission denied");
    // Too long to be sent: nothing goes out, and the refusal before is not its reason.
    const QString tooLong(2100, QLatin1Char('x'));
    remoteField->setText(tooLong);
    Press(remoteField, Qt::Key_Return);
    EXPECT_TRUE(dlg->GetStatusText().startsWith(tooLong));
    EXPECT_EQ(dlg->GetStatusText().mid(tooLong.size()),
              " に移動できません: 送れないコマンドです (長すぎるか、改行や送れない文字を含みます)");

    QLineEdit* localField = Field("localDirEdit");
    localField->setText(Q(other.Path() + "/"));
    Press(localField, Qt::Key_Return);
    EXPECT_EQ(FieldText("localDirEdit"), Q(other.Path()));
    EXPECT_EQ(List("localList")->Rows(), (QStringList{"..", "there.txt"}));
    localField->setText("nosuch");
    Press(localField, Qt::Key_Return);
    EXPECT_EQ(FieldText("localDirEdit"), Q(other.Path()));
    EXPECT_EQ(List("localList")->Rows(), (QStringList{"..", "there.txt"}));
    EXPECT_TRUE(dlg->GetStatusText().startsWith("nosuch を開けません: "));
    EXPECT_EQ(Finish(), "");
}

TEST_F(KeyboardTest, ATypedFolderIsShownAndNoUnseenFileIsTouched)
{
    // The rows of "/" on screen, another folder typed: neither delete nor download nor
    // 属性変更 may act on a file of that other folder.
    Serve([](CScriptSession& s) {
        ServeStartDir(s, "/", "/", "250 ok\r\n", "/");
        ServeListing(s, "TYPE A", FileLine("hello.txt"));
        for (const char* dir : {"/sub", "/two", "/three"}) {
            s.ExpectReply(std::string("CWD ") + dir, "250 ok\r\n");
            s.ExpectReply("PWD", Pwd(dir));
            ServeListing(s, "TYPE A", FileLine("hello.txt") + FileLine("other.txt"));
        }
        s.ExpectClosed();
    });
    RunConnect({.localDir = local.Path(), .remoteDir = "/"});
    CPaneList* remote = List("remoteList");
    dlg->ActivateRemotePane();
    const struct {
        const char* typed;
        int key;
        Qt::KeyboardModifiers modifiers;
    } commands[] = {
        {"/sub", Qt::Key_Delete, Qt::NoModifier},
        {"/two", Qt::Key_G, Qt::ControlModifier},
        {"/three", Qt::Key_Return, Qt::AltModifier},
    };
    for (const auto& command : commands) {
        SCOPED_TRACE(command.typed);
        Field("remoteDirEdit")->setText(command.typed);
        Caret(remote, "hello.txt");
        Press(remote, command.key, command.modifiers);
        EXPECT_TRUE(prompt.asked.isEmpty()) << "nothing is asked: nothing happens";
        EXPECT_EQ(runner.ran, QStringList{"connectDialog"}) << "no attributes dialog";
        EXPECT_EQ(FieldText("remoteDirEdit"), command.typed);
        EXPECT_EQ(remote->Rows(), (QStringList{"..", "hello.txt", "other.txt"}));
        EXPECT_TRUE(remote->SelectedRowTexts().empty());
        EXPECT_EQ(dlg->GetStatusText(), kShownInstead.arg(command.typed));
    }
    EXPECT_EQ(Finish(), "");
    for (const char* verb : {"DELE", "RETR", "SITE"}) {
        EXPECT_EQ(server->Received().find(verb), std::string::npos) << verb;
    }
}

TEST_F(KeyboardTest, ATypedLocalFolderIsShownAndItsFilesAreNeitherDeletedNorSent)
{
    CTempDir other;
    WriteWholeFile(other.File("hello.txt"), "unseen");
    WriteWholeFile(local.File("hello.txt"), "shown");
    Connect([](CScriptSession&) {}, FileLine("x.txt"));
    CPaneList* pane = List("localList");
    dlg->ActivateLocalPane();
    for (const auto& [key, modifiers] : {std::pair{Qt::Key_Delete, Qt::NoModifier},
                                         std::pair{Qt::Key_U, Qt::ControlModifier}}) {
        // Each time the other folder is typed while the scratch folder's rows are shown.
        dlg->m_strLocalDir = local.Path();
        static_cast<void>(RefreshLocalPane(*pane, local.Path()));
        dlg->ShowTexts();
        Field("localDirEdit")->setText(Q(other.Path()));
        Caret(pane, "hello.txt");
        Press(pane, key, modifiers);
        EXPECT_TRUE(prompt.asked.isEmpty());
        EXPECT_EQ(FieldText("localDirEdit"), Q(other.Path()));
        EXPECT_EQ(dlg->GetStatusText(), kShownInstead.arg(Q(other.Path())));
    }
    EXPECT_EQ(ReadWholeFile(other.File("hello.txt")), "unseen");
    EXPECT_EQ(ReadWholeFile(local.File("hello.txt")), "shown");
    EXPECT_EQ(Finish(), "");
    EXPECT_EQ(server->Received(), "");
}

TEST_F(KeyboardTest, CtrlQDisconnectsAndCloses)
{
    Serve([](CScriptSession& s) {
        ServeStartDir(s, "/", "/pub", "250 ok\r\n", "/pub");
        ServeListing(s, "TYPE A", FileLine("a.txt"));
        s.ExpectReply("QUIT", "221 Goodbye\r\n");
        s.ExpectClosed();
    });
    RunConnect({.localDir = local.Path(), .remoteDir = "/pub"});
    Press(List("localList"), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(Finish(), "");
}
