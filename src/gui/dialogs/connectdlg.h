// CConnectDlg: "Tarnwick ログイン", the login dialog the connect command runs for each attempt.
// It asks for the server, the account and the two start directories, and keeps up to ten
// named server profiles (with each its encryption): choosing a name in the drop-down list fills the
// fields, 保存 stores the fields under the typed name in the lowest free slot, 削除 empties the
// named slot. Profiles change the moment a button is pressed; the save-password flag only at OK.
// Saved passwords go into the desktop keyring (`passwords`); where no keyring can be used, a
// line in the dialog says so once and they go into the 0600 settings file as before.
//
// The dialog keeps its values in members and moves them to and from the controls in one
// step each way (TakeControls, PutMembers), so every event works on the values as shown.
#pragma once

#include <QDialog>

#include <string>

#include "core/nameencoding.h"
#include "settings/profiles.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tarnwick {

class CPrompt;

class CConnectDlg : public QDialog {
    Q_OBJECT

public:
    // Fills the list from the store, selects the profile the last confirmed dialog was on
    // (slot 1 when there is none) and loads it, with the password left out unless SavePass is
    // set. Messages go through `prompt`; saved passwords are kept in `passwords` where it can
    // take them. Both must outlive the dialog.
    CConnectDlg(CPrompt& prompt, CPasswordStore& passwords, QWidget* parent = nullptr);

    // What the connect command reads after OK.
    [[nodiscard]] const std::string& GetServer() const { return m_strServer; }
    [[nodiscard]] const std::string& GetUserName() const { return m_strUserName; }
    [[nodiscard]] const std::string& GetPassword() const { return m_strPassword; }
    [[nodiscard]] const std::string& GetLocalInitDir() const { return m_strLocalInitDir; }
    [[nodiscard]] const std::string& GetRemoteInitDir() const { return m_strRemoteInitDir; }
    [[nodiscard]] int GetSavePass() const { return m_nSavePass; }
    [[nodiscard]] ProfileEncryption GetEncryption() const { return m_encryption; }
    // The server's names encoding: kAutoEncoding (自動, for a new profile), an iconv name, or
    // empty for the options sheet's (a profile saved before the field existed).
    [[nodiscard]] const std::string& GetEncoding() const { return m_strEncoding; }

public slots:
    // OK: stores the save-password flag and the profile chosen, and takes the fields.
    void accept() override;

private:
    void OnSave();
    void OnDelete();
    void OnSelectionChange(int index);

    // Refills the drop-down list with the ten slots' names in slot order.
    void FillList();
    // Loads the profile named `name` into the members; false (members kept) when none is.
    bool LoadProfileByName(const std::string& name);
    void TakeControls();
    void PutMembers();
    // Shows, once, why the keyring cannot be used when `result` says it cannot.
    void NoteKeyring(const KeyringResult& result);

    CPrompt& m_prompt;
    CPasswordStore& m_passwords;

    std::string m_strPassword;
    std::string m_strServer;
    std::string m_strUserName;
    int m_nSavePass = 0;
    std::string m_strLocalInitDir;
    std::string m_strRemoteInitDir;
    ProfileEncryption m_encryption = ProfileEncryption::ExplicitIfAvailable;
    std::string m_strEncoding{kAutoEncoding}; // 自動 until a profile says otherwise

    QComboBox* m_comboProfile = nullptr;
    QPushButton* m_btnSave = nullptr;
    QPushButton* m_btnDelete = nullptr;
    QLineEdit* m_editServer = nullptr;
    QLineEdit* m_editUserName = nullptr;
    QLineEdit* m_editPassword = nullptr;
    QCheckBox* m_checkSavePass = nullptr;
    QLineEdit* m_editLocalInitDir = nullptr;
    QLineEdit* m_editRemoteInitDir = nullptr;
    QComboBox* m_comboEncryption = nullptr;
    QComboBox* m_comboEncoding = nullptr;
    QLabel* m_labelKeyring = nullptr;
};

} // namespace tarnwick
