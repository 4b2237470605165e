// CTreeTransfer: whole directory trees, downloaded, uploaded or removed on the server, file by
// file through the session's own transfers. A download or upload walks the whole tree first,
// so the files and bytes to move are known before the first file moves; folders are made as
// they come, each before its files. Links are never followed (a link on the server
// is left out, a local one too; where MLSD calls an entry a folder, the long listing must
// agree), a directory met again (MLSD's "unique" fact) is not entered
// twice, and no tree is walked deeper than kMaxDepth. Every name from the server passes the
// rule for local names at every level. Each item's outcome is kept; a cancel or a lost
// connection stops the walk.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "files/remotefilelist.h"
#include "session/itemoutcome.h"
#include "session/localtreetarget.h"

namespace tarnwick {

class CFtpClient;
class CRunner;

class CTreeTransfer {
public:
    static constexpr int kMaxDepth = 32;

    // The tree's files move through `runner`, on its connection or its queue's; the walk
    // lists on the runner's connection.
    explicit CTreeTransfer(CRunner& runner);

    // Told of every item as it is dealt with (progress over the tree).
    void SetItemSink(std::function<void(const ItemOutcome&)> sink) { m_itemSink = std::move(sink); }
    // Told once the walk is over: the number of files that will move and their sizes (those
    // known).
    void SetTotalsSink(std::function<void(std::size_t, std::int64_t)> sink)
    {
        m_totalsSink = std::move(sink);
    }
    // Told before each file moves: its name (as its outcome will name it) and size (-1 unknown).
    void SetFileSink(std::function<void(const std::string&, std::int64_t)> sink)
    {
        m_fileSink = std::move(sink);
    }

    // A download hands each folder's files on as soon as that folder is listed, not after the
    // whole walk: for a queue of other connections, which then move files while the walk goes
    // on. The totals sink is still told at the end of the walk.
    void MoveWhileWalking(bool on) { m_bMoveWhileWalking = on; }

    // The remote directory `remoteDir` (an absolute path) and everything below it into the
    // local folder `localDir`, made when missing.
    void Download(const std::string& remoteDir, const std::string& localDir);
    // The local folder `localDir` and everything below it into `remoteDir` (an absolute
    // path), made when missing.
    void Upload(const std::string& localDir, const std::string& remoteDir);
    // Removes `remoteDir` (an absolute path) with everything below it.
    void RemoveRemote(const std::string& remoteDir);
    // The number of entries `remoteDir` lists, or -1 when it cannot be listed; `names` (when
    // given) gets them in the listing's order, folders with a "/" after the name.
    int CountEntries(const std::string& remoteDir, std::vector<std::string>* names = nullptr);

    // What `name` in `parentDir` is by the long listing, where MLSD may call a link a folder:
    // Folder (also where the server offers no MLSD: its listings mark links), Link, or Unknown
    // when the long listing cannot be had. The server is back where it was.
    enum class RemoteKind { Folder, Link, Unknown };
    [[nodiscard]] RemoteKind KindOf(const std::string& parentDir, const std::string& name);

    // Every file, directory and left-out link dealt with, in order.
    [[nodiscard]] const std::vector<ItemOutcome>& Outcomes() const { return m_outcomes; }
    [[nodiscard]] std::size_t Failures() const;
    // Files moved (or removed) without failure.
    [[nodiscard]] std::size_t Done() const;
    // The walk ended early: cancelled, or the connection is gone.
    [[nodiscard]] bool Stopped() const { return m_bStopped; }

private:
    // One step of the walk's plan: a folder to make (before the files in it) or a file to move.
    struct PlanItem {
        bool directory = false;
        std::string remotePath;
        std::string localPath;
        std::int64_t size = -1;
        std::int64_t modifyTime = -1; // from the listing, for a download
        std::string dateText;
    };

    // Changes into `dir` and lists it into `entries`. False (recorded) when it cannot.
    // `seenBefore` tells a directory this walk has listed already (MLSD "unique").
    bool ListRemote(const std::string& dir, CRemoteFileList& entries, bool& seenBefore);
    // ListRemote for a walk: `folders` gets the names of the folders to enter, which MLSD and
    // the long listing both call folders and not links. False (recorded when the long listing
    // fails) when nothing of `dir` is to be walked; `seenBefore` as ListRemote's.
    bool ListToWalk(const std::string& dir, CRemoteFileList& entries, bool& seenBefore,
                    std::set<std::string>& folders);
    // The folders, not links, of the long listing of the server's current directory; empty
    // with m_bLongListingFailed set when it cannot be had.
    std::set<std::string> FoldersOfLongListing();
    // Learns the "unique" of the walk's top directory, where the server tells it.
    void SeeTop(const std::string& remoteDir);
    // True when the directory `entry` was not entered before (kept as entered now).
    bool Enter(const RemoteFileEntry& entry);
    // Lists `remoteDir` at `depth` of a walk; false when it is not to be walked: too deep
    // (recorded), not listed, or met before (recorded when `sayMetBefore`).
    bool OpenToWalk(const std::string& remoteDir, int depth, CRemoteFileList& entries,
                    std::set<std::string>& confirmed, bool sayMetBefore);
    // The walks: what is there to move, into m_plan; what cannot move is recorded now.
    void WalkRemote(const std::string& remoteDir, const std::string& localDir, int depth);
    void WalkLocal(const std::string& localDir, const std::string& remoteDir, int depth);
    // Tells the totals sink what the plan moves.
    void AnnounceTotals();
    // The moves of the plan, in its order. A download moves what it has not moved yet, so the
    // walk can call it after each folder.
    void MoveDown();
    void MoveUp();
    // A tree command: the walk fills the plan, the totals are announced, then `move` moves
    // what was planned, its queued files shown under `folder`.
    void Run(const std::string& folder, const std::function<void()>& walk,
             void (CTreeTransfer::*move)());
    // True when `path` lies below the folder `failed` (which could not be made or listed).
    [[nodiscard]] static bool Below(const std::string& path, const std::string& failed);
    void RemoveDir(const std::string& remoteDir, int depth);
    // Keeps `outcome`; true when the walk must stop after it.
    bool Record(ItemOutcome outcome);
    // True when the walk stops: an item ended it, or the user asked (recorded as cancelled).
    // `where` names the place it stopped at.
    bool StopRequested(const std::string& where);
    void Remember();
    void Restore();

    CFtpClient& m_engine;
    CRunner& m_runner;
    std::function<void(const ItemOutcome&)> m_itemSink;
    std::function<void(std::size_t, std::int64_t)> m_totalsSink;
    std::function<void(const std::string&, std::int64_t)> m_fileSink;
    std::vector<PlanItem> m_plan;
    // The download's progress through the plan: the items dealt with, the local folders
    // entered, and a folder that could not be made (nothing below it moves).
    std::size_t m_nMoved = 0;
    CLocalTreeTarget m_target;
    std::string m_strFailedDir;
    bool m_bMoveWhileWalking = false;
    std::vector<ItemOutcome> m_outcomes;
    std::set<std::string> m_seen; // "unique" facts of the directories entered
    std::string m_strEntered;     // that of the directory being entered, when known
    std::string m_strStartDir;
    bool m_bStopped = false;
    bool m_bListedMlsd = false; // the last ListRemote got MLSD facts
    bool m_bLongListingFailed = false;
};

} // namespace tarnwick
