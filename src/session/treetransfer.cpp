#include "session/treetransfer.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "core/strutil.h"
#include "files/panerows.h"
#include "files/pathjoin.h"
#include "files/remotepane.h"
#include "files/rowtext.h"
#include "ftp/ftpclient.h"
#include "session/localfiles.h"
#include "session/session.h"

namespace tarnwick {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

ItemOutcome Note(const std::string& name, ItemOutcome::Status status, const std::string& note)
{
    ItemOutcome outcome;
    outcome.status = status;
    outcome.name = name;
    outcome.note = note;
    if (status == ItemOutcome::Status::Failed) {
        outcome.reason = FailureReason::LocalFile;
    }
    return outcome;
}

// The server's answer to the last command, as an outcome for `name`.
ItemOutcome ServerOutcome(const std::string& name, const CFtpClient& engine, bool ok)
{
    ItemOutcome outcome;
    outcome.name = name;
    outcome.replyCode = engine.GetReplyCode();
    outcome.replyText = engine.GetLastReply();
    if (!ok) {
        outcome.status = ItemOutcome::Status::Failed;
        outcome.reason = engine.IsConnected() ? FailureReason::Refused : FailureReason::ConnectionLost;
    }
    return outcome;
}

// The "unique" fact of the listed directory itself, from MLSD's "type=cdir" line:
//   type=cdir;unique=fd01g3e;modify=20231130184500; /pub
// Empty when the listing has none (not MLSD, or a server that sends no unique).
std::string ListedDirectoryUnique(std::string_view text)
{
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view facts = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        facts = facts.substr(0, facts.find(' '));
        if (AsciiLower(facts).find("type=cdir") == std::string::npos) {
            continue;
        }
        const std::size_t at = AsciiLower(facts).find("unique=");
        if (at == std::string::npos) {
            return std::string();
        }
        const std::string_view value = facts.substr(at + 7);
        return std::string(value.substr(0, value.find(';')));
    }
    return std::string();
}

// The bare name of an entry (a directory's row text is bracketed).
std::string EntryName(const RemoteFileEntry& entry)
{
    return entry.isDirectory == 1 ? DirectoryRowName(entry.displayName) : entry.displayName;
}

} // namespace

std::size_t CTreeTransfer::Failures() const
{
    std::size_t failed = 0;
    for (const ItemOutcome& outcome : m_outcomes) {
        failed += outcome.Failed() ? 1 : 0;
    }
    return failed;
}

std::size_t CTreeTransfer::Done() const
{
    std::size_t done = 0;
    for (const ItemOutcome& outcome : m_outcomes) {
        done += outcome.status == ItemOutcome::Status::Done ? 1 : 0;
    }
    return done;
}

bool CTreeTransfer::Record(ItemOutcome outcome)
{
    m_bStopped = m_bStopped || outcome.reason == FailureReason::Cancelled || !m_engine.IsConnected();
    if (m_itemSink) {
        m_itemSink(outcome);
    }
    m_outcomes.push_back(std::move(outcome));
    return m_bStopped;
}

void CTreeTransfer::Remember()
{
    m_outcomes.clear();
    m_seen.clear();
    m_strEntered.clear();
    m_bStopped = false;
    m_strStartDir = m_engine.GetCurrentDir();
}

void CTreeTransfer::Restore()
{
    // The walk changed directories; the server is left where it was.
    if (!m_strStartDir.empty() && m_engine.IsConnected()) {
        static_cast<void>(m_engine.ChangeDir(m_strStartDir));
    }
}

void CTreeTransfer::SeeTop(const std::string& remoteDir)
{
    // A server whose MLSD follows links and sends no "cdir" line (pyftpdlib) shows a link to
    // the top of the walk as a plain folder; only the top's own "unique" tells it.
    m_strEntered = m_engine.RemoteUnique(remoteDir);
    if (!m_strEntered.empty()) {
        m_seen.insert(m_strEntered);
    }
}

bool CTreeTransfer::Enter(const RemoteFileEntry& entry)
{
    m_strEntered = entry.unique;
    return entry.unique.empty() || m_seen.insert(entry.unique).second;
}

bool CTreeTransfer::ListRemote(const std::string& dir, CRemoteFileList& entries, bool& seenBefore)
{
    seenBefore = false;
    std::string text;
    if (!m_engine.ChangeDir(dir)) {
        Record(ServerOutcome(dir, m_engine, false));
        return false;
    }
    if (!m_engine.ListDirectory(dir, text)) {
        ItemOutcome outcome = OutcomeOf(dir, m_engine.GetLastOutcome());
        Record(std::move(outcome));
        return false;
    }
    CRowList rows;
    FillRemotePane(rows, text, entries,
                   m_engine.LastListingIsMlsd() ? ListingFormat::MlsdFacts : ListingFormat::LongLines);
    // A server that follows links in MLSD (pyftpdlib) shows a link to a directory above as
    // that directory: its "unique" tells it was entered already.
    // The folder just entered was recorded from its parent's listing already.
    if (const std::string unique = ListedDirectoryUnique(text);
        !unique.empty() && unique != m_strEntered) {
        seenBefore = !m_seen.insert(unique).second;
    }
    m_strEntered.clear();
    return true;
}

void CTreeTransfer::Download(const std::string& remoteDir, const std::string& localDir)
{
    Remember();
    SeeTop(remoteDir);
    DownloadDir(remoteDir, localDir, 0);
    Restore();
}

