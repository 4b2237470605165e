// Changing permission bits: the dialog's reading of permission texts and the command.
#include <QCheckBox>
#include <QDialog>
#include <QLabel>

#include "filecommandtest.h"
#include "gui/dialogs/attribdlg.h"

using namespace tarnwick;
using namespace tarnwick::testing;

namespace {

const char* const kBoxes[9] = {"ownerRead", "ownerWrite", "ownerExec", "groupRead", "groupWrite",
                               "groupExec", "allRead",    "allWrite",  "allExec"};

// The boxes as "rwxrwxrwx" with "-" for a clear one.
QString Boxes(const QDialog& dialog)
{
    QString shown;
    for (int i = 0; i < 9; ++i) {
        const auto* box = dialog.findChild<QCheckBox*>(kBoxes[i]);
        shown += box == nullptr ? QChar('?') : box->isChecked() ? QChar("rwx"[i % 3]) : QChar('-');
    }
    return shown;
}

QString Prompt(const QDialog& dialog)
{
    const auto* label = dialog.findChild<QLabel*>("attribPrompt");
    return label == nullptr ? QString() : label->text();
}

} // namespace

TEST(AttribDlg, PresetReadsOnlyExactLettersAndNeverPastTheEnd)
{
    const struct {
        const char* name;
        const char* permissions;
        const char* boxes;
        const char* prompt;
        const char* mode;
    } cases[] = {
        {"file-644", "-rw-r--r--", "rw-r--r--", "現在の属性：644", "644"},
        {"directory-755", "drwxr-xr-x", "rwxr-xr-x", "現在の属性：755", "755"},
        {"others-read-only", "-------r--", "------r--", "現在の属性：4", "004"},
        {"setuid-setgid-sticky", "-rwsr-sr-t", "rw-r--r--", "現在の属性：644", "644"},
        {"capital-set-ids", "-rwSr-Sr-T", "rw-r--r--", "現在の属性：644", "644"},
        {"letters-out-of-place", "-xwrxwrxwr", "-w--w--w-", "現在の属性：222", "222"},
        {"short-text", "-rw", "rw-------", "現在の属性：600", "600"},
        {"type-letter-only", "d", "---------", "現在の属性：0", "000"},
        {"empty", "", "---------", "現在の属性：0", "000"},
        {"long-acl-marker", "-rwxrwxrwx+", "rwxrwxrwx", "現在の属性：777", "777"},
    };
    for (const auto& c : cases) {
        CRemoteFileList list;
        RemoteFileEntry entry;
        list.Add(entry);
        entry.permissions = c.permissions;
        const int index = list.Add(entry);
        CAttribDlg dialog;
        dialog.Preset(list, index);
        EXPECT_EQ(Boxes(dialog), c.boxes) << c.name;
        EXPECT_EQ(Prompt(dialog), QString::fromUtf8(c.prompt)) << c.name;
        EXPECT_EQ(dialog.GetModeText(), c.mode) << c.name;
    }
}

TEST(AttribDlg, NamesTheEntryItChanges)
{
    CRemoteFileList list;
    for (const auto& [name, permissions] :
         {std::pair{"notes.txt", "-rw-r--r--"}, std::pair{"<src>", "drwxr-xr-x"}}) {
        RemoteFileEntry entry;
        entry.displayName = name;
        entry.permissions = permissions;
        list.Add(entry);
    }
    CAttribDlg dialog;
    const auto named = [&dialog] { return dialog.findChild<QLabel*>("attribName")->text(); };
    dialog.Preset(list, 0);
    EXPECT_EQ(named(), "ファイル：notes.txt");
    dialog.Preset(list, 1);
    EXPECT_EQ(named(), "ディレクトリ：src");
    EXPECT_EQ(Prompt(dialog), "現在の属性：755");
}

TEST(AttribDlg, ThreeGroupsOfThreeBoxes)
{
    CAttribDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), "属性変更");
    QStringList layout;
    for (const char* group : {"ownerGroupBox", "groupGroupBox", "allGroupBox"}) {
        const auto* box = dialog.findChild<QWidget*>(group);
        ASSERT_NE(box, nullptr) << group;
        layout << box->property("title").toString();
        for (const QCheckBox* check : box->findChildren<QCheckBox*>()) {
            layout << check->objectName() + "=" + check->text();
        }
    }
    EXPECT_EQ(layout, QStringList({"Owner", "ownerRead=呼出", "ownerWrite=書込", "ownerExec=実行",
                                   "Group", "groupRead=呼出", "groupWrite=書込", "groupExec=実行",
                                   "All", "allRead=呼出", "allWrite=書込", "allExec=実行"}));
}

