// 接続 and 切断: the login dialog, then the session's connect sequence; and the way back.
#include "app/guidialupui.h"
#include "app/maindlg.h"
#include "app/panelist.h"
#include "gui/connectdlg.h"
#include "ui/dialogrunner.h"

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

void CMainDlg::ConnectCommand()
{
    CConnectDlg dlg(m_prompt, this);
    if (m_runner.Run(dlg) != QDialog::Accepted) {
        return;
    }
    const ConnectRequest request{dlg.GetServer(), dlg.GetUserName(), dlg.GetPassword(),
                                 dlg.GetLocalInitDir(), dlg.GetRemoteInitDir()};
    if (!m_pSession->Connect(request)) {
        return;
    }
    SetConnectedDisplay();
    ShowTexts();
}

void CMainDlg::DisconnectCommand()
{
    m_pSession->Disconnect();
    SetDisconnectedDisplay();
    ShowTexts();
}

void CMainDlg::OnConnectionLost()
{
    SetDisconnectedDisplay();
    ShowTexts();
}

} // namespace tarnwick
