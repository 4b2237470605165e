// CSession: what the window and tarnwick-cli do with a server, written once: the connect and
// disconnect sequence, the listing refresh, moving through remote directories, and the file
// commands (download and upload, create and delete, change attributes), each over the UI port
// CSessionUi. The front ends collect the user's choices (rows, names, modes) and hand them
// in; the session runs the command, writes the status texts and refreshes the panes.
//
// A failure is never reported as success: a command whose items did not all succeed ends
// with a status text naming what failed and why. When the control connection goes away by
// itself the session says so and empties the remote side (see CSessionUi::ConnectionLost).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "files/panerows.h"
#include "files/remotefilelist.h"
#include "ftp/ftpclient.h"
#include "session/itemoutcome.h"
#include "session/servertarget.h"
#include "session/sessionsettings.h"
#include "session/runner.h"
#include "session/sessionui.h"
#include "settings/profiles.h"

namespace tarnwick {

class CListingReader;

class CDialUpManager;
class CLocalTrash;
class CTransferQueue;
struct QueueQuestion;

// What the session works on that the front end shows: the two panes and their directory
// texts ("/" separated, "/" for the root).
struct SessionView {
    CPaneRows& localPane;
    CPaneRows& remotePane;
    std::string& localDir;
    std::string& remoteDir;
};

// Why the session asks for the dial-up manager: to dial before connecting, or to hang up
// after disconnecting.
enum class DialUpStep { Dial, HangUp };

class CSession {
public:
    CSession(CFtpClient& engine, CRemoteFileList& remoteFiles, SessionView view, CSessionUi& ui,
             CSessionSettings& settings);

    // The dial-up manager to use when the settings ask for dial-up; none (also when the
    // callback gives none) is no dial-up: the connect goes on without dialling.
    void SetDialUp(std::function<CDialUpManager*(DialUpStep)> dialUp)
    {
        m_dialUp = std::move(dialUp);
    }
    // Where deleted local files go; none (the default): they are deleted for good. Must outlive
    // the session.
    void SetTrash(CLocalTrash* trash) { m_pTrash = trash; }

    // --- connecting --------------------------------------------------------------------

    enum class OpenResult { Connected, BadServer, ConnectFailed, LoginFailed };
    // Connects to `target` and logs in, with the wait text "接続中…" (and its 中止) up
    // meanwhile; writes the greeting and the login reply into the status line. A certificate
    // that fails the check is put to the user (CSessionUi::TrustCertificate) before anything
    // is sent; "always" stores it. After the login: FEAT, and over TLS "PBSZ 0"/"PROT P".
    // On failure the status line says "ConnectToServer に失敗" or "UserLogin に失敗" and
    // why: "ConnectToServer に失敗: 接続を拒否されました\r\n", "UserLogin に失敗: 530 Login
    // incorrect.\r\n". A refused login leaves the control connection as the engine holds it.
    // What the target leaves unset (passive mode, time limit, a usable encoding, the
    // trusted certificate) comes from the settings.
    OpenResult Open(const ServerTarget& target);
    // The whole connect command after the login dialog (its fields are a profile): the
    // fields checked, dial-up, Open, the remote start directory (the field shows where the
    // server is after it), the remote listing, the local start directory. True when
    // connected.
    bool Connect(const ServerProfile& request);
    // QUIT (the status line shows its reply), the remote side emptied, the dial-up hung up
    // when the settings ask for it.
    void Disconnect();
    // True from a successful Open until Disconnect or the connection is lost.
    [[nodiscard]] bool IsConnected() const { return m_bConnected; }
    // How the connection is protected, for the window: "TLSv1.3 で暗号化", "暗号化なし";
    // empty when not connected.
    [[nodiscard]] std::string SecurityText() const;
    [[nodiscard]] bool IsEncrypted() const { return m_bConnected && m_engine.IsEncrypted(); }
    // The encoding names are spoken in, for the window: "文字コード: Shift_JIS (自動)" when
    // detected, "文字コード: 自動 (未判定)" before anything decided it, "文字コード: EUC-JP" when
    // chosen; empty when not connected.
    [[nodiscard]] std::string EncodingText() const;
    // After an operation: when the connection this session made has gone away, says so,
    // empties the remote side, tells the front end and returns true.
    bool ConnectionLostNow();

    // --- panes -----------------------------------------------------------------------------

