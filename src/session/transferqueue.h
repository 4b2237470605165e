// CTransferQueue: downloads and uploads that run in the background, each on one of up to N
// connections of the queue's own, so the window's connection stays free for browsing. Each
// connection has its engine on a thread of its own (nothing here touches a widget); the front
// end reads the items' states and is told, on a worker's thread, when something changed.
//
// Safety: two items never move the same local file or the same server file at once (a second
// one is refused while the first waits or runs); a download replaces a local file only after
// the question says so; a cancelled or failed download leaves the target as it was (the
// engine writes a temporary file and renames it into place at the end).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ftp/transferrequest.h"
#include "session/sessionui.h"

namespace tarnwick {

class CCancelToken;
class CFtpClient;

// What an item asks when its turn comes and a file is in the way: the file there as it is
// then, not as it was when the item was queued.
struct QueueQuestion {
    // Ask before replacing a file that is there (otherwise it is replaced). A download's part
    // left by a cut transfer is asked about either way (再開, or start over).
    bool askReplace = false;
    FileFacts source; // a download's file as listed; an upload's is read at its turn
    // An upload's target as the server listed it when the item was queued.
    std::optional<FileFacts> serverFile;
};

// The folder a tree command walked to queue its files: shown with the folder's totals.
struct QueueFolder {
    int id = 0;       // 0: the item is a file of its own
    std::string path; // the folder as the user chose it
};

struct QueueItem {
    enum class State { Waiting, Running, Done, Failed, Cancelled, Skipped };
    int id = 0;
    TransferRequest request;
    State state = State::Waiting;
    std::string why; // a failure's reason ("550 No such file", "時間切れ")
    // Asked at its turn; none: the user answered when it was queued, and a file there is
    // replaced (or resumed, as the request says).
    std::optional<QueueQuestion> question;
    QueueFolder folder;
    bool asking = false; // its question is before the user (it is running)
    std::int64_t moved = 0;
    // The connection (1..N) that runs or ran it; 0 before.
    int connection = 0;
    // Its turns: 1, and one more each time it is tried again (an end is told apart from the
    // last one by it).
    int tries = 1;
    // When it started to run (the speed is what moved since).
    std::chrono::steady_clock::time_point started{};

    [[nodiscard]] bool Finished() const
    {
        return state != State::Waiting && state != State::Running;
    }
};

class CTransferQueue {
public:
    // Connects and logs in a fresh engine on a worker's thread (as connection `connection`):
    // false, with `why`, when that fails. The front end's server target and trust go here.
    using ConnectFn = std::function<bool(CFtpClient& engine, int connection, std::string& why)>;
    // Called on a worker's thread after an item changed (its state, or its bytes at most every
    // 100 ms). It must not call back into the queue while holding its own locks.
    using ChangeFn = std::function<void()>;
    // Asked on a worker's thread when an item's file is in the way (`file` says how, with the
    // question's text); one question at a time, and only the asking item's worker waits. The
    // answer must come (as スキップ) once `stopped` is set. `applyToAll` set: the answer holds
    // for the rest of the queue, until it is idle. Without one, a file there is skipped and a
    // part starts over.
    using AskFn = std::function<ExistingAnswer(const QueueItem& item, const ExistingFile& file,
                                               bool& applyToAll, const CCancelToken& stopped)>;

    CTransferQueue(std::size_t connections, ConnectFn connect, ChangeFn changed = {},
                   AskFn ask = {});
    // Stops every item (each running transfer is aborted on its server) and waits for the
    // workers.
    ~CTransferQueue();
    CTransferQueue(const CTransferQueue&) = delete;
    CTransferQueue& operator=(const CTransferQueue&) = delete;

    // Queues a transfer and returns its id; -1 when a waiting or running item already moves
    // the same local or server file. `question`: what to ask at its turn when a file is in the
    // way; none: the user has already said that a file there may be replaced (or resumed),
    // so nothing is asked. An upload's `sourceTime` (the local file's) is given to the server
    // afterwards where it takes one (MFMT).
    int Add(const TransferRequest& request, std::optional<QueueQuestion> question = std::nullopt,
            QueueFolder folder = {});
    // Stops one item: a waiting one is not started, a running one is aborted.
    void Cancel(int id);
    void CancelAll();
    // Puts a failed or cancelled item back in the queue; false for any other.
    bool Retry(int id);
    // Forgets the items that are done, skipped, failed or cancelled.
    void ClearFinished();

    [[nodiscard]] std::vector<QueueItem> Items() const;
    // Items waiting or running.
    [[nodiscard]] std::size_t Pending() const;
    // True when a waiting or running item moves the local (or server) file `path` or one
    // below the folder `path`.
    [[nodiscard]] bool Moves(const std::string& path, bool local) const;
    // Waits until nothing is pending, at most `limit`; true when nothing is.
    bool WaitUntilIdle(std::chrono::milliseconds limit) const;

private:
    class CWorker;

    // The waiting item `worker` takes next (then running), or nothing when the queue stops.
    [[nodiscard]] bool Take(CWorker& worker, QueueItem& item);
    void Finish(CWorker& worker, int id, QueueItem::State state, const std::string& why);
    void Progress(int id, std::int64_t moved);
    void Notify() const;
    void StartWorkers();
    [[nodiscard]] QueueItem* Find(int id);
    [[nodiscard]] bool Clashes(const TransferRequest& request, int except) const;
    // Asks about `file` for `item` when no answer for the rest of the queue holds: one
    // question at a time.
    ExistingAnswer AskAbout(const QueueItem& item, ExistingFile file, const CCancelToken& stopped);

    ConnectFn m_connect;
    ChangeFn m_changed;
    AskFn m_ask;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_wake;
    std::vector<QueueItem> m_items;
    int m_nNextId = 1;
    bool m_bStopping = false;
    bool m_bAsking = false;
    // すべてに適用: the answer for the rest of the queue, until it is idle.
    std::optional<ExistingAnswer> m_forAll;
    std::size_t m_nConnections;
    std::vector<std::unique_ptr<CWorker>> m_workers;
};

} // namespace tarnwick
