// Connecting and disconnecting, the panes and moving through remote directories.
#include "session/session.h"

#include <cstring>

#include "core/hostport.h"
#include "dialup/dialupmanager.h"
#include "files/listingparser.h"
#include "files/localpane.h"
#include "files/pathjoin.h"
#include "files/rowtext.h"
#include "session/remoterefresh.h"

namespace tarnwick {

namespace {

constexpr std::uint16_t kFtpPort = 21;
const std::string kRoot = "/";
const std::string kParentRow = "..";

} // namespace

CSession::CSession(CFtpClient& engine, CRemoteFileList& remoteFiles, SessionView view,
                   CSessionUi& ui, CSessionSettings& settings)
    : m_engine(engine), m_remoteFiles(remoteFiles), m_view(view), m_ui(ui), m_settings(settings)
{
    // A server that answers "NLST -alL" with bare names is told by the listing parser's rule.
    m_engine.SetListingLineTest(&IsLongListingLine);
}

CSession::OpenResult CSession::Open(const std::string& server, unsigned defaultPort,
                                    const std::string& user, const std::string& password)
{
    m_bConnected = false;
    // The server field may carry a port; a text that names no host and port is a connection
    // that could not be made.
    std::string host;
    std::uint16_t port = 0;
    if (!SplitHostPort(server, static_cast<std::uint16_t>(defaultPort), host, port)) {
        m_ui.SetStatus("ConnectToServer に失敗\r\n");
        return OpenResult::BadServer;
    }
    if (!m_engine.Connect(host, port, m_settings.ConnectOptions())) {
        m_ui.SetStatus("ConnectToServer に失敗\r\n");
        return OpenResult::ConnectFailed;
    }
    m_ui.SetStatus(m_engine.GetLastReply());
    // A refused login leaves the control connection open; the next connect drops it.
    if (!m_engine.Login(user, password)) {
        m_ui.SetStatus("UserLogin に失敗\r\n");
        return OpenResult::LoginFailed;
    }
    m_ui.SetStatus(m_engine.GetLastReply());
    m_bConnected = true;
    return OpenResult::Connected;
}

bool CSession::Connect(const ConnectRequest& request)
{
    if (request.server.empty() || request.userName.empty() || request.password.empty()) {
        m_ui.Message("必要な情報が\n入力されていません");
        return false;
    }
    if (m_settings.UseAutoDialUp()) {
        CDialUpManager* dialUp = m_dialUp ? m_dialUp() : nullptr;
        if (dialUp != nullptr && !dialUp->DialUp(m_settings.AutoDialUpName())) {
            return false; // the manager has told why
        }
    }
    if (Open(request.server, kFtpPort, request.userName, request.password) !=
        OpenResult::Connected) {
        return false;
    }

    static_cast<void>(m_engine.GetCurrentDir());
    m_ui.SetStatus(m_engine.GetLastReply());
    if (!request.remoteInitDir.empty()) {
        static_cast<void>(m_engine.ChangeDir(request.remoteInitDir));
        m_ui.SetStatus(m_engine.GetLastReply());
    }
    // The field shows where the server is, whether or not the change worked, and a relative
    // start directory as the full path.
    m_view.remoteDir = m_engine.GetCurrentDir();
    RefreshRemote();
    if (!m_bConnected) {
        return false;
    }

    if (!request.localInitDir.empty()) {
        m_view.localDir = request.localInitDir;
        if (m_view.localDir != kRoot && m_view.localDir.back() == '/') {
            m_view.localDir.pop_back();
        }
        if (!RefreshLocal()) {
            m_view.localDir = kRoot;
            static_cast<void>(RefreshLocal());
        }
    }
    return true;
}

void CSession::Disconnect()
{
    // Without a connection the engine sends nothing; the status line still shows the last
    // reply.
    static_cast<void>(m_engine.Quit());
    m_ui.SetStatus(m_engine.GetLastReply());
    m_bConnected = false;
    m_view.remoteDir.clear();
    m_view.remotePane.ResetContent();
    // Also when this run did not dial: a connection left up earlier goes down too.
    if (m_settings.UseAutoDialUp()) {
        if (CDialUpManager* dialUp = m_dialUp ? m_dialUp() : nullptr) {
            dialUp->HangUp();
        }
    }
}

std::string CSession::ConnectionLostText() const
{
    std::string why;
    if (m_engine.GetControlErrno() != 0) {
        why = std::strerror(m_engine.GetControlErrno());
    } else if (m_engine.GetControlLoss() == FailureReason::TimedOut) {
        why = "時間切れ";
    } else if (m_engine.GetControlLoss() == FailureReason::Cancelled) {
        why = "中止";
    } else if (m_engine.GetReplyCode() == 421) {
        why = FirstReplyLine(m_engine.GetLastReply()); // the server's parting words
    } else {
        why = "サーバーが接続を閉じました";
    }
    return "サーバーとの接続が切れました (" + why + ")";
}

bool CSession::ConnectionLostNow()
{
    if (!m_bConnected || m_engine.IsConnected()) {
        return false;
    }
    m_bConnected = false;
    m_bLost = true;
    m_view.remoteDir.clear();
    m_view.remotePane.ResetContent();
    m_ui.SetStatus(ConnectionLostText());
    m_ui.ConnectionLost();
    return true;
}

void CSession::RefreshRemote()
{
    RefreshRemotePane(m_view.remotePane, m_view.remoteDir, m_engine, m_remoteFiles);
    if (!ConnectionLostNow() && m_engine.GetLastOutcome().reason == FailureReason::TooLarge) {
        // The pane still shows the folder before; say why it was not replaced.
        ItemOutcome outcome;
        outcome.reason = FailureReason::TooLarge;
        m_ui.SetStatus("ファイルリスト取得に失敗しました: " + FailureDetail(outcome));
    }
}

bool CSession::ListRemote()
{
    const bool ok = ListIntoPane(m_view.remotePane, m_view.remoteDir, m_engine, m_remoteFiles);
    static_cast<void>(ConnectionLostNow());
    return ok;
}

bool CSession::RefreshLocal()
{
    return RefreshLocalPane(m_view.localPane, m_view.localDir);
}

bool CSession::OpenRemoteRow(const std::string& row)
{
    m_ui.ShowWaitText("ファイルリスト取得中です。\nしばらくお待ちください...");
    // The results of the directory changes are not examined: the pane lists wherever the
    // server is, the field shows the text computed here.
    if (row == kParentRow) {
        m_view.remoteDir = ParentDir(m_view.remoteDir);
        if (m_view.remoteDir.empty()) {
            m_view.remoteDir = kRoot;
            static_cast<void>(m_engine.ChangeDir(kRoot));
        } else {
            static_cast<void>(m_engine.ChangeDir(".."));
            m_view.remoteDir = m_engine.GetCurrentDir();
        }
    } else if (IsDirectoryRow(row)) {
        const std::string name = DirectoryRowName(row);
        m_view.remoteDir = JoinPath(m_view.remoteDir, name);
        static_cast<void>(m_engine.ChangeDir(name));
    } else {
        return false;
    }
    RefreshRemote();
    return true;
}

} // namespace tarnwick
