// CRunner: the file operations of one connection, without panes. Downloads and uploads (going
// on from a part where asked), the questions about a file in the way, and the commands that
// need no data connection, each ending in an item outcome. The window's session, tarnwick-cli
// and the tree walks run their items through it; with a transfer queue set, transfers go to
// the queue's own connections and are asked about at their turn.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ftp/transferrequest.h"
#include "session/itemoutcome.h"
#include "session/runnerui.h"

namespace tarnwick {

class CFtpClient;
class CSessionSettings;
class CTransferQueue;
struct QueueQuestion;
struct RemoteFileEntry;

// The question before renaming `from` onto the existing `to`.
[[nodiscard]] std::string RenameOverQuestion(const std::string& from, const std::string& to);

class CRunner {
public:
    // `serverDir` is the server's current directory as the caller keeps it: a bare remote
    // name handed to the queue means a file there (the queue's connections stay in their
    // login folder).
    CRunner(CFtpClient& engine, CSessionSettings& settings, CRunnerUi& ui,
            const std::string& serverDir);

    [[nodiscard]] CFtpClient& Engine() { return m_engine; }

    // A command begins: an earlier "for all" answer no longer holds; `more` tells whether
    // it holds more than one file (the questions then offer すべてに適用).
    void BeginItems(bool more);
    void SetMoreItems(bool more) { m_bMoreItems = more; }

    // Text or binary for a file of this name: by its ending in automatic mode, otherwise the
    // engine's current type.
    [[nodiscard]] TransferType ChooseType(const std::string& name);

    // One remote file into `localPath`: asks before replacing an existing file (when the
    // settings say so; the question names the file) and, for a binary file of which an
    // interrupted download left NAME.part, whether to go on from it; chooses the type,
    // transfers. Skipped when the user said no. The file gets the server's modification time:
    // `modifyTime` (seconds since 1970 UTC) when the listing gave it, MDTM otherwise. The
    // question shows both files' sizes and times (`listedTime`: the listing's date text).
    ItemOutcome DownloadFile(const std::string& remotePath, const std::string& localPath,
                             std::int64_t expectedSize, std::int64_t modifyTime = -1,
                             const std::string& listedTime = std::string());
    // Goes on from the NAME.part beside `localPath` in binary type: the server's size (SIZE,
    // else `listedSize`) first, then "REST offset" and RETR. Fails when neither size is known.
    // A part whose recorded size and time (MDTM, else `listedTime`) are no longer the file's
    // starts over, and the user is told.
    ItemOutcome ResumeDownload(const std::string& remotePath, const std::string& localPath,
                               std::int64_t listedSize = -1, std::int64_t listedTime = -1);
    // One local file to `remotePath`, over `existing` (the listing's entry of a file there, or
    // none): asked about when the settings say so, with 再開 when the server's file is shorter
    // and the type binary.
    ItemOutcome UploadOver(const std::string& localPath, const std::string& remotePath,
                           const RemoteFileEntry* existing);
    // `get -c`: goes on from NAME.part (an interrupted download's) or, when there is none,
    // from NAME itself when it is shorter than the server's file (as wget -c and curl -C - do);
    // neither is ever a link. NAME keeps its name when it was gone on from and nothing came.
    ItemOutcome ContinueDownload(const std::string& remotePath, const std::string& localPath);
    // `put -c`: goes on from what the server has of `remoteName`: nothing when it has all of
    // it, the rest when it has less, the whole file when it has none (or more, or will not
    // say).
    ItemOutcome ContinueUpload(const std::string& localPath, const std::string& remoteName);
    // Goes on from the end of the server's shorter `remotePath` (SIZE, else `listedSize`):
    // REST and STOR, or APPE.
    ItemOutcome ResumeUpload(const std::string& localPath, const std::string& remotePath,
                             std::int64_t listedSize);
    // Uploads as `request` says; the server's file then gets the local file's modification
    // time where FEAT offers MFMT. `question`: as for RunTransfer.
    ItemOutcome SendFile(const TransferRequest& request, const QueueQuestion* question = nullptr);
    // Moves `request` now, or hands it to the transfer queue when there is one, with the
    // `question` it asks at its turn when a file is in the way (none: it replaces).
    ItemOutcome RunTransfer(const std::string& name, const TransferRequest& request,
                            const QueueQuestion* question = nullptr);

    // The server's current directory (PWD) into `dir`; empty when it cannot be had.
    ItemOutcome CurrentDir(std::string& dir);
    ItemOutcome ChangeDir(const std::string& path);
    ItemOutcome MakeRemoteDirectory(const std::string& name);
    ItemOutcome RemoveRemoteDirectory(const std::string& name);
    ItemOutcome DeleteRemoteFile(const std::string& path);
    // Refused by the server counts as failed here (the window shows the reply either way).
    ItemOutcome ChangeMode(const std::string& name, const std::string& mode);
    // `from` in the server's current directory renamed to `to`, a plain name in the same
    // folder. `exists`: the listing shows an item named `to`, which most servers replace
    // without a word, so it is replaced only when the user says so to the question naming
    // both. Skipped (with a note) for the same name or a no; failed for a name the safe-name
    // rule refuses.
    ItemOutcome RenameRemote(const std::string& from, const std::string& to, bool exists);

    // Before `text` (a name or path) is sent: with 自動 and nothing decided yet, a text beyond
    // ASCII would fix the encoding unseen, so the server's current folder is listed first and
    // its names decide ("get テスト資料.txt" to a CP932 server then sends CP932).
    void SettleEncodingFor(const std::string& text);

    // What to do with `file`: the answer given "for all" earlier in the command, or the
    // user's.
    ExistingAnswer AskExisting(ExistingFile file);

    // Files to move go to `queue` (not owned; null: they move on this connection while the
    // command waits).
    void SetTransferQueue(CTransferQueue* queue) { m_pQueue = queue; }
    [[nodiscard]] CTransferQueue* TransferQueue() const { return m_pQueue; }
    // The files queued from now on are those of the tree command's folder `path`, shown with
    // its totals; empty: files of their own.
    void SetQueueFolder(const std::string& path);

private:
    CFtpClient& m_engine;
    CSessionSettings& m_settings;
    CRunnerUi& m_ui;
    const std::string& m_serverDir;
    CTransferQueue* m_pQueue = nullptr;
    std::string m_strQueueFolder;
    int m_nQueueFolder = 0;
    int m_nLastQueueFolder = 0;
    std::optional<ExistingAnswer> m_existingForAll;
    bool m_bMoreItems = false;
};

} // namespace tarnwick
