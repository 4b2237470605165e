#include "gui/dialogs/connectdlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/passwordstore.h"
#include "ui/seams/prompt.h"

namespace tarnwick {

namespace {

QLineEdit* MakeEdit(QWidget* parent, const char* name, const QString& accessibleName)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setAccessibleName(accessibleName);
    return edit;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(text);
    // Enter in a field confirms the dialog; it must not store or delete a profile.
    button->setAutoDefault(false);
    return button;
}

std::string Text(const QLineEdit* edit)
{
    return edit->text().toStdString();
}

QString KeyringProblem(const KeyringResult& result)
{
    switch (result.status) {
    case KeyringStatus::NoBus:
        return QStringLiteral("D-Bus のセッションバスがありません");
    case KeyringStatus::NoService:
        return QStringLiteral("Secret Service (GNOME キーリングなど) が動いていません");
    case KeyringStatus::NoDefault:
        return QStringLiteral("既定のキーリングがありません");
    case KeyringStatus::Locked:
        return QStringLiteral("キーリングがロックされています");
    case KeyringStatus::TimedOut:
        return QStringLiteral("キーリングが応答しません");
    default:
        return QString::fromStdString(result.detail);
    }
}

} // namespace

CConnectDlg::CConnectDlg(CPrompt& prompt, CPasswordStore& passwords, QWidget* parent)
    : QDialog(parent), m_prompt(prompt), m_passwords(passwords)
{
    setObjectName(QStringLiteral("connectDialog"));
    setWindowTitle(QStringLiteral("Tarnwick ログイン"));

    auto* group = new QGroupBox(QStringLiteral("設定名"), this);
    group->setObjectName(QStringLiteral("profileGroup"));
    group->setAccessibleName(QStringLiteral("設定名"));
    m_comboProfile = new QComboBox(group);
    m_comboProfile->setObjectName(QStringLiteral("profileCombo"));
    m_comboProfile->setAccessibleName(QStringLiteral("設定名"));
    m_comboProfile->setEditable(true);
    // The list holds exactly the ten slots: Enter adds no item, and typing completes nothing,
    // since a name is stored as typed.
    m_comboProfile->setInsertPolicy(QComboBox::NoInsert);
    m_comboProfile->setCompleter(nullptr);
    m_comboProfile->setMaxVisibleItems(kProfileSlots);
    m_btnSave = MakeButton(group, "saveButton", QStringLiteral("保存"));
    m_btnDelete = MakeButton(group, "deleteButton", QStringLiteral("削除"));
    m_editServer = MakeEdit(group, "serverEdit", QStringLiteral("サーバー名"));
    // The port goes into the same field; without one it is 21.
    m_editServer->setPlaceholderText(QStringLiteral("ホスト名[:ポート]"));
    m_editServer->setToolTip(
        QStringLiteral("ホスト名か IP アドレス。21 番以外のポートは「:」の後に書きます "
                       "(ftp.example.jp:2121、[::1]:2121)"));
    m_editUserName = MakeEdit(group, "userEdit", QStringLiteral("ユーザー名"));
    m_editPassword = MakeEdit(group, "passwordEdit", QStringLiteral("パスワード"));
    m_editPassword->setEchoMode(QLineEdit::Password);
    m_checkSavePass = new QCheckBox(QStringLiteral("パスワードを保存する"), group);
    m_checkSavePass->setObjectName(QStringLiteral("savePassCheck"));
    m_checkSavePass->setAccessibleName(m_checkSavePass->text());
    m_editLocalInitDir = MakeEdit(group, "localInitDirEdit", QStringLiteral("Local 初期 Dir"));
    m_editRemoteInitDir = MakeEdit(group, "remoteInitDirEdit", QStringLiteral("Remote 初期Dir"));

    // In the order of ProfileEncryption's values.
    m_comboEncryption = new QComboBox(group);
    m_comboEncryption->setObjectName(QStringLiteral("encryptionCombo"));
    m_comboEncryption->setAccessibleName(QStringLiteral("暗号化"));
    m_comboEncryption->addItems({QStringLiteral("暗号化なし"), QStringLiteral("可能なら明示的 TLS"),
                                 QStringLiteral("明示的 TLS が必須"),
                                 QStringLiteral("暗黙の TLS")});
    m_comboEncryption->setToolTip(
        QStringLiteral("「可能なら」はサーバーが TLS を拒否したときだけ暗号化なしで続けます。"
                       "暗黙の TLS の既定のポートは 990 です"));
    m_comboEncryption->setCurrentIndex(static_cast<int>(m_encryption));

    // The item's data is the stored value.
    m_comboEncoding = new QComboBox(group);
    m_comboEncoding->setObjectName(QStringLiteral("profileEncodingCombo"));
    m_comboEncoding->setAccessibleName(QStringLiteral("サーバーの文字コード"));
    m_comboEncoding->addItem(QStringLiteral("自動"),
                             QString::fromUtf8(kAutoEncoding.data(), kAutoEncoding.size()));
    m_comboEncoding->addItem(QStringLiteral("UTF-8"), QStringLiteral("UTF-8"));
    m_comboEncoding->addItem(QStringLiteral("Shift_JIS (CP932)"), QStringLiteral("CP932"));
    m_comboEncoding->addItem(QStringLiteral("EUC-JP"), QStringLiteral("EUC-JP"));
    m_comboEncoding->addItem(QStringLiteral("設定 (FTP 拡張) の文字コード"), QString());
    m_comboEncoding->setToolTip(
        QStringLiteral("自動: サーバーが UTF-8 に対応していればそれを、"
                       "そうでなければファイル名から Shift_JIS か EUC-JP かを判断します"));

    auto* grid = new QGridLayout(group);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_btnSave);
    buttons->addWidget(m_btnDelete);
    grid->addWidget(m_comboProfile, 0, 0, 1, 2);
    grid->addLayout(buttons, 1, 0, 1, 2);
    int row = 2;
    for (const auto& [label, edit] :
         {std::pair{"サーバー名", m_editServer}, std::pair{"ユーザー名", m_editUserName},
          std::pair{"パスワード", m_editPassword}}) {
        auto* caption = new QLabel(QString::fromUtf8(label), group);
        caption->setBuddy(edit);
        grid->addWidget(caption, row, 0);
        grid->addWidget(edit, row++, 1);
    }
    auto* encryptionCaption = new QLabel(QStringLiteral("暗号化"), group);
    encryptionCaption->setBuddy(m_comboEncryption);
    grid->addWidget(encryptionCaption, row, 0);
    grid->addWidget(m_comboEncryption, row++, 1);
    auto* encodingCaption = new QLabel(QStringLiteral("文字コード"), group);
    encodingCaption->setBuddy(m_comboEncoding);
    grid->addWidget(encodingCaption, row, 0);
    grid->addWidget(m_comboEncoding, row++, 1);
    grid->addWidget(m_checkSavePass, row++, 0, 1, 2);
    for (const auto& [label, edit] : {std::pair{"Local 初期 Dir", m_editLocalInitDir},
                                      std::pair{"Remote 初期Dir", m_editRemoteInitDir}}) {
        auto* caption = new QLabel(QString::fromUtf8(label), group);
        caption->setBuddy(edit);
        grid->addWidget(caption, row, 0);
        grid->addWidget(edit, row++, 1);
    }

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    QPushButton* ok = box->button(QDialogButtonBox::Ok);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setAccessibleName(QStringLiteral("接続する"));
    ok->setText(QStringLiteral("OK"));
    ok->setDefault(true);
    connect(box, &QDialogButtonBox::accepted, this, &CConnectDlg::accept);

    // Said once, when the keyring is first found unusable.
    m_labelKeyring = new QLabel(this);
    m_labelKeyring->setObjectName(QStringLiteral("keyringNote"));
    m_labelKeyring->setAccessibleName(QStringLiteral("キーリングの状態"));
    m_labelKeyring->setWordWrap(true);
    m_labelKeyring->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(m_labelKeyring);
    layout->addWidget(box);

    FillList();
    // The profile of the last connect when it is still stored, otherwise slot 1.
    const std::string last = GetLastProfileName();
    const int lastSlot = last.empty() ? 0 : FindProfileSlot(last);
    const int slot = lastSlot > 0 ? lastSlot : 1;
    m_comboProfile->setCurrentIndex(slot - 1);
    TakeControls();
    if (GetSavePassFlag()) {
        m_nSavePass = 1;
    }
    LoadProfileByName(ReadProfileName(slot));
    if (m_nSavePass == 0) {
        m_strPassword.clear();
    }
    PutMembers();
    m_editPassword->setFocus();
    // Where a saved password will go matters as soon as passwords are saved.
    if (m_nSavePass == 1 && m_labelKeyring->isHidden()) {
        NoteKeyring(m_passwords.Probe());
    }

    connect(m_checkSavePass, &QCheckBox::toggled, this, [this](bool checked) {
        if (checked && m_labelKeyring->isHidden()) {
            NoteKeyring(m_passwords.Probe());
        }
    });
    connect(m_btnSave, &QPushButton::clicked, this, &CConnectDlg::OnSave);
    connect(m_btnDelete, &QPushButton::clicked, this, &CConnectDlg::OnDelete);
    // Only the user's choice loads a profile; filling and selecting from code does not.
    connect(m_comboProfile, &QComboBox::activated, this, &CConnectDlg::OnSelectionChange);
}

