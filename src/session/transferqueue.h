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
#include <string>
#include <thread>
#include <vector>

#include "ftp/transferrequest.h"
#include "session/sessionui.h"

namespace tarnwick {

class CCancelToken;
class CFtpClient;

struct QueueItem {
    enum class State { Waiting, Running, Done, Failed, Cancelled, Skipped };
    int id = 0;
    TransferRequest request;
    State state = State::Waiting;
    std::string why; // a failure's reason ("550 No such file", "時間切れ")
    bool answered = false; // replacing a file there was agreed to when it was queued
    std::int64_t moved = 0;
    // The connection (1..N) that runs or ran it; 0 before.
    int connection = 0;
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
    // Asked on a worker's thread before a download would replace an existing local file; only
    // that worker waits for the answer, which must come (as a no) once `stopped` is set.
    // Without one, the file is skipped.
    using AskFn = std::function<ExistingAnswer(const QueueItem& item, const CCancelToken& stopped)>;

    CTransferQueue(std::size_t connections, ConnectFn connect, ChangeFn changed = {},
                   AskFn ask = {});
    // Stops every item (each running transfer is aborted on its server) and waits for the
    // workers.
    ~CTransferQueue();
    CTransferQueue(const CTransferQueue&) = delete;
    CTransferQueue& operator=(const CTransferQueue&) = delete;

    // Queues a transfer and returns its id; -1 when a waiting or running item already moves
    // the same local or server file. `answered`: the user has already said that a file there
    // may be replaced (or resumed), so nothing is asked. An upload's `sourceTime` (the local
    // file's) is given to the server afterwards where it takes one (MFMT).
    int Add(const TransferRequest& request, bool answered = false);
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

    ConnectFn m_connect;
    ChangeFn m_changed;
    AskFn m_ask;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_wake;
    std::vector<QueueItem> m_items;
    int m_nNextId = 1;
    bool m_bStopping = false;
    std::size_t m_nConnections;
    std::vector<std::unique_ptr<CWorker>> m_workers;
};

} // namespace tarnwick