    // The remote pane and entry list from a listing of the server's current directory. A
    // listing that fails says why in the status line; with `sayCount`, one that works says
    // how many items the folder holds ("12 個の項目 (フォルダ 3、ファイル 9)"), where the listing
    // is what the user asked for (connect, a folder entered, F5) rather than the end of a
    // command with a result of its own.
    void RefreshRemote(bool sayCount = true);
    // The local pane from the local directory; false when it cannot be listed.
    bool RefreshLocal();
    // A double-clicked remote row: ".." goes up, a directory row is entered (the wait text
    // shows meanwhile), and the pane is listed again. A link row is tried as a directory: when
    // the server changes into it, it is one. A directory the server refuses leaves the folder
    // shown, and the status line says why. False when nothing was opened (a file row, a link
    // to a file): the front end leaves its fields as they are.
    bool OpenRemoteRow(const std::string& row);
    // The folder typed into a path field: the local one is listed when it can be opened, the
    // remote one changed into (the field then shows where the server says it is) and listed.
    // A relative text is taken from the folder shown. False when it cannot be entered: the
    // folder shown stays and the status line says why.
    bool ChangeLocalDir(const std::string& typed);
    bool ChangeRemoteDir(const std::string& typed);
    // True when the last listing shows `row` as a symbolic link.
    [[nodiscard]] bool IsLinkRow(const std::string& row) const;
    // What a remote row stands for, told by the listing's entry rather than by the row's
    // text: a server's file may be named "<x>", which reads like folder x. `ambiguous`: the
    // listing has two entries that read as this row (folder x and file "<x>").
    struct RemoteRow {
        std::string name; // relative to the server's current folder
        bool directory = false;
        bool ambiguous = false;
        int entry = -1; // the listing's entry; -1 for a row it does not hold (the parent row)
    };
    [[nodiscard]] RemoteRow ResolveRemoteRow(const std::string& row) const;
    // The same for each of `rows`, with one pass over the listing.
    [[nodiscard]] std::vector<RemoteRow> ResolveRemoteRows(const std::vector<std::string>& rows) const;

    // --- the file commands over the panes' selected rows --------------------------------
    // Each returns false when it stopped before acting (no rows, or the question answered
    // no); the front end then leaves its fields as they are.

    bool DownloadRows(const std::vector<std::string>& rows);
    bool UploadRows(const std::vector<std::string>& rows);
    // Local files by their paths (dropped from a file manager), each stored under its own name
    // in the server's current directory; a directory goes with everything below it.
    bool UploadPaths(const std::vector<std::string>& paths);
    // Local rows go to the trash after one question that names them; what the trash cannot
    // take is deleted for good only after a second question (default no).
    bool DeleteLocalRows(const std::vector<std::string>& rows);
    // Remote rows, after a question that names them. A folder with contents is asked about
    // (default no) before anything in it goes; no leaves it, skipped.
    bool DeleteRemoteRows(const std::vector<std::string>& rows);
    // `name` as typed into the create-directory dialog (not empty).
    void CreateLocalDirectory(const std::string& name);
    // False when the server refused (the status line says so and the pane is not listed).
    bool CreateRemoteDirectory(const std::string& name);
    // The entry of the caret row `row` for the attributes dialog: its index in the entry
    // list, or -1 (nothing to do for "..", "." and their bracketed forms; a row without an
    // entry is reported in the status line).
    int FindAttribEntry(const std::string& row);
    // The permissions ("-rw-r--r--") of the entry at `index` for the attributes dialog: the
    // listing's, or where it gave none, MLST's UNIX.mode, a STAT line of the file, or the long
    // listing's. False, with the status line saying so, when none of them tells.
    bool AttribPermissions(int index, std::string& permissions);
    // SITE CHMOD `mode` on the entry at `index`; the status line shows the server's reply
    // and the pane is listed again.
    void ChangeAttributes(int index, const std::string& mode);
    // The item of `row` renamed to `newName` in the folder shown: locally with rename (a link
    // renamed itself), on the server with RNFR and RNTO. A name the safe-name rule refuses is
    // not sent ("NAME は名前に使えません"); an existing item of the new name is replaced only
    // when the user says so to a question naming both. The pane is listed again. True when
    // renamed; false also when nothing was done (same name, no to the question).
    bool RenameLocalRow(const std::string& row, const std::string& newName);
    bool RenameRemoteRow(const std::string& row, const std::string& newName);

    // --- single items -------------------------------------------------------------------

    // One local file to the server's current directory as `remoteName`; asks when the last
    // listing shows a file of that name (when the settings say so).
    ItemOutcome UploadFile(const std::string& localPath, const std::string& remoteName);
    // True (and a failure recorded for `name`) when the queue still moves `path` or something
    // below it: it is not deleted under the transfer.
    bool MovedByQueue(const std::string& path, bool local, const std::string& name,
                      std::vector<ItemOutcome>& outcomes);
    // True (and the status line says so) when the queue moves `from` or `to` in `dir`.
    bool MovedNow(const std::string& dir, const std::string& from, const std::string& to,
                  bool local);

    [[nodiscard]] const CRemoteFileList& RemoteFiles() const { return m_remoteFiles; }

    // The file operations without panes: transfers, the questions about a file in the way,
    // the commands that need no data connection, and the transfer queue they may go to.
    [[nodiscard]] CRunner& Runner() { return m_runner; }