namespace {

class AttribCommandTest : public FileCommandTest {
protected:
    const std::string listing = FileLine("a.txt") + DirLine("src") +
                                FileLine("s.bin", "9", "-rwsr-xr-t") + FileLine("b.txt");

    // Confirms the dialog after recording what it showed and clicking the boxes `toggle`.
    CScriptedDialogRunner::Answer Confirm(QStringList toggle = {})
    {
        return [this, toggle](QDialog& dialog) {
            shown << Prompt(dialog) + " " + Boxes(dialog);
            for (const QString& name : toggle) {
                dialog.findChild<QCheckBox*>(name)->click();
            }
            return static_cast<int>(QDialog::Accepted);
        };
    }
    void PutCaret(const QString& row)
    {
        CPaneList* list = List("remoteList");
        const int found = list->FindRow(row);
        ASSERT_GE(found, 0) << row.toStdString();
        list->SetCurrentRow(found, QItemSelectionModel::NoUpdate);
    }
    QStringList shown;
};

} // namespace

TEST_F(AttribCommandTest, SendsTheModeOfTheBoxesForTheCaretRowAndListsAgain)
{
    Connect(
        [](CScriptSession& s) {
            s.ExpectReply("SITE CHMOD 644 a.txt", "200 SITE CHMOD command ok.\r\n");
            ServeListing(s, "TYPE A", FileLine("a.txt"));
            s.ExpectReply("SITE CHMOD 755 src", "200 SITE CHMOD command ok.\r\n");
            ServeListing(s, "TYPE A", DirLine("src"));
            s.ExpectReply("SITE CHMOD 000 src", "200 SITE CHMOD command ok.\r\n");
            ServeListing(s, "TYPE A", DirLine("src", "d---------"));
            s.ExpectReply("SITE CHMOD 654 s.bin", "550 Operation not permitted\r\n");
            ServeListing(s, "TYPE A", FileLine("s.bin", "9", "-rwsr-xr-t"));
        },
        listing);
    dlg->ActivateRemotePane();

    runner.answers = {Confirm()};
    PutCaret("a.txt");
    dlg->ChangeAttributesCommand();
    EXPECT_EQ(List("remoteList")->Rows(), QStringList({"..", "a.txt"}));

    runner.answers = {Confirm()};
    dlg->m_remoteFiles.Clear();
    FillRemotePane(*List("remoteList"), listing, dlg->m_remoteFiles);
    PutCaret("<src>");
    dlg->ChangeAttributesCommand();

    runner.answers = {Confirm(
        {"ownerRead", "ownerWrite", "ownerExec", "groupRead", "groupExec", "allRead", "allExec"})};
    PutCaret("<src>");
    dlg->ChangeAttributesCommand();

    // Two rows selected, the caret on a third: the third is changed. Its 's' and 't' leave
    // the execute boxes clear.
    FillRemotePane(*List("remoteList"), listing, dlg->m_remoteFiles);
    Select("remoteList", {"a.txt", "b.txt"});
    runner.answers = {Confirm()};
    PutCaret("s.bin");
    dlg->ChangeAttributesCommand();

    EXPECT_EQ(shown, QStringList({"現在の属性：644 rw-r--r--", "現在の属性：755 rwxr-xr-x",
                                  "現在の属性：755 rwxr-xr-x", "現在の属性：654 rw-r-xr--"}));
    // The server's reply, a refusal included; the pane is listed again either way.
    EXPECT_EQ(statuses,
              QStringList({"200 SITE CHMOD command ok.\r\n", "550 Operation not permitted\r\n"}));
    EXPECT_EQ(List("remoteList")->Rows(), QStringList({"..", "s.bin"}));
    EXPECT_EQ(Finish(), "");
}

TEST_F(AttribCommandTest, DoesNothingForTheParentRowTheLocalPaneOrACancel)
{
    Connect([](CScriptSession&) {}, listing);
    Select("remoteList", {"a.txt"});
    PutCaret("..");
    dlg->ActivateRemotePane();
    dlg->ChangeAttributesCommand();

    PutCaret("a.txt");
    dlg->ActivateLocalPane();
    dlg->ChangeAttributesCommand();
    EXPECT_TRUE(runner.ran.isEmpty());

    dlg->ActivateRemotePane();
    runner.answers = {CScriptedDialogRunner::Reject()};
    dlg->ChangeAttributesCommand();
    EXPECT_EQ(runner.ran, QStringList({"attribDialog"}));
    EXPECT_TRUE(statuses.isEmpty());
    EXPECT_EQ(Finish(), "");
    EXPECT_EQ(server->Received(), "");
}

