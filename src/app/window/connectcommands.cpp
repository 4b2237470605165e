// 接続 and 切断: the login dialog, then the session's connect sequence; and the way back.
#include <QCoreApplication>

#include "app/window/guidialupui.h"
#include "app/window/maindlg.h"
#include "ui/widgets/panelist.h"
#include "gui/dialogs/certificatedlg.h"
#include "gui/dialogs/connectdlg.h"
#include "gui/dialogs/dialupavailability.h"
#include "settings/secretservice.h"
#include "ui/seams/dialogrunner.h"
#include "ui/seams/prompt.h"
#include "ui/widgets/waitdlg.h"

namespace tarnwick {

CDialUpManager& CMainDlg::DialUpManager()
{
    if (!m_pDialUp) {
        if (!m_pDialUpUi) {
            m_pDialUpUi = std::make_unique<CGuiDialUpUi>(*this, m_prompt);
        }
        m_pDialUp = std::make_unique<CDialUpManager>(DialUpBackend(), *m_pDialUpUi, DialUpClock());
    }
    return *m_pDialUp;
}

CDialUpManager* CMainDlg::DialUpFor(DialUpStep step)
{
    std::string why;
    if (DialUpAvailable(DialUpBackend(), why)) {
        return &DialUpManager();
    }
    // A setting stored while a backend was there (or by hand) must not stop every connect:
    // it is said once, and the connect goes on without dialling.
    if (step == DialUpStep::Dial && !m_bDialUpUnavailableSaid) {
        m_bDialUpUnavailableSaid = true;
        m_prompt.Message(QString::fromStdString("ダイアルアップは使用できません: " + why));
    }
    return nullptr;
}

void CMainDlg::ConnectCommand()
{
    if (!StopQueue(QStringLiteral("転送中のファイルがあります。\n中止して接続し直しますか？"))) {
        return;
    }
    // Keyring calls are bounded; meanwhile the window repaints but takes no input.
    CSecretServiceStore passwords;
    passwords.SetPump([] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
    CConnectDlg dlg(m_prompt, passwords, this);
    if (m_runner.Run(dlg) != QDialog::Accepted) {
        return;
    }
    const ServerProfile request{dlg.GetServer(),        dlg.GetUserName(),
                                dlg.GetPassword(),      dlg.GetLocalInitDir(),
                                dlg.GetRemoteInitDir(), dlg.GetEncryption(),
                                dlg.GetEncoding()};
    if (!m_pSession->Connect(request)) {
        return;
    }
    SetConnectedDisplay();
    ShowTexts();
    StartQueue();
}

void CMainDlg::DisconnectCommand()
{
    if (!StopQueue(QStringLiteral("転送中のファイルがあります。\n中止して切断しますか？"))) {
        return;
    }
    m_pSession->Disconnect();
    SetDisconnectedDisplay();
    ShowTexts();
}

CertificateAnswer CMainDlg::AskCertificateTrust(const CertificateInfo& certificate,
                                                const std::string& server)
{
    // The wait box would stand behind the question looking stuck; it comes back for the rest
    // of the connect.
    const QString waiting =
        m_pWaitMessage && m_pWaitMessage->isVisible() ? m_pWaitMessage->GetText() : QString();
    HideWaitMessage();
    CCertificateDlg dlg(certificate, server, this);
    static_cast<void>(m_runner.Run(dlg));
    if (!waiting.isEmpty() && dlg.GetAnswer() != CertificateAnswer::Refuse) {
        ShowWaitMessage(waiting);
    }
    return dlg.GetAnswer();
}

void CMainDlg::OnConnectionLost()
{
    SetDisconnectedDisplay();
    ShowTexts();
}

} // namespace tarnwick
