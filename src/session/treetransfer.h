// CTreeTransfer: whole directory trees, downloaded, uploaded or removed on the server, file by
// file through the session's own transfers. Links are never followed (a link on the server
// is left out, a local one too), a directory met again (MLSD's "unique" fact) is not entered
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

namespace tarnwick {

class CFtpClient;
class CSession;

class CTreeTransfer {
public:
    static constexpr int kMaxDepth = 32;

    CTreeTransfer(CFtpClient& engine, CSession& session) : m_engine(engine), m_session(session) {}

    // Asked before an upload replaces a file that the server's listing shows (the name);
    // true to replace. None: files are replaced.
    void SetOverwriteQuestion(std::function<bool(const std::string&)> ask)
    {
        m_askOverwrite = std::move(ask);
    }

    // Told of every item as it is dealt with (progress over the tree).
    void SetItemSink(std::function<void(const ItemOutcome&)> sink) { m_itemSink = std::move(sink); }

    // The remote directory `remoteDir` (an absolute path) and everything below it into the
    // local folder `localDir`, made when missing.
    void Download(const std::string& remoteDir, const std::string& localDir);
    // The local folder `localDir` and everything below it into `remoteDir` (an absolute
    // path), made when missing.
    void Upload(const std::string& localDir, const std::string& remoteDir);
    // Removes `remoteDir` (an absolute path) with everything below it.
    void RemoveRemote(const std::string& remoteDir);
    // The number of entries `remoteDir` lists, or -1 when it cannot be listed.
    int CountEntries(const std::string& remoteDir);

    // Every file, directory and left-out link dealt with, in order.
    [[nodiscard]] const std::vector<ItemOutcome>& Outcomes() const { return m_outcomes; }
    [[nodiscard]] std::size_t Failures() const;
    // Files moved (or removed) without failure.
    [[nodiscard]] std::size_t Done() const;
    // The walk ended early: cancelled, or the connection is gone.
    [[nodiscard]] bool Stopped() const { return m_bStopped; }

private:
    // Changes into `dir` and lists it into `entries`. False (recorded) when it cannot.
    // `seenBefore` tells a directory this walk has listed already (MLSD "unique").
    bool ListRemote(const std::string& dir, CRemoteFileList& entries, bool& seenBefore);
    // Learns the "unique" of the walk's top directory, where the server tells it.
    void SeeTop(const std::string& remoteDir);
    // True when the directory `entry` was not entered before (kept as entered now).
    bool Enter(const RemoteFileEntry& entry);
    void DownloadDir(const std::string& remoteDir, const std::string& localDir, int depth);
    void UploadDir(const std::string& localDir, const std::string& remoteDir, int depth);
    void RemoveDir(const std::string& remoteDir, int depth);
    // Keeps `outcome`; true when the walk must stop after it.
    bool Record(ItemOutcome outcome);
    void Remember();
    void Restore();

    CFtpClient& m_engine;
    CSession& m_session;
    std::function<bool(const std::string&)> m_askOverwrite;
    std::function<void(const ItemOutcome&)> m_itemSink;
    std::vector<ItemOutcome> m_outcomes;
    std::set<std::string> m_seen; // "unique" facts of the directories entered
    std::string m_strEntered;     // that of the directory being entered, when known
    std::string m_strStartDir;
    bool m_bStopped = false;
};

} // namespace tarnwick