TEST_F(AttribCommandTest, RowWithoutEntryOrUnsentCommandIsReportedAndNotListed)
{
    serverCloses = true;
    Connect(
        [](CScriptSession& s) {
            s.Expect("SITE CHMOD 644 a.txt");
            s.Close();
        },
        listing);
    dlg->ActivateRemotePane();
    List("remoteList")->AddString("ghost");
    PutCaret("ghost");
    dlg->ChangeAttributesCommand();

    const QStringList rows = List("remoteList")->Rows();
    runner.answers = {Confirm()};
    PutCaret("a.txt");
    dlg->ChangeAttributesCommand();
    EXPECT_EQ(statuses, QStringList({"指定されたファイルがリストにありません\r\n",
                                     "ChangeFileAttrib に失敗\r\n"}));
    EXPECT_EQ(List("remoteList")->Rows(), rows);
    EXPECT_EQ(Finish(), "");
}

// A listing without permissions (MLSD without UNIX.mode) gives the dialog nothing to start
// from: MLST's facts, a STAT line of the file or the long listing are asked in turn, and where
// none tells, no dialog opens and no mode is sent.
TEST_F(AttribCommandTest, WithoutPermissionsInTheListingTheServerIsAskedAndNothingIsMadeUp)
{
    const std::string mlsd =
        "type=file;size=1; a.txt\r\ntype=file;size=1; b.txt\r\ntype=file;size=1; c.txt\r\n"
        "type=dir; src\r\n";
    const auto listAgain = [&mlsd](CScriptSession& s) {
        ServeData(s, "TYPE A", "MLSD", [&] { s.DataSend(mlsd); });
    };
    Connect([&](CScriptSession& s) {
        s.ExpectReply("FEAT", "211-Features:\r\n MLST type*;size*;UNIX.mode;\r\n211 End\r\n");
        s.ExpectReply("OPTS MLST type;size;UNIX.mode;", "200 ok\r\n");
        // a.txt: MLST tells.
        s.ExpectReply("MLST a.txt",
                      "250-Listing a.txt\r\n type=file;UNIX.mode=0640; a.txt\r\n250 End\r\n");
        s.ExpectReply("SITE CHMOD 640 a.txt", "200 ok\r\n");
        listAgain(s);
        // b.txt: MLST without a mode, then STAT.
        s.ExpectReply("MLST b.txt", "250-Listing b.txt\r\n type=file; b.txt\r\n250 End\r\n");
        s.ExpectReply("STAT b.txt",
                      "213-Status of b.txt:\r\n -rwx------ 1 u g 1 Mar 14 09:12 b.txt\r\n"
                      "213 End of status\r\n");
        s.ExpectReply("SITE CHMOD 700 b.txt", "200 ok\r\n");
        listAgain(s);
        // src: a folder's STAT would list what it holds: the long listing of the folder shown.
        s.ExpectReply("MLST src", "550 Not allowed\r\n");
        ServeData(s, "TYPE A", "LIST -a", [&] { s.DataSend(DirLine("src", "drwxr-x---")); });
        s.ExpectReply("SITE CHMOD 750 src", "200 ok\r\n");
        listAgain(s);
        // c.txt: nobody tells.
        s.ExpectReply("MLST c.txt", "550 Not allowed\r\n");
        s.ExpectReply("STAT c.txt", "500 Unknown command\r\n");
        ServeData(s, "TYPE A", "LIST -a", [&] { s.DataSend(FileLine("a.txt")); });
    });
    ASSERT_TRUE(dlg->m_engine.NegotiateFeatures());
    FillRemotePane(*List("remoteList"), mlsd, dlg->m_remoteFiles, ListingFormat::MlsdFacts);
    dlg->ActivateRemotePane();
    for (const QString row : {"a.txt", "b.txt", "<src>", "c.txt"}) {
        runner.answers = {Confirm()};
        PutCaret(row);
        dlg->ChangeAttributesCommand();
    }
    EXPECT_EQ(shown, QStringList({"現在の属性：640 rw-r-----", "現在の属性：700 rwx------",
                                  "現在の属性：750 rwxr-x---"}));
    EXPECT_EQ(runner.ran, QStringList({"attribDialog", "attribDialog", "attribDialog"}));
    EXPECT_EQ(statuses.back(), "c.txt の属性が分かりません (サーバーが答えません)");
    EXPECT_EQ(Finish(), "");
    EXPECT_EQ(server->Received().find("SITE CHMOD 000"), std::string::npos);
}
