// Connecting and disconnecting, the panes and moving through remote directories.
#include "session/session.h"

#include <dirent.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <unordered_map>

#include "core/hostport.h"
#include "core/nameencoding.h"
#include "core/strutil.h"
#include "dialup/dialupmanager.h"
#include "files/listingparser.h"
#include "files/localpane.h"
#include "files/pathjoin.h"
#include "files/rowtext.h"
#include "session/connection.h"
#include "session/reasontext.h"
#include "session/remoterefresh.h"

namespace tarnwick {

namespace {

const std::string kRoot = "/";
const std::string kParentRow = "..";

// Why a command failed, in a few words: the server's refusal as it said it, or what kept the
// command from being answered (a name that cannot be sent, no answer in time).
std::string WhyFailed(const CommandOutcome& outcome)
{
    return outcome.reason == FailureReason::Refused
               ? FirstReplyLine(outcome.replyText)
               : FailureDetail(OutcomeOf(std::string(), outcome));
}

} // namespace

CSession::CSession(CFtpClient& engine, CRemoteFileList& remoteFiles, SessionView view,
                   CSessionUi& ui, CSessionSettings& settings)
    : m_engine(engine), m_remoteFiles(remoteFiles), m_view(view), m_ui(ui), m_settings(settings),
      m_runner(engine, settings, ui, m_view.remoteDir)
{
    // A server that answers "NLST -alL" with bare names is told by the listing parser's rule.
    m_engine.SetListingLineTest(&IsLongListingLine);
}

CSession::OpenResult CSession::Open(const ServerTarget& target)
{
    m_bConnected = false;
    if (target.host.empty()) {
        m_ui.SetStatus("ConnectToServer に失敗: サーバー名はホスト名か、ホスト名:ポートです\r\n");
        return OpenResult::BadServer;
    }
    FtpConnectOptions options = ConnectOptionsFor(target, m_settings.ConnectOptions());
    if (options.trustedFingerprint.empty()) {
        options.trustedFingerprint = m_settings.TrustedFingerprint(target.host, target.port);
    }
    m_bEncodingSaid = false;
    const std::string where = ServerName(target);
    options.trust = [this, &target, &where](const CertificateInfo& certificate) {
        const CertificateAnswer answer = m_ui.TrustCertificate(certificate, where);
        if (answer == CertificateAnswer::TrustAlways) {
            m_settings.TrustAlways(target.host, target.port, certificate.sha256);
        }
        return answer != CertificateAnswer::Refuse;
    };
    // A server that accepts and never greets would otherwise leave the window looking idle
    // for the whole time limit.
    m_ui.ShowWaitText("接続中…");
    const OpenOutcome outcome =
        OpenConnection(m_engine, target, options, std::string(),
                       [this](const std::string& greeting) { m_ui.SetStatus(greeting); });
    m_ui.HideWaitText();
    if (!outcome) {
        std::string original;
        m_ui.SetStatus(OpenFailureText(outcome, m_engine, target.host, original) + "\r\n");
        if (!original.empty()) {
            m_ui.SetStatusOriginal(original);
        }
        return outcome.step == OpenOutcome::Step::Login ? OpenResult::LoginFailed
                                                        : OpenResult::ConnectFailed;
    }
    m_ui.SetStatus(outcome.welcome);
    m_bConnected = true;
    m_openTarget = target;
    m_openOptions = options;
    m_openOptions.trust = nullptr; // it would name this call's target; the queue asks nobody
    m_linkFolders.clear();
    return OpenResult::Connected;
}

std::string CSession::SecurityText() const
{
    if (!m_bConnected || !m_engine.IsConnected()) {
        return std::string();
    }
    if (m_engine.IsEncrypted()) {
        return m_engine.GetTlsProtocol() + " で暗号化";
    }
    return m_engine.TlsRefusedByServer() ? "暗号化なし (サーバーが TLS を拒否)" : "暗号化なし";
}

std::string CSession::EncodingText() const
{
    if (!m_bConnected || !m_engine.IsConnected()) {
        return std::string();
    }
    if (m_engine.IsEncodingUndecided()) {
        return "文字コード: 自動 (未判定)";
    }
    const std::string& encoding = m_engine.GetServerEncoding();
    // CP932 is what Japanese users know as Shift_JIS.
    const std::string shown = EqualsIgnoreAsciiCase(encoding, "CP932") ? "Shift_JIS" : encoding;
    return "文字コード: " + shown + (m_engine.IsAutoEncoding() ? " (自動)" : "");
}

bool CSession::Connect(const ServerProfile& request)
{
    if (request.server.empty() || request.userName.empty() || request.password.empty()) {
        m_ui.Message("必要な情報が\n入力されていません");
        return false;
    }
    if (m_settings.UseAutoDialUp()) {
        CDialUpManager* dialUp = m_dialUp ? m_dialUp(DialUpStep::Dial) : nullptr;
        if (dialUp != nullptr && !dialUp->DialUp(m_settings.AutoDialUpName())) {
            return false; // the manager has told why
        }
    }
    ServerTarget target;
    if (!TargetFromProfile(request, target)) {
        target.host.clear(); // Open says what a server field must be
    }
    if (Open(target) != OpenResult::Connected) {
        return false;
    }

    static_cast<void>(m_engine.GetCurrentDir());
    // A start directory the server refuses is said after the listing, which would otherwise
    // replace it.
    std::string refused;
    m_runner.SettleEncodingFor(request.remoteInitDir);
    if (!request.remoteInitDir.empty()) {
        if (const CommandOutcome change = m_engine.ChangeDir(request.remoteInitDir);
            !change && m_engine.IsConnected()) {
            refused = request.remoteInitDir + " に移動できません: " + WhyFailed(change);
        }
    }
    // The field shows where the server is, whether or not the change worked, and a relative
    // start directory as the full path.
    const bool undecided = m_engine.IsEncodingUndecided();
    m_view.remoteDir = m_engine.GetCurrentDir();
    RefreshRemote();
    if (!m_bConnected) {
        return false;
    }
    if (undecided && !m_engine.IsEncodingUndecided() && HasNonAscii(m_view.remoteDir)) {
        // The folder's name was read before its listing told the encoding: read it again.
        if (std::string dir = m_engine.GetCurrentDir(); !dir.empty()) {
            m_view.remoteDir = dir;
        }
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
    if (!refused.empty()) {
        m_ui.SetStatus(refused);
    }
    if (m_engine.TlsRefusedByServer()) {
        // The profile allowed a plain session; the user still has to know it is one.
        m_ui.SetStatus("暗号化されていません: サーバーが TLS を拒否しました");
    }
    return true;
}

std::function<bool(CFtpClient&, int, std::string&)> CSession::QueueConnector() const
{
    return m_bConnected ? QueueConnectorLike(m_engine, m_openTarget, m_openOptions)
                        : std::function<bool(CFtpClient&, int, std::string&)>();
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
        if (CDialUpManager* dialUp = m_dialUp ? m_dialUp(DialUpStep::HangUp) : nullptr) {
            dialUp->HangUp();
        }
    }
}

std::string CSession::ConnectionLostText() const
{
    std::string why;
    if (m_engine.GetControlErrno() != 0) {
        why = ErrnoText(m_engine.GetControlErrno());
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
    if (m_engine.GetControlErrno() != 0) {
        m_ui.SetStatusOriginal(ErrnoOriginal(m_engine.GetControlErrno()));
    }
    m_ui.ConnectionLost();
    return true;
}

void CSession::RefreshRemote(bool sayCount)
{
    int skipped = 0;
    const TransferOutcome listing =
        ListIntoPane(m_view.remotePane, m_view.remoteDir, m_engine, m_remoteFiles, &skipped);
    if (ConnectionLostNow()) {
        return;
    }
    const bool listed = listing.Ok();
    const FailureReason why = listing.reason;
    if (listed && (!ProbeLinks() || ConnectionLostNow())) {
        return;
    }
    if (why == FailureReason::TooLarge) {
        // The pane still shows the folder before; say why it was not replaced.
        ItemOutcome outcome;
        outcome.reason = FailureReason::TooLarge;
        m_ui.SetStatus("ファイルリスト取得に失敗しました: " + FailureDetail(outcome));
    } else if (listed && sayCount) {
        std::string text = ListedItemsText();
        if (m_engine.IsAutoEncoding() && !m_engine.IsEncodingUndecided() && !m_bEncodingSaid) {
            // Once a connection: what the names turned out to be.
            m_bEncodingSaid = true;
            text += "。" + EncodingText();
        }
        if (skipped > 0) {
            // Lines of no known form make no row rather than a row that cannot be used.
            text +=
                "。" + FormatText("ファイルリストの %d 行は形式が分からないため表示していません",
                                  static_cast<std::int64_t>(skipped));
        }
        m_ui.SetStatus(text);
    } else if (listed && skipped > 0) {
        m_ui.SetStatus(FormatText("ファイルリストの %d 行は形式が分からないため表示していません",
                                  static_cast<std::int64_t>(skipped)));
    } else if (!listed) {
        // What arrived is shown; the status says why the rest did not.
        m_ui.SetStatus("ファイルリスト取得に失敗しました: " +
                       FailureDetail(OutcomeOf(m_view.remoteDir, listing)));
    }
}

bool CSession::ProbeLinks()
{
    std::vector<std::string> folders;
    int probes = 0;
    for (int i = 0; i + 1 < m_remoteFiles.GetSize() && m_engine.IsConnected(); ++i) {
        if (!m_remoteFiles.IsLink(i) || m_remoteFiles.IsDirectory(i)) {
            continue;
        }
        const RemoteFileEntry entry = m_remoteFiles.At(i);
        const std::string path = JoinPath(m_view.remoteDir, entry.displayName);
        auto known = m_linkFolders.find(path);
        if (known == m_linkFolders.end()) {
            if (probes++ >= kMaxLinkProbes) {
                continue;
            }
            // Relative to the folder shown, where the server is.
            const bool folder = m_engine.ChangeDir(entry.displayName).Ok();
            // The commands name files relative to the server's directory: it must be back in
            // the folder shown before anything else is sent.
            if (folder) {
                if (const CommandOutcome back = m_engine.ChangeDir(m_view.remoteDir); !back) {
                    if (m_engine.IsConnected()) {
                        m_ui.SetStatus(m_view.remoteDir + " に戻れません: " + WhyFailed(back));
                    }
                    return false;
                }
            }
            known = m_linkFolders.emplace(path, folder).first;
        }
        if (known->second) {
            folders.push_back(entry.displayName);
        }
    }
    m_ui.LinkFolders(folders);
    return true;
}

std::string CSession::ListedItemsText() const
{
    std::int64_t folders = 0;
    std::int64_t files = 0;
    for (int i = 0; i + 1 < m_remoteFiles.GetSize(); ++i) {
        const auto link = m_remoteFiles.IsLink(i)
                              ? m_linkFolders.find(JoinPath(
                                    m_view.remoteDir, std::string(m_remoteFiles.DisplayName(i))))
                              : m_linkFolders.end();
        ++(m_remoteFiles.IsDirectory(i) || (link != m_linkFolders.end() && link->second) ? folders
                                                                                         : files);
    }
    if (folders + files == 0) {
        return "空のフォルダです";
    }
    return FormatText("%d 個の項目", folders + files) + " (" + FormatText("フォルダ %d", folders) +
           "、" + FormatText("ファイル %d", files) + ")";
}

bool CSession::RefreshLocal()
{
    return RefreshLocalPane(m_view.localPane, m_view.localDir);
}

bool CSession::IsLinkRow(const std::string& row) const
{
    const int index = m_remoteFiles.FindByDisplayName(row);
    return index >= 0 && m_remoteFiles.IsLink(index);
}

CSession::RemoteRow CSession::ResolveRemoteRow(const std::string& row) const
{
    return ResolveRemoteRows({row}).front();
}

std::vector<CSession::RemoteRow> CSession::ResolveRemoteRows(
    const std::vector<std::string>& rows) const
{
    std::vector<RemoteRow> resolved(rows.size());
    // Each row's text once, and the rows that show it: a selection can be a whole listing.
    std::unordered_map<std::string_view, std::vector<std::size_t>> byText;
    for (std::size_t at = 0; at < rows.size(); ++at) {
        byText[rows[at]].push_back(at);
    }
    const int end = m_remoteFiles.EntriesEnd();
    for (int index = 0; index < end; ++index) {
        const auto found = byText.find(m_remoteFiles.DisplayName(index));
        if (found == byText.end()) {
            continue;
        }
        for (const std::size_t at : found->second) {
            if (resolved[at].entry >= 0) {
                resolved[at].ambiguous = true;
            } else {
                resolved[at].entry = index;
            }
        }
    }
    for (std::size_t at = 0; at < rows.size(); ++at) {
        RemoteRow& item = resolved[at];
        // A row the listing does not hold (the parent row) goes by its text.
        item.directory = item.entry >= 0 ? m_remoteFiles.IsDirectory(item.entry)
                                         : IsDirectoryRow(rows[at]);
        item.name = item.directory ? DirectoryRowName(rows[at]) : rows[at];
    }
    return resolved;
}

bool CSession::OpenRemoteRow(const std::string& row)
{
    const RemoteRow item = ResolveRemoteRow(row);
    const bool link = !item.directory && item.entry >= 0 && m_remoteFiles.IsLink(item.entry);
    if (row != kParentRow && !item.directory && !link) {
        return false; // a file row: not even the wait text
    }
    m_ui.ShowWaitText("ファイルリスト取得中です。\nしばらくお待ちください...");
    if (row == kParentRow) {
        // Up: the pane lists wherever the server is, the field shows the text computed here.
        m_view.remoteDir = ParentDir(m_view.remoteDir);
        if (m_view.remoteDir.empty()) {
            m_view.remoteDir = kRoot;
            static_cast<void>(m_engine.ChangeDir(kRoot));
        } else {
            static_cast<void>(m_engine.ChangeDir(".."));
            m_view.remoteDir = m_engine.GetCurrentDir();
        }
        RefreshRemote();
        return true;
    }
    // A directory by its bare name, relative to the server's current directory. The pane
    // must keep showing the folder the field names, so a refused change moves nothing.
    const std::string& name = item.name;
    if (const CommandOutcome change = m_engine.ChangeDir(name); !change) {
        m_ui.HideWaitText();
        if (!ConnectionLostNow() && !link) {
            m_ui.SetStatus(name + " に移動できません: " + WhyFailed(change));
        }
        return false; // a link the server cannot enter is a link to a file
    }
    m_view.remoteDir = JoinPath(m_view.remoteDir, name);
    RefreshRemote();
    return true;
}

bool CSession::ChangeLocalDir(const std::string& typed)
{
    std::string dir = typed;
    if (StartsWith(dir, "~")) {
        const char* home = std::getenv("HOME");
        dir = std::string(home != nullptr ? home : "/") + dir.substr(1);
    } else if (!StartsWith(dir, "/")) {
        dir = JoinPath(m_view.localDir.empty() ? kRoot : m_view.localDir, dir);
    }
    dir = std::filesystem::path(dir).lexically_normal().string();
    while (dir.size() > 1 && dir.back() == '/') {
        dir.pop_back();
    }
    // Listing a folder that cannot be opened would empty the pane; it is tried first.
    if (DIR* handle = ::opendir(dir.c_str())) {
        ::closedir(handle);
    } else {
        const int error = errno;
        m_ui.SetStatus(typed + " を開けません: " + ErrnoText(error));
        m_ui.SetStatusOriginal(ErrnoOriginal(error));
        return false;
    }
    m_view.localDir = dir;
    static_cast<void>(RefreshLocal());
    return true;
}

bool CSession::ChangeRemoteDir(const std::string& typed)
{
    if (!m_engine.IsConnected() || typed.empty()) {
        return false;
    }
    m_ui.ShowWaitText("ファイルリスト取得中です。\nしばらくお待ちください...");
    if (const CommandOutcome change = m_engine.ChangeDir(typed); !change) {
        m_ui.HideWaitText();
        if (!ConnectionLostNow()) {
            m_ui.SetStatus(typed + " に移動できません: " + WhyFailed(change));
        }
        return false;
    }
    // The field shows where the server says it is: a relative or a "../x" text as the full
    // path.
    const std::string current = m_engine.GetCurrentDir();
    m_view.remoteDir = !current.empty()         ? current
                       : StartsWith(typed, "/") ? typed
                                                : JoinPath(m_view.remoteDir, typed);
    RefreshRemote();
    return true;
}

} // namespace tarnwick