    // How the queue's connections reach the server this session is connected to: the same
    // host, port, user, TLS mode and names' encoding, and no certificate but the one this
    // connection showed. Nothing while disconnected.
    [[nodiscard]] std::function<bool(CFtpClient&, int, std::string&)> QueueConnector() const;

private:
    // The status text after a command over several items: `done` when every item succeeded,
    // what was being done when the user stopped it, otherwise the count and the first
    // failure ("3 個中 1 個のダウンロードに失敗しました: a.txt (550 …)").
    void ReportItems(const std::vector<ItemOutcome>& outcomes, const std::string& done,
                     const std::string& what);
    // The end of a command that changed the remote side: the pane listed again (unless the
    // connection is gone), then the command's status text.
    void EndRemoteCommand(const std::vector<ItemOutcome>& outcomes, const std::string& done,
                          const std::string& what);
    // Records an item's outcome; true when the command must stop after it (cancelled, or
    // the connection is gone).
    bool Record(const ItemOutcome& outcome, std::vector<ItemOutcome>& outcomes);
    [[nodiscard]] std::string ConnectionLostText() const;
    // Tells the front end which links of the folder listed last lead to folders: each is
    // tried once a connection with CWD (and CWD back), at most kMaxLinkProbes a listing.
    // False when the server could not be brought back to the folder shown (the status says
    // so).
    bool ProbeLinks();
    // How many items the listed folder holds: "12 個の項目 (フォルダ 3、ファイル 9)".
    [[nodiscard]] std::string ListedItemsText() const;
    // Uploads (local path, remote name) pairs, a directory as its tree; `asked` is the count
    // in the question.
    bool UploadItems(const std::vector<std::pair<std::string, std::string>>& items,
                     std::size_t asked);
    // Asks `question` with `count` filled in and `names` (the first few) below it; not at
    // all when `count` is 0. On yes, the command starts (see BeginItems) over `items` of the
    // rows counted, when fewer act.
    bool StartCommand(const char* question, std::size_t count, std::size_t items,
                      const std::vector<std::string>& names);
    // The start of a command over several items: no answer is for all yet, no tree counted.
    void BeginItems(bool more);
    // A directory and everything below it, between the two paths; `outcomes` gets its
    // files and failures. True when the command must stop (cancelled, connection gone).
    bool MoveTree(TransferDirection direction, const std::string& localPath,
                  const std::string& remotePath, std::vector<ItemOutcome>& outcomes);
    // The remote folder `name`: RMD when it is empty (or cannot be listed); when it holds
    // anything, asks whether it goes with everything in it (skipped on no). The outcome of the
    // whole.
    ItemOutcome RemoveRemoteFolder(const std::string& name);
    // The local row `name` deleted for good, folders with their contents; recorded.
    void RemoveForGood(const std::string& name, std::vector<ItemOutcome>& outcomes);
    // False for a new name that is the old one (silently) or one the safe-name rule refuses
    // (said in the status line).
    bool CheckNewName(const std::string& from, const std::string& to);
    // Whether `to`, which exists, may be replaced by `from`; default no.
    bool AskReplace(const std::string& from, const std::string& to);
    // The status text after a rename to `to`.
    void ReportRename(const ItemOutcome& outcome, const std::string& to);
    // A tree's item: counted into the tree's progress, shown.
    void TreeItem(const ItemOutcome& outcome);
    // The number of entries a remote directory lists, or -1 when it cannot be listed; the
    // server is back in the folder shown afterwards.
    int CountRemoteEntries(const std::string& path);
    // A download of `row` failed: when the row is a link the server can change into, it
    // names a directory, which is said instead of the server's refusal.
    void ExplainLinkFailure(const std::string& row, ItemOutcome& outcome);

    CFtpClient& m_engine;
    CRemoteFileList& m_remoteFiles;
    // What the last successful Open connected with, for the queue's connections.
    ServerTarget m_openTarget;
    FtpConnectOptions m_openOptions;
    SessionView m_view;
    CSessionUi& m_ui;
    CSessionSettings& m_settings;
    std::function<CDialUpManager*(DialUpStep)> m_dialUp;
    bool m_bConnected = false;
    bool m_bLost = false; // the running command found the connection gone
    // The file operations, on this session's connection (or handed to its queue).
    CRunner m_runner;
    // The tree moving now, and the size of its file moving now (-1 unknown).
    TreeCounts m_tree;
    std::int64_t m_nTreeFileSize = -1;
    CLocalTrash* m_pTrash = nullptr;
    // Links tried this connection, by path: true when the server changed into it.
    std::map<std::string, bool> m_linkFolders;
    // The detected encoding has been said in the status line this connection.
    bool m_bEncodingSaid = false;
    static constexpr int kMaxLinkProbes = 32;
};

} // namespace tarnwick
