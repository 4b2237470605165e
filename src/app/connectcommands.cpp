// 接続 and 切断: the login dialog, the dial-up, the login and the start directories of both
// panes; and the way back.
#include "app/guidialupui.h"
#include "app/maindlg.h"
#include "app/panelist.h"
#include "core/hostport.h"
#include "files/localpane.h"
#include "files/remotepane.h"
#include "settings/gui/connectdlg.h"
#include "settings/settings.h"
#include "ui/dialogrunner.h"
#include "ui/prompt.h"

namespace tarnwick {

namespace {

constexpr std::uint16_t kFtpPort = 21;
const std::string kLocalRoot = "/";

} // namespace

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
    if (dlg.GetServer().empty() || dlg.GetUserName().empty() || dlg.GetPassword().empty()) {
        m_prompt.Message(QStringLiteral("必要な情報が\n入力されていません"));
        return;
    }
    if (GetSettingFlag("UseAutoDialUp") && !DialUpManager().DialUp()) {
        return; // the manager has told why
    }

    // The server field may carry a port; a text that names no host and port is a connection
    // that could not be made.
    std::string host;
    std::uint16_t port = 0;
    if (!SplitHostPort(dlg.GetServer(), kFtpPort, host, port) || !m_engine.Connect(host, port)) {
        SetStatusText(QStringLiteral("ConnectToServer に失敗\r\n"));
        return;
    }
    SetStatusText(m_engine.GetLastReply());
    // A refused login leaves the control connection open; the next connect drops it.
    if (!m_engine.Login(dlg.GetUserName(), dlg.GetPassword())) {
        SetStatusText(QStringLiteral("UserLogin に失敗\r\n"));
        return;
    }
    SetStatusText(m_engine.GetLastReply());

    static_cast<void>(m_engine.GetCurrentDir());
    SetStatusText(m_engine.GetLastReply());
    if (!dlg.GetRemoteInitDir().empty()) {
        static_cast<void>(m_engine.ChangeDir(dlg.GetRemoteInitDir()));
        SetStatusText(m_engine.GetLastReply());
    }
    // The field shows where the server is, whether or not the change worked, and a relative
    // start directory as the full path.
    m_strRemoteDir = m_engine.GetCurrentDir();
    RefreshRemotePane(*m_remoteList, m_strRemoteDir, m_engine, m_remoteFiles);

    if (!dlg.GetLocalInitDir().empty()) {
        m_strLocalDir = dlg.GetLocalInitDir();
        if (m_strLocalDir != kLocalRoot && m_strLocalDir.back() == '/') {
            m_strLocalDir.pop_back();
        }
        if (!RefreshLocalPane(*m_localList, m_strLocalDir)) {
            m_strLocalDir = kLocalRoot;
            static_cast<void>(RefreshLocalPane(*m_localList, m_strLocalDir));
        }
    }
    SetConnectedDisplay();
    ShowTexts();
}

void CMainDlg::DisconnectCommand()
{
    // Without a connection the engine sends nothing; the status line still shows the last
    // reply.
    static_cast<void>(m_engine.Quit());
    SetStatusText(m_engine.GetLastReply());
    m_strRemoteDir.clear();
    m_remoteList->ResetContent();
    // Also when this run did not dial: a connection left up earlier goes down too.
    if (GetSettingFlag("UseAutoDialUp")) {
        DialUpManager().HangUp();
    }
    SetDisconnectedDisplay();
    ShowTexts();
}

} // namespace tarnwick
