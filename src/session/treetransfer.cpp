#include "session/treetransfer.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <memory>

#include "core/strutil.h"
#include "files/panerows.h"
#include "files/pathjoin.h"
#include "files/remotepane.h"
#include "files/rowtext.h"
#include "ftp/ftpclient.h"
#include "session/localfiles.h"
#include "session/localtreetarget.h"
#include "session/runner.h"

namespace tarnwick {

CTreeTransfer::CTreeTransfer(CRunner& runner) : m_engine(runner.Engine()), m_runner(runner) {}

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

// A local folder or file of a download that cannot be written: a link standing there is
// named as one.
ItemOutcome LinkRefused(const std::string& path, int error)
{
    ItemOutcome outcome = LocalOutcome(path, false, error);
    if (error == ELOOP) {
        outcome.note = "リンクには書き込みません";
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

bool CTreeTransfer::StopRequested(const std::string& where)
{
    // Files that move in a moment never let a wait see the request: it is looked at between
    // every two steps too.
    if (!m_bStopped && m_engine.CancelRequested()) {
        ItemOutcome outcome;
        outcome.status = ItemOutcome::Status::Failed;
        outcome.reason = FailureReason::Cancelled;
        outcome.name = where;
        Record(std::move(outcome));
    }
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
    if (const CommandOutcome cd = m_engine.ChangeDir(dir); !cd) {
        Record(OutcomeOf(dir, cd));
        return false;
    }
    if (const TransferOutcome listing = m_engine.ListDirectory(dir, text); !listing) {
        Record(OutcomeOf(dir, listing));
        return false;
    }
    CRowList rows;
    m_bListedMlsd = m_engine.LastListingIsMlsd();
    FillRemotePane(rows, text, entries,
                   m_bListedMlsd ? ListingFormat::MlsdFacts : ListingFormat::LongLines);
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

std::set<std::string> CTreeTransfer::FoldersOfLongListing()
{
    std::set<std::string> folders;
    std::string text;
    if (!m_engine.ListLongLines(text)) {
        m_bLongListingFailed = true;
        return folders;
    }
    CRowList rows;
    CRemoteFileList entries;
    FillRemotePane(rows, text, entries, ListingFormat::LongLines);
    for (int i = 0; i + 1 < entries.GetSize(); ++i) {
        const RemoteFileEntry& entry = entries.At(i);
        if (entry.isDirectory == 1 && entry.isLink == 0) {
            folders.insert(EntryName(entry));
        }
    }
    return folders;
}

bool CTreeTransfer::ListToWalk(const std::string& dir, CRemoteFileList& entries, bool& seenBefore,
                               std::set<std::string>& folders)
{
    folders.clear();
    if (!ListRemote(dir, entries, seenBefore) || seenBefore) {
        return false;
    }
    for (int i = 0; i + 1 < entries.GetSize(); ++i) {
        const RemoteFileEntry& entry = entries.At(i);
        if (entry.isDirectory == 1 && entry.isLink == 0) {
            folders.insert(EntryName(entry));
        }
    }
    if (folders.empty() || !m_bListedMlsd) {
        return true;
    }
    // MLSD of a server that follows links (pyftpdlib) calls a link to a folder "type=dir",
    // with the facts of the folder it leads to; the long listing of the same folder shows
    // "lrwxrwxrwx ... link -> ../keep". Only what both call a folder is entered: one more
    // listing for each folder that holds folders, and none where MLSD is not used.
    m_bLongListingFailed = false;
    const std::set<std::string> confirmed = FoldersOfLongListing();
    if (m_bLongListingFailed) {
        Record(Note(dir, ItemOutcome::Status::Failed, "リンクかどうか確かめられません"));
        return false;
    }
    for (auto it = folders.begin(); it != folders.end();) {
        it = confirmed.count(*it) != 0 ? std::next(it) : folders.erase(it);
    }
    return true;
}

CTreeTransfer::RemoteKind CTreeTransfer::KindOf(const std::string& parentDir,
                                                const std::string& name)
{
    // Without MLSD the listing the row came from marked links already.
    if (!m_engine.HasFeature("MLST")) {
        return RemoteKind::Folder;
    }
    Remember();
    RemoteKind kind = RemoteKind::Unknown;
    if (m_engine.ChangeDir(parentDir)) {
        m_bLongListingFailed = false;
        const std::set<std::string> folders = FoldersOfLongListing();
        if (!m_bLongListingFailed) {
            kind = folders.count(name) != 0 ? RemoteKind::Folder : RemoteKind::Link;
        }
    }
    Restore();
    m_outcomes.clear();
    return kind;
}

void CTreeTransfer::Download(const std::string& remoteDir, const std::string& localDir)
{
    Run(remoteDir, [&] {
        SeeTop(remoteDir);
        // "out/" names the folder "out": its files are "out/a.txt".
        std::string target = localDir;
        while (target.size() > 1 && target.back() == '/') {
            target.pop_back();
        }
        WalkRemote(remoteDir, target, 0);
    }, &CTreeTransfer::MoveDown);
}

void CTreeTransfer::Run(const std::string& folder, const std::function<void()>& walk,
                        void (CTreeTransfer::*move)())
{
    Remember();
    m_plan.clear();
    m_nMoved = 0;
    m_target = CLocalTreeTarget();
    m_strFailedDir.clear();
    // Queued files show under the folder the user chose.
    m_runner.SetQueueFolder(folder);
    walk();
    AnnounceTotals();
    (this->*move)();
    m_runner.SetQueueFolder(std::string());
    m_plan.clear();
    Restore();
}

bool CTreeTransfer::Below(const std::string& path, const std::string& failed)
{
    return !failed.empty() && path.size() > failed.size() && StartsWith(path, failed) &&
           path[failed.size()] == '/';
}

void CTreeTransfer::AnnounceTotals()
{
    std::size_t files = 0;
    std::int64_t bytes = 0;
    for (const PlanItem& item : m_plan) {
        if (!item.directory) {
            ++files;
            bytes += std::max<std::int64_t>(item.size, 0);
        }
    }
    if (m_totalsSink && !m_bStopped) {
        m_totalsSink(files, bytes);
    }
}

bool CTreeTransfer::OpenToWalk(const std::string& remoteDir, int depth, CRemoteFileList& entries,
                               std::set<std::string>& confirmed, bool sayMetBefore)
{
    if (depth > kMaxDepth) {
        Record(Note(remoteDir, ItemOutcome::Status::Failed, "階層が深すぎます"));
        return false;
    }
    bool seenBefore = false;
    if (ListToWalk(remoteDir, entries, seenBefore, confirmed)) {
        return true;
    }
    if (seenBefore && sayMetBefore) {
        Record(Note(remoteDir, ItemOutcome::Status::Skipped, "同じディレクトリです"));
    }
    return false;
}

void CTreeTransfer::WalkRemote(const std::string& remoteDir, const std::string& localDir,
                               int depth)
{
    CRemoteFileList entries;
    std::set<std::string> confirmed; // the folders that are no links
    if (!OpenToWalk(remoteDir, depth, entries, confirmed, true)) {
        return;
    }
    m_plan.push_back({true, remoteDir, localDir, -1, -1, std::string()});
    // The folder's files follow it in the plan; its folders are walked after them. Each
    // keeps the "unique" it was entered with, which its own listing is told apart by.
    std::vector<std::pair<RemoteFileEntry, std::string>> folders;
    for (int i = 0; i + 1 < entries.GetSize() && !StopRequested(remoteDir); ++i) {
        const RemoteFileEntry& entry = entries.At(i);
        const std::string name = EntryName(entry);
        const std::string remotePath = JoinPath(remoteDir, name);
        // A name such as "..", "../x" or "a/b" never becomes a local path, at any level.
        if (!IsSafeLocalName(name)) {
            Record(Note(remotePath, ItemOutcome::Status::Failed, "ローカルに置けない名前"));
            continue;
        }
        if (entry.isLink == 1 || (entry.isDirectory == 1 && confirmed.count(name) == 0)) {
            Record(Note(remotePath, ItemOutcome::Status::Skipped, "リンクは辿りません"));
            continue;
        }
        if (entry.isDirectory == 1) {
            if (!Enter(entry)) {
                Record(Note(remotePath, ItemOutcome::Status::Skipped, "同じディレクトリです"));
                continue;
            }
            folders.emplace_back(entry, name);
            continue;
        }
        m_plan.push_back({false, remotePath, JoinPath(localDir, name), ListedSize(entry),
                          entry.modifyTime, entry.dateText});
    }
    if (m_bMoveWhileWalking) {
        MoveDown();
    }
    for (const auto& [entry, name] : folders) {
        if (StopRequested(remoteDir)) {
            return;
        }
        m_strEntered = entry.unique;
        WalkRemote(JoinPath(remoteDir, name), JoinPath(localDir, name), depth + 1);
    }
}

void CTreeTransfer::MoveDown()
{
    // Each folder is made and opened from the one above it, never through a link.
    for (; m_nMoved < m_plan.size(); ++m_nMoved) {
        const PlanItem& item = m_plan[m_nMoved];
        if (StopRequested(item.remotePath)) {
            return;
        }
        if (Below(item.localPath, m_strFailedDir)) {
            continue;
        }
        if (item.directory) {
            if (const int error = m_target.Enter(item.localPath); error != 0) {
                Record(LinkRefused(item.localPath, error));
                m_strFailedDir = item.localPath;
            }
            continue;
        }
        if (const int error = m_target.CheckFile(item.localPath); error != 0) {
            Record(LinkRefused(item.localPath, error));
            continue;
        }
        if (m_fileSink) {
            m_fileSink(item.remotePath, item.size);
        }
        ItemOutcome outcome = m_runner.DownloadFile(item.remotePath, item.localPath, item.size,
                                                     item.modifyTime, item.dateText);
        outcome.name = item.remotePath;
        Record(std::move(outcome));
    }
}

void CTreeTransfer::Upload(const std::string& localDir, const std::string& remoteDir)
{
    Run(localDir, [&] { WalkLocal(localDir, remoteDir, 0); }, &CTreeTransfer::MoveUp);
}

void CTreeTransfer::WalkLocal(const std::string& localDir, const std::string& remoteDir, int depth)
{
    if (depth > kMaxDepth) {
        Record(Note(localDir, ItemOutcome::Status::Failed, "階層が深すぎます"));
        return;
    }
    std::vector<std::string> names;
    {
        // The top is the folder the user chose; a folder below it that became a link since
        // it was looked at is not opened.
        const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (depth > 0 ? O_NOFOLLOW : 0);
        const int fd = ::open(localDir.c_str(), flags);
        const std::unique_ptr<DIR, DirCloser> dir(fd < 0 ? nullptr : ::fdopendir(fd));
        if (!dir) {
            const int error = errno;
            if (fd >= 0) {
                ::close(fd);
            }
            Record(LocalOutcome(localDir, false, error));
            return;
        }
        while (const dirent* item = ::readdir(dir.get())) {
            const std::string name = item->d_name;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        }
    }
    // In name order, as the panes show them.
    std::sort(names.begin(), names.end());
    m_plan.push_back({true, remoteDir, localDir, -1, -1, std::string()});
    std::vector<std::string> folders;
    for (const std::string& name : names) {
        if (StopRequested(localDir)) {
            return;
        }
        const std::string localPath = JoinPath(localDir, name);
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
            folders.push_back(name);
            continue;
        }
        if (!S_ISREG(info.st_mode)) {
            // A FIFO would block the upload; a device or socket is no file to copy.
            Record(Note(localPath, ItemOutcome::Status::Skipped, "特殊なファイルは送りません"));
            continue;
        }
        m_plan.push_back({false, JoinPath(remoteDir, name), localPath,
                          static_cast<std::int64_t>(info.st_size), -1, std::string()});
    }
    for (const std::string& name : folders) {
        if (StopRequested(localDir)) {
            return;
        }
        WalkLocal(JoinPath(localDir, name), JoinPath(remoteDir, name), depth + 1);
    }
}

void CTreeTransfer::MoveUp()
{
    std::string failed; // a folder that could not be made or listed: nothing below it moves
    // A folder that is there already is used as it is; its listing tells what an upload
    // would replace.
    CRemoteFileList existing;
    bool listed = false;
    for (const PlanItem& item : m_plan) {
        if (StopRequested(item.localPath)) {
            return;
        }
        if (Below(item.remotePath, failed)) {
            continue;
        }
        if (item.directory) {
            listed = false;
            if (!m_engine.MakeDir(item.remotePath)) {
                bool seenBefore = false;
                if (!ListRemote(item.remotePath, existing, seenBefore)) {
                    failed = item.remotePath;
                    continue;
                }
                listed = true;
            }
            continue;
        }
        const std::optional<RemoteFileEntry> known =
            listed ? existing.FindEntry(BaseName(item.remotePath)) : std::nullopt;
        if (m_fileSink) {
            m_fileSink(item.localPath, item.size);
        }
        ItemOutcome outcome =
            m_runner.UploadOver(item.localPath, item.remotePath, known ? &*known : nullptr);
        outcome.name = item.localPath;
        Record(std::move(outcome));
    }
}

void CTreeTransfer::RemoveRemote(const std::string& remoteDir)
{
    Remember();
    SeeTop(remoteDir);
    RemoveDir(remoteDir, 0);
    Restore();
}

int CTreeTransfer::CountEntries(const std::string& remoteDir, std::vector<std::string>* names)
{
    Remember();
    CRemoteFileList entries;
    bool seenBefore = false;
    const int count = ListRemote(remoteDir, entries, seenBefore) ? entries.GetSize() - 1 : -1;
    for (int i = 0; names != nullptr && i < count; ++i) {
        const RemoteFileEntry& entry = entries.At(i);
        names->push_back(entry.isDirectory == 1 ? EntryName(entry) + "/" : entry.displayName);
    }
    Restore();
    m_outcomes.clear();
    return count;
}

void CTreeTransfer::RemoveDir(const std::string& remoteDir, int depth)
{
    CRemoteFileList entries;
    std::set<std::string> confirmed; // the folders that are no links
    if (!OpenToWalk(remoteDir, depth, entries, confirmed, false)) {
        return;
    }
    for (int i = 0; i + 1 < entries.GetSize() && !StopRequested(remoteDir); ++i) {
        const RemoteFileEntry& entry = entries.At(i);
        const std::string path = JoinPath(remoteDir, EntryName(entry));
        // A link goes as a file: DELE removes the link, not what it points at.
        // A folder met again can only be a link the server followed: it goes as a link.
        if (confirmed.count(EntryName(entry)) != 0 && Enter(entry)) {
            RemoveDir(path, depth + 1);
        } else {
            Record(m_runner.DeleteRemoteFile(path));
        }
    }
    if (m_bStopped) {
        return;
    }
    // Out of it before it goes: some servers refuse to remove the current directory.
    static_cast<void>(m_engine.ChangeDir("/"));
    Record(m_runner.RemoveRemoteDirectory(remoteDir));
}

} // namespace tarnwick
