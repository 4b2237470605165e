// The login dialog and its server profiles, against a scratch store.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>
#include <string>

#include "gui/dialogs/connectdlg.h"
#include "settings/profiles.h"
#include "support/gui/scriptedprompt.h"
#include "support/memorykeyring.h"
#include "support/tempdir.h"

using namespace tarnwick;
using namespace tarnwick::testing;

namespace {

const QString kLimitMessage =
    "保存できません。\n設定保存数の上限(10)に達している可能性があります。";

// What the dialog shows in its five text fields.
struct Shown {
    QString server, user, password, localDir, remoteDir;
    bool operator==(const Shown&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Shown& s)
{
    return out << "{" << s.server.toStdString() << ", " << s.user.toStdString() << ", "
               << s.password.toStdString() << ", " << s.localDir.toStdString() << ", "
               << s.remoteDir.toStdString() << "}";
}

ServerProfile Profile(const std::string& server, const std::string& password = "pw")
{
    return {server, "user-" + server, password, "/local/" + server, "remote/" + server};
}

class ConnectDlgTest : public ::testing::Test {
protected:
    // A new dialog, as each connect command makes one.
    void Open()
    {
        dlg = std::make_unique<CConnectDlg>(prompt, keyring);
        dlg->show();
    }

    template <class T> T* Find(const char* name)
    {
        T* found = dlg->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QLineEdit* Field(const char* name) { return Find<QLineEdit>(name); }
    QComboBox* Combo() { return Find<QComboBox>("profileCombo"); }

    QStringList Items()
    {
        QStringList items;
        for (int i = 0; i < Combo()->count(); ++i) {
            items << Combo()->itemText(i);
        }
        return items;
    }
    Shown Fields()
    {
        return {Field("serverEdit")->text(), Field("userEdit")->text(),
                Field("passwordEdit")->text(), Field("localInitDirEdit")->text(),
                Field("remoteInitDirEdit")->text()};
    }
    void Fill(const Shown& shown)
    {
        Field("serverEdit")->setText(shown.server);
        Field("userEdit")->setText(shown.user);
        Field("passwordEdit")->setText(shown.password);
        Field("localInitDirEdit")->setText(shown.localDir);
        Field("remoteInitDirEdit")->setText(shown.remoteDir);
    }
    // The user picks list item `index`.
    void Choose(int index)
    {
        Combo()->setCurrentIndex(index);
        emit Combo()->activated(index);
    }
    void Save(const QString& name)
    {
        Combo()->setEditText(name);
        QTest::mouseClick(Find<QPushButton>("saveButton"), Qt::LeftButton);
    }
    void Delete(const QString& name)
    {
        Combo()->setEditText(name);
        QTest::mouseClick(Find<QPushButton>("deleteButton"), Qt::LeftButton);
    }
    void TickSavePass(bool tick) { Find<QCheckBox>("savePassCheck")->setChecked(tick); }

    QLabel* KeyringNote() { return Find<QLabel>("keyringNote"); }

    CTempStore store;
    CScriptedPrompt prompt;
    // As on a machine without a session bus, unless a test gives it one: passwords stay in
    // the settings file, as they always did.
    CMemoryKeyring keyring = [] {
        CMemoryKeyring none;
        none.unusable = KeyringStatus::NoBus;
        return none;
    }();
    std::unique_ptr<CConnectDlg> dlg;
};

QStringList Names(std::initializer_list<const char*> names)
{
    QStringList items;
    for (const char* name : names) {
        items << QString::fromUtf8(name);
    }
    return items;
}

} // namespace

TEST_F(ConnectDlgTest, FreshStoreShowsTenEmptyItemsWithTheFocusInThePassword)
{
    Open();
    EXPECT_EQ(dlg->windowTitle(), "Tarnwick ログイン");
    EXPECT_EQ(Items(), QStringList(10, QString()));
    EXPECT_EQ(Combo()->currentIndex(), 0);
    EXPECT_TRUE(Combo()->isEditable());
    EXPECT_EQ(Fields(), Shown{});
    EXPECT_FALSE(Find<QCheckBox>("savePassCheck")->isChecked());
    EXPECT_EQ(dlg->focusWidget(), Field("passwordEdit"));
    EXPECT_EQ(Field("passwordEdit")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(Find<QPushButton>("saveButton")->text(), "保存");
    EXPECT_EQ(Find<QPushButton>("deleteButton")->text(), "削除");
    EXPECT_TRUE(prompt.asked.isEmpty());
}

TEST_F(ConnectDlgTest, OpensWithSlotOneLoadedAndItsPasswordOnlyWhenSaved)
{
    for (const bool savePass : {false, true}) {
        CTempStore fresh;
        ASSERT_EQ(SaveProfile("home", Profile("h.example")), SaveProfileResult::Saved);
        ASSERT_EQ(SaveProfile("work", Profile("w.example")), SaveProfileResult::Saved);
        ASSERT_TRUE(SetSavePassFlag(savePass));
        Open();
        EXPECT_EQ(Items(), Names({"home", "work", "", "", "", "", "", "", "", ""}));
        EXPECT_EQ(Combo()->currentText(), "home");
        EXPECT_EQ(Fields(), (Shown{"h.example", "user-h.example", savePass ? "pw" : "",
                                   "/local/h.example", "remote/h.example"}))
            << "SavePass " << savePass;
        EXPECT_EQ(Find<QCheckBox>("savePassCheck")->isChecked(), savePass);
    }
}

// The next opening starts on the profile the last confirmed dialog was on, as long as it is
// stored; fields typed without a profile change nothing.
TEST_F(ConnectDlgTest, OpensOnTheProfileUsedLast)
{
    ASSERT_EQ(SaveProfile("home", Profile("h.example")), SaveProfileResult::Saved);
    ASSERT_EQ(SaveProfile("work", Profile("w.example")), SaveProfileResult::Saved);
    Open();
    Choose(1);
    dlg->accept();
    Open();
    EXPECT_EQ(Combo()->currentIndex(), 1);
    EXPECT_EQ(Fields(),
              (Shown{"w.example", "user-w.example", "", "/local/w.example", "remote/w.example"}));

    // OK on typed fields with a name that is no profile: still "work" next time.
    Combo()->setEditText("typed");
    dlg->accept();
    Open();
    EXPECT_EQ(Combo()->currentText(), "work");

    // Gone since: slot 1, as on a first opening.
    ASSERT_TRUE(DeleteProfile("work"));
    Open();
    EXPECT_EQ(Combo()->currentIndex(), 0);
    EXPECT_EQ(Fields().server, "h.example");
    EXPECT_TRUE(prompt.asked.isEmpty());
}

TEST_F(ConnectDlgTest, SaveStoresTheFieldsInTheLowestFreeSlotAndClearsTheName)
{
    Open();
    Fill({"ftp.example", "anna", "secret", "/home/anna", "pub"});
    Save("mine");
    EXPECT_EQ(ReadProfileName(1), "mine");
    ServerProfile stored;
    ASSERT_TRUE(LoadProfile("mine", stored));
    EXPECT_EQ(stored.server, "ftp.example");
    EXPECT_EQ(stored.userName, "anna");
    EXPECT_EQ(stored.password, "") << "the box is clear";
    EXPECT_EQ(stored.localInitDir, "/home/anna");
    EXPECT_EQ(stored.remoteInitDir, "pub");
    // The list is filled again with nothing selected; the fields, the password among them,
    // keep what was typed.
    EXPECT_EQ(Items(), Names({"mine", "", "", "", "", "", "", "", "", ""}));
    EXPECT_EQ(Combo()->currentIndex(), -1);
    EXPECT_EQ(Combo()->currentText(), "");
    EXPECT_EQ(Fields(), (Shown{"ftp.example", "anna", "secret", "/home/anna", "pub"}));
    EXPECT_TRUE(prompt.asked.isEmpty());
}

TEST_F(ConnectDlgTest, SaveWithoutANameAsksForOneAndStoresNothing)
{
    Open();
    Fill({"ftp.example", "anna", "secret", "", ""});
    const std::string before = store.Text();
    Save("");
    EXPECT_EQ(prompt.messages, QStringList{"コンボボックスに設定名を入力してください\n"});
    EXPECT_EQ(store.Text(), before);
    EXPECT_EQ(ReadProfileName(1), "");
}

TEST_F(ConnectDlgTest, TheEleventhSaveShowsTheLimitAndChangesNothing)
{
    Open();
    QStringList names;
    for (int i = 1; i <= 10; ++i) {
        names << QString("p%1").arg(i);
        Fill({QString("s%1").arg(i), "u", "p", "", ""});
        Save(names.back());
    }
    EXPECT_TRUE(prompt.asked.isEmpty());
    EXPECT_EQ(Items(), names);
    const std::string before = store.Text();

    Fill({"s11", "u", "p", "", ""});
    Save("p11");
    EXPECT_EQ(prompt.messages, QStringList{kLimitMessage});
    EXPECT_EQ(store.Text(), before);
    EXPECT_EQ(Items(), names);
}

TEST_F(ConnectDlgTest, DeletingSlotThreeOfFiveFreesItForTheNextSave)
{
    for (const char* name : {"a", "b", "c", "d", "e"}) {
        ASSERT_EQ(SaveProfile(name, Profile(name)), SaveProfileResult::Saved);
    }
    Open();
    Choose(2);
    EXPECT_EQ(Field("serverEdit")->text(), "c");
    Field("localInitDirEdit")->setText("/kept");
    Delete("c");
    EXPECT_EQ(Items(), Names({"a", "b", "", "d", "e", "", "", "", "", ""}));
    // Item 0 is selected again, but nothing is loaded: the account is emptied, the
    // directories stay.
    EXPECT_EQ(Combo()->currentIndex(), 0);
    EXPECT_EQ(Combo()->currentText(), "a");
    EXPECT_EQ(Fields(), (Shown{"", "", "", "/kept", "remote/c"}));
    EXPECT_TRUE(prompt.asked.isEmpty());

    Fill({"f.example", "f", "", "", ""});
    Save("f");
    EXPECT_EQ(ReadProfileName(3), "f");
    EXPECT_EQ(Items(), Names({"a", "b", "f", "d", "e", "", "", "", "", ""}));
}

TEST_F(ConnectDlgTest, ANameSavedTwiceLoadsTheLowerSlot)
{
    ASSERT_EQ(SaveProfile("old", Profile("old.example")), SaveProfileResult::Saved);
    ASSERT_EQ(SaveProfile("dup", Profile("slot2.example")), SaveProfileResult::Saved);
    ASSERT_TRUE(DeleteProfile("old"));
    Open();
    Fill({"slot1.example", "x", "", "", ""});
    Save("dup");
    EXPECT_EQ(Items(), Names({"dup", "dup", "", "", "", "", "", "", "", ""}));
    for (const int item : {0, 1}) {
        Field("serverEdit")->clear();
        Choose(item);
        EXPECT_EQ(Field("serverEdit")->text(), "slot1.example") << "item " << item;
    }
}

TEST_F(ConnectDlgTest, WithTheBoxClearNoPasswordIsStoredOrShown)
{
    // Saved earlier by a run that kept passwords.
    ASSERT_EQ(SaveProfile("kept", Profile("k.example", "old-secret")), SaveProfileResult::Saved);
    Open();
    Fill({"n.example", "n", "typed", "", ""});
    Save("new");
    ServerProfile stored;
    ASSERT_TRUE(LoadProfile("new", stored));
    EXPECT_EQ(stored.password, "");
    for (const int item : {0, 1}) {
        Field("passwordEdit")->setText("typed");
        Choose(item);
        EXPECT_EQ(Field("passwordEdit")->text(), "") << "item " << item;
        EXPECT_FALSE(Field("serverEdit")->text().isEmpty());
    }
}

TEST_F(ConnectDlgTest, WithTheBoxTickedPasswordsAreStoredAndShown)
{
    Open();
    TickSavePass(true);
    Fill({"t.example", "t", "secret", "", ""});
    Save("ticked");
    ServerProfile stored;
    ASSERT_TRUE(LoadProfile("ticked", stored));
    EXPECT_EQ(stored.password, "secret");
    Field("passwordEdit")->clear();
    Choose(0);
    EXPECT_EQ(Field("passwordEdit")->text(), "secret");
}

TEST_F(ConnectDlgTest, TheFlagChangesOnlyAtOkAndTheNextOpeningShowsSlotOnesPassword)
{
    ASSERT_EQ(SaveProfile("first", Profile("f.example", "stored-pw")), SaveProfileResult::Saved);
    Open();
    EXPECT_EQ(Field("passwordEdit")->text(), "");
    TickSavePass(true);
    dlg->reject();
    EXPECT_FALSE(GetSavePassFlag()) << "cancel loses the change";

    Open();
    TickSavePass(true);
    Field("passwordEdit")->setText("typed-now");
    QTest::mouseClick(Find<QPushButton>("okButton"), Qt::LeftButton);
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_TRUE(GetSavePassFlag());
    EXPECT_EQ(dlg->GetPassword(), "typed-now");
    EXPECT_EQ(dlg->GetServer(), "f.example");
    EXPECT_EQ(dlg->GetUserName(), "user-f.example");
    EXPECT_EQ(dlg->GetLocalInitDir(), "/local/f.example");
    EXPECT_EQ(dlg->GetRemoteInitDir(), "remote/f.example");

    Open();
    EXPECT_EQ(Field("passwordEdit")->text(), "stored-pw");
    EXPECT_TRUE(Find<QCheckBox>("savePassCheck")->isChecked());
}

TEST_F(ConnectDlgTest, AServerOfOneHundredCharactersLoadsAsEmptyFields)
{
    const struct {
        const char* name;
        int length;
        bool loads;
    } cases[] = {{"ninety-nine", 99, true}, {"one-hundred", 100, false}};
    for (const auto& c : cases) {
        ServerProfile profile = Profile("x");
        profile.server = std::string(static_cast<std::size_t>(c.length), 's');
        ASSERT_EQ(SaveProfile(c.name, profile), SaveProfileResult::Saved);
    }
    ASSERT_TRUE(SetSavePassFlag(true));
    Open();
    for (int item = 0; item < 2; ++item) {
        Fill({"before", "before", "before", "before", "before"});
        Choose(item);
        const Shown shown = Fields();
        if (cases[item].loads) {
            EXPECT_EQ(shown.server.size(), 99);
            EXPECT_EQ(shown.password, "pw");
        } else {
            EXPECT_EQ(shown, Shown{}) << cases[item].name;
        }
    }
}

TEST_F(ConnectDlgTest, ChoosingAnEmptyItemEmptiesTheAccountAndKeepsTheDirectories)
{
    ASSERT_EQ(SaveProfile("a", Profile("a")), SaveProfileResult::Saved);
    ASSERT_TRUE(SetSavePassFlag(true));
    Open();
    EXPECT_EQ(Fields(), (Shown{"a", "user-a", "pw", "/local/a", "remote/a"}));
    Choose(5);
    EXPECT_EQ(Fields(), (Shown{"", "", "", "/local/a", "remote/a"}));
    EXPECT_EQ(ReadProfileName(1), "a") << "nothing is stored";
}

// The encryption goes with the profile: "可能なら明示的 TLS" on a fresh store, the choice
// stored by 保存 and shown again when the profile is chosen, and what OK hands on.
TEST_F(ConnectDlgTest, TheEncryptionIsStoredAndLoadedWithTheProfile)
{
    Open();
    auto* encryption = Find<QComboBox>("encryptionCombo");
    EXPECT_EQ(encryption->currentText(), "可能なら明示的 TLS");
    EXPECT_EQ(encryption->count(), 4);
    Fill({"ftps.example", "anna", "secret", "", ""});
    encryption->setCurrentIndex(3);
    Save("secure");
    ServerProfile stored;
    ASSERT_TRUE(LoadProfile("secure", stored));
    EXPECT_EQ(stored.encryption, ProfileEncryption::Implicit);
    ASSERT_EQ(SaveProfile("plain", Profile("p.example")), SaveProfileResult::Saved);

    Open();
    EXPECT_EQ(Find<QComboBox>("encryptionCombo")->currentText(), "暗黙の TLS") << "slot 1";
    Choose(1);
    EXPECT_EQ(Find<QComboBox>("encryptionCombo")->currentText(), "可能なら明示的 TLS");
    Find<QComboBox>("encryptionCombo")->setCurrentIndex(0);
    dlg->accept();
    EXPECT_EQ(dlg->GetEncryption(), ProfileEncryption::None);
}

// The names' encoding goes with the profile too: 自動 for a new one, the choice stored as
// ServerEncoding%d, and a profile saved before the field follows the options sheet (empty).
TEST_F(ConnectDlgTest, TheNamesEncodingIsAutoForNewProfilesAndOldOnesFollowTheSettings)
{
    Open();
    auto* encoding = Find<QComboBox>("profileEncodingCombo");
    EXPECT_EQ(encoding->accessibleName(), "サーバーの文字コード");
    EXPECT_EQ(encoding->currentText(), "自動");
    Fill({"a.example", "anna", "secret", "", ""});
    Save("auto");
    Fill({"e.example", "anna", "secret", "", ""});
    encoding->setCurrentIndex(encoding->findText("EUC-JP"));
    Save("euc");
    ASSERT_EQ(SaveProfile("old", Profile("o.example")), SaveProfileResult::Saved);
    EXPECT_NE(store.Text().find("\"ServerEncoding1\"=\"AUTO\""), std::string::npos) << store.Text();
    EXPECT_NE(store.Text().find("\"ServerEncoding2\"=\"EUC-JP\""), std::string::npos);

    const struct {
        int item;
        const char* shown;
        const char* handedOn;
    } rows[] = {
        {0, "自動", "AUTO"}, {1, "EUC-JP", "EUC-JP"}, {2, "設定 (FTP 拡張) の文字コード", ""}};
    for (const auto& row : rows) {
        Open();
        Choose(row.item);
        EXPECT_EQ(Find<QComboBox>("profileEncodingCombo")->currentText(), row.shown) << row.item;
        dlg->accept();
        EXPECT_EQ(dlg->GetEncoding(), row.handedOn) << row.item;
    }
}

TEST_F(ConnectDlgTest, SavedPasswordsGoToTheKeyringAndComeBackFromIt)
{
    keyring.unusable = KeyringStatus::Ok;
    Open();
    TickSavePass(true);
    Fill({"k.example", "kate", "secret", "", ""});
    Save("keyed");
    EXPECT_EQ(store.Text().find("secret"), std::string::npos) << store.Text();
    EXPECT_EQ(keyring.items, (std::map<CMemoryKeyring::Key, std::string>{
                                 {{"keyed", "k.example", "kate"}, "secret"}}));
    Field("passwordEdit")->clear();
    Choose(0);
    EXPECT_EQ(Field("passwordEdit")->text(), "secret");
    EXPECT_TRUE(KeyringNote()->isHidden());

    dlg->accept();
    Open();
    EXPECT_EQ(Fields(), (Shown{"k.example", "kate", "secret", "", ""})) << "after a restart";
    Delete("keyed");
    EXPECT_TRUE(keyring.items.empty());
    EXPECT_TRUE(prompt.asked.isEmpty());
}

TEST_F(ConnectDlgTest, WithoutAKeyringTheDialogSaysSoOnceAndKeepsTheFile)
{
    keyring.unusable = KeyringStatus::NoService;
    Open();
    EXPECT_TRUE(KeyringNote()->isHidden()) << "nothing is saved with the box clear";
    EXPECT_EQ(keyring.calls, 0);
    TickSavePass(true);
    EXPECT_FALSE(KeyringNote()->isHidden());
    EXPECT_EQ(KeyringNote()->text(),
              "キーリングを使えません (Secret Service (GNOME キーリングなど) が動いていません)。"
              "保存するパスワードは設定ファイル (本人だけが読み書きできるファイル) に書きます。");
    EXPECT_EQ(KeyringNote()->accessibleName(), "キーリングの状態");
    Fill({"f.example", "fred", "in-file", "", ""});
    Save("filed");
    EXPECT_NE(store.Text().find("\"Pass1\"=\"in-file\""), std::string::npos) << store.Text();
    EXPECT_EQ(dlg->findChildren<QLabel*>("keyringNote").size(), 1);
    EXPECT_TRUE(prompt.asked.isEmpty()) << "said in the dialog, not in a message box";

    // Locked: the same, and a password the file holds is still shown.
    keyring.unusable = KeyringStatus::Locked;
    ASSERT_TRUE(SetSavePassFlag(true));
    Open();
    EXPECT_TRUE(KeyringNote()->text().contains("キーリングがロックされています"))
        << KeyringNote()->text().toStdString();
    EXPECT_EQ(Field("passwordEdit")->text(), "in-file");
}