void CTreeTransfer::DownloadDir(const std::string& remoteDir, const std::string& localDir,
                                int depth)
{
    if (depth > kMaxDepth) {
        Record(Note(remoteDir, ItemOutcome::Status::Failed, "階層が深すぎます"));
        return;
    }
    if (::mkdir(localDir.c_str(), 0777) != 0 && !(errno == EEXIST && IsLocalDirectory(localDir))) {
        Record(LocalOutcome(localDir, false, errno));
        return;
    }
    CRemoteFileList entries;
    bool seenBefore = false;
    if (!ListRemote(remoteDir, entries, seenBefore)) {
        return;
    }
    if (seenBefore) {
        ::rmdir(localDir.c_str()); // made just now, and empty
        Record(Note(remoteDir, ItemOutcome::Status::Skipped, "同じディレクトリです"));
        return;
    }
    for (int i = 0; i + 1 < entries.GetSize() && !m_bStopped; ++i) {
        const RemoteFileEntry& entry = entries.At(i);
        const std::string name = EntryName(entry);
        const std::string remotePath = JoinPath(remoteDir, name);
        // A name such as "..", "../x" or "a/b" never becomes a local path, at any level.
        if (!IsSafeLocalName(name)) {
            Record(Note(remotePath, ItemOutcome::Status::Failed, "ローカルに置けない名前"));
            continue;
        }
        if (entry.isLink == 1) {
            Record(Note(remotePath, ItemOutcome::Status::Skipped, "リンクは辿りません"));
            continue;
        }
        if (entry.isDirectory == 1) {
            if (!Enter(entry)) {
                Record(Note(remotePath, ItemOutcome::Status::Skipped, "同じディレクトリです"));
                continue;
            }
            DownloadDir(remotePath, JoinPath(localDir, name), depth + 1);
            continue;
        }
        ItemOutcome outcome = m_session.DownloadFile(remotePath, JoinPath(localDir, name),
                                                     ListedSize(entry), entry.modifyTime);
        outcome.name = remotePath;
        Record(std::move(outcome));
    }
}

void CTreeTransfer::Upload(const std::string& localDir, const std::string& remoteDir)
{
    Remember();
    UploadDir(localDir, remoteDir, 0);
    Restore();
}

void CTreeTransfer::UploadDir(const std::string& localDir, const std::string& remoteDir, int depth)
{
    if (depth > kMaxDepth) {
        Record(Note(localDir, ItemOutcome::Status::Failed, "階層が深すぎます"));
        return;
    }
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(localDir.c_str()));
    if (!dir) {
        Record(LocalOutcome(localDir, false, errno));
        return;
    }
    // A directory that is there already is used as it is; its listing tells what an upload
    // would replace.
    const bool made = m_engine.MakeDir(remoteDir);
    CRemoteFileList existing;
    bool seenBefore = false;
    if (!made && !ListRemote(remoteDir, existing, seenBefore)) {
        return;
    }
    while (const dirent* item = ::readdir(dir.get())) {
        if (m_bStopped) {
            return;
        }
        const std::string name = item->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        const std::string localPath = JoinPath(localDir, name);
        const std::string remotePath = JoinPath(remoteDir, name);
        struct stat info {};
        if (::lstat(localPath.c_str(), &info) != 0) {
            Record(LocalOutcome(localPath, false, errno));
            continue;
        }
        if (S_ISLNK(info.st_mode)) {
            Record(Note(localPath, ItemOutcome::Status::Skipped, "リンクは辿りません"));
            continue;
        }
        if (S_ISDIR(info.st_mode)) {
            UploadDir(localPath, remotePath, depth + 1);
            continue;
        }
        if (!S_ISREG(info.st_mode)) {
            continue; // a FIFO or a device is no file to copy
        }
        if (existing.FindByDisplayName(name) >= 0 && m_askOverwrite && !m_askOverwrite(name)) {
            Record(Note(localPath, ItemOutcome::Status::Skipped, std::string()));
            continue;
        }
        const TransferRequest request{TransferDirection::Upload, remotePath, localPath,
                                      m_session.ChooseType(name),
                                      static_cast<std::int64_t>(info.st_size)};
        Record(OutcomeOf(localPath, m_engine.Transfer(request)));
    }
}

void CTreeTransfer::RemoveRemote(const std::string& remoteDir)
{
    Remember();
    SeeTop(remoteDir);
    RemoveDir(remoteDir, 0);
    Restore();
}

int CTreeTransfer::CountEntries(const std::string& remoteDir)
{
    Remember();
    CRemoteFileList entries;
    bool seenBefore = false;
    const int count = ListRemote(remoteDir, entries, seenBefore) ? entries.GetSize() - 1 : -1;
    Restore();
    m_outcomes.clear();
    return count;
}

void CTreeTransfer::RemoveDir(const std::string& remoteDir, int depth)
{
    if (depth > kMaxDepth) {
        Record(Note(remoteDir, ItemOutcome::Status::Failed, "階層が深すぎます"));
        return;
    }
    CRemoteFileList entries;
    bool seenBefore = false;
    if (!ListRemote(remoteDir, entries, seenBefore) || seenBefore) {
        return;
    }
    for (int i = 0; i + 1 < entries.GetSize() && !m_bStopped; ++i) {
        const RemoteFileEntry& entry = entries.At(i);
        const std::string path = JoinPath(remoteDir, EntryName(entry));
        // A link goes as a file: DELE removes the link, not what it points at.
        // A folder met again can only be a link the server followed: it goes as a link.
        if (entry.isDirectory == 1 && entry.isLink == 0 && Enter(entry)) {
            RemoveDir(path, depth + 1);
        } else {
            Record(ServerOutcome(path, m_engine, m_engine.DeleteRemoteFile(path)));
        }
    }
    if (m_bStopped) {
        return;
    }
    // Out of it before it goes: some servers refuse to remove the current directory.
    static_cast<void>(m_engine.ChangeDir("/"));
    Record(ServerOutcome(remoteDir, m_engine, m_engine.RemoveDir(remoteDir)));
}

} // namespace tarnwick