void CConnectDlg::FillList()
{
    for (int slot = 1; slot <= kProfileSlots; ++slot) {
        m_comboProfile->addItem(QString::fromStdString(ReadProfileName(slot)));
    }
}

bool CConnectDlg::LoadProfileByName(const std::string& name)
{
    ServerProfile profile{m_strServer, m_strUserName, m_strPassword, m_strLocalInitDir,
                          m_strRemoteInitDir};
    if (!LoadProfile(name, profile)) {
        return false;
    }
    // The keyring is asked only for a password that will be shown.
    if (m_nSavePass == 1) {
        NoteKeyring(LoadProfilePassword(name, profile, m_passwords));
    }
    m_encryption = profile.encryption;
    // A free slot is where a new profile goes: 自動. A saved one keeps what it says (empty for
    // one saved before the field: the options sheet's).
    m_strEncoding = profile.server.empty() ? std::string(kAutoEncoding) : profile.encoding;
    m_strServer = profile.server;
    m_strUserName = profile.userName;
    m_strPassword = profile.password;
    m_strLocalInitDir = profile.localInitDir;
    m_strRemoteInitDir = profile.remoteInitDir;
    return true;
}

void CConnectDlg::TakeControls()
{
    m_strPassword = Text(m_editPassword);
    m_strServer = Text(m_editServer);
    m_strUserName = Text(m_editUserName);
    m_nSavePass = m_checkSavePass->isChecked() ? 1 : 0;
    m_strLocalInitDir = Text(m_editLocalInitDir);
    m_strRemoteInitDir = Text(m_editRemoteInitDir);
    m_encryption = static_cast<ProfileEncryption>(m_comboEncryption->currentIndex());
    m_strEncoding = m_comboEncoding->currentData().toString().toStdString();
}

void CConnectDlg::PutMembers()
{
    m_editPassword->setText(QString::fromStdString(m_strPassword));
    m_editServer->setText(QString::fromStdString(m_strServer));
    m_editUserName->setText(QString::fromStdString(m_strUserName));
    m_checkSavePass->setChecked(m_nSavePass == 1);
    m_editLocalInitDir->setText(QString::fromStdString(m_strLocalInitDir));
    m_editRemoteInitDir->setText(QString::fromStdString(m_strRemoteInitDir));
    m_comboEncryption->setCurrentIndex(static_cast<int>(m_encryption));
    const QString encoding = QString::fromStdString(m_strEncoding);
    int index = m_comboEncoding->findData(encoding);
    if (index < 0) {
        // A name stored by hand is shown as it is (and used when iconv knows it).
        m_comboEncoding->addItem(encoding, encoding);
        index = m_comboEncoding->count() - 1;
    }
    m_comboEncoding->setCurrentIndex(index);
}

void CConnectDlg::OnSave()
{
    const std::string name = m_comboProfile->currentText().toStdString();
    if (name.empty()) {
        m_prompt.Message(QStringLiteral("コンボボックスに設定名を入力してください\n"));
        return;
    }
    TakeControls();
    // Only the stored copy loses the password; the field keeps it for this connection.
    if (m_nSavePass == 0) {
        m_strPassword.clear();
    }
    const ServerProfile profile{m_strServer,        m_strUserName, m_strPassword, m_strLocalInitDir,
                                m_strRemoteInitDir, m_encryption,  m_strEncoding};
    // A store that cannot be written after a free slot was found stays silent.
    KeyringResult keyring;
    const SaveProfileResult saved = SaveProfile(name, profile, m_passwords, keyring);
    NoteKeyring(keyring);
    if (saved == SaveProfileResult::NoFreeSlot) {
        m_prompt.Message(
            QStringLiteral("保存できません。\n設定保存数の上限(10)に達している可能性があります。"));
    }
    m_comboProfile->clear();
    FillList();
    m_comboProfile->setCurrentIndex(-1);
    m_comboProfile->clearEditText();
}

void CConnectDlg::OnSelectionChange(int index)
{
    const std::string name =
        index >= 0 ? m_comboProfile->itemText(index).toStdString() : std::string();
    TakeControls();
    if (!name.empty()) {
        LoadProfileByName(name);
        if (m_nSavePass == 0) {
            m_strPassword.clear();
        }
    } else {
        m_strServer.clear();
        m_strUserName.clear();
        m_strPassword.clear();
    }
    PutMembers();
}

void CConnectDlg::OnDelete()
{
    // No question and no message, also for a name that is not stored.
    KeyringResult keyring;
    static_cast<void>(
        DeleteProfile(m_comboProfile->currentText().toStdString(), m_passwords, keyring));
    NoteKeyring(keyring);
    m_comboProfile->clear();
    FillList();
    m_comboProfile->setCurrentIndex(0);
    TakeControls();
    m_strServer.clear();
    m_strUserName.clear();
    m_strPassword.clear();
    PutMembers();
}

void CConnectDlg::NoteKeyring(const KeyringResult& result)
{
    if (result.Answered() || !m_labelKeyring->isHidden()) {
        return;
    }
    m_labelKeyring->setText(
        QStringLiteral("キーリングを使えません (%1)。保存するパスワードは設定ファイル "
                       "(本人だけが読み書きできるファイル) に書きます。")
            .arg(KeyringProblem(result)));
    m_labelKeyring->show();
}

void CConnectDlg::accept()
{
    TakeControls();
    SetSavePassFlag(m_nSavePass == 1);
    // The next opening starts on this profile; fields typed without one change nothing.
    if (const std::string name = m_comboProfile->currentText().toStdString();
        !name.empty() && FindProfileSlot(name) > 0) {
        SetLastProfileName(name);
    }
    TakeControls();
    QDialog::accept();
}

} // namespace tarnwick
