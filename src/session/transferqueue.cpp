#include "session/transferqueue.h"

#include <algorithm>

#include "ftp/transport/canceltoken.h"
#include "files/pathjoin.h"
#include "ftp/ftpclient.h"
#include "session/existingfile.h"
#include "session/itemoutcome.h"
#include "session/localfiles.h"

namespace tarnwick {

namespace {

// Bytes are reported to the front end this often at the most, per transfer.
constexpr auto kProgressEvery = std::chrono::milliseconds(100);
// How long a connection waits for the answer to QUIT when the queue is put away.
constexpr auto kGoodbyeWait = std::chrono::milliseconds(1000);

bool SameFile(const TransferRequest& a, const TransferRequest& b)
{
    return a.localPath == b.localPath || a.remotePath == b.remotePath;
}

} // namespace

// One connection: its engine, its cancel token and its thread.
class CTransferQueue::CWorker {
public:
    CWorker(CTransferQueue& queue, int connection)
        : m_queue(queue), m_nConnection(connection), m_engine(*this)
    {
        m_engine.SetCancelToken(&m_cancel);
        // A queue connection moves file after file: the type is said once.
        m_engine.KeepType(true);
        m_thread = std::thread([this] { Run(); });
    }
    ~CWorker()
    {
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }
    CWorker(const CWorker&) = delete;
    CWorker& operator=(const CWorker&) = delete;

    [[nodiscard]] int Connection() const { return m_nConnection; }
    // Guarded by the queue's lock.
    int runningId = 0;
    CCancelToken m_cancel;

private:
    // The engine reports the bytes of the item it moves.
    class CEngine : public CFtpClient {
    public:
        explicit CEngine(CWorker& worker) : m_worker(worker) {}

    protected:
        void OnTransferProgress(const TransferRequest&, std::int64_t moved) override
        {
            const auto now = std::chrono::steady_clock::now();
            if (now - m_lastReport >= kProgressEvery) {
                m_lastReport = now;
                m_worker.m_queue.Progress(m_worker.m_nItem, moved);
            }
        }

    private:
        CWorker& m_worker;
        std::chrono::steady_clock::time_point m_lastReport{};
    };

    void Run()
    {
        QueueItem item;
        while (m_queue.Take(*this, item)) {
            m_nItem = item.id;
            std::string why;
            const QueueItem::State state = Move(item, why);
            m_queue.Finish(*this, item.id, state, why);
        }
        // Leaving politely when the queue is put away, but not waiting long for the answer:
        // the window or the command line waits for this. A stop in the middle drops the line.
        if (m_engine.IsConnected() && !m_cancel.IsCancelled()) {
            m_engine.SetTimeout(kGoodbyeWait);
            static_cast<void>(m_engine.Quit());
        }
        m_engine.SetCancelToken(nullptr);
    }

    QueueItem::State Move(const QueueItem& item, std::string& why)
    {
        TransferRequest request = item.request;
        const ExistingAnswer answer = item.question ? AskAbout(item) : ExistingAnswer::Replace;
        if (m_cancel.IsCancelled()) {
            return QueueItem::State::Cancelled;
        }
        if (answer == ExistingAnswer::Skip) {
            return QueueItem::State::Skipped;
        }
        if (!m_engine.IsConnected() && !m_queue.m_connect(m_engine, m_nConnection, why)) {
            return m_cancel.IsCancelled() ? QueueItem::State::Cancelled : QueueItem::State::Failed;
        }
        if (answer == ExistingAnswer::Resume) {
            const ResumePlan plan =
                request.direction == TransferDirection::Download
                    ? PlanDownloadResume(m_engine, request.remotePath, request.localPath,
                                         request.expectedSize, request.sourceTime)
                    : PlanUploadResume(m_engine, request.localPath, request.remotePath,
                                       item.question->serverFile->size);
            if (!plan.ok) {
                why = FailureDetail(plan.failure);
                return QueueItem::State::Failed;
            }
            const std::int64_t localTime = request.sourceTime;
            request = plan.request;
            if (request.direction == TransferDirection::Upload) {
                request.sourceTime = localTime;
            }
        }
        const TransferOutcome outcome = m_engine.Transfer(request);
        if (outcome.Ok()) {
            // The file keeps its time: the server's for a download, where it tells it; the
            // local one for an upload, where the server can be told it.
            if (request.direction == TransferDirection::Upload) {
                if (request.sourceTime >= 0) {
                    static_cast<void>(
                        m_engine.SetRemoteModificationTime(request.remotePath, request.sourceTime));
                }
            } else {
                const std::int64_t time = request.sourceTime >= 0
                                              ? request.sourceTime
                                              : m_engine.RemoteModificationTime(request.remotePath);
                if (time >= 0) {
                    static_cast<void>(SetLocalModifyTime(request.localPath, time));
                }
            }
            return QueueItem::State::Done;
        }
        if (outcome.reason == FailureReason::Cancelled || m_cancel.IsCancelled()) {
            return QueueItem::State::Cancelled;
        }
        why = FailureDetail(OutcomeOf(request.remotePath, outcome));
        return QueueItem::State::Failed;
    }

    // What is in the way of `item` now, and what the user wants done about it: Replace when
    // nothing is.
    ExistingAnswer AskAbout(const QueueItem& item)
    {
        const TransferRequest& request = item.request;
        const QueueQuestion& question = *item.question;
        ExistingFile file;
        if (request.direction == TransferDirection::Download) {
            file = DownloadTargetThere(request.localPath, request.type, request.expectedSize,
                                       question.askReplace);
            file.source = question.source;
        } else if (question.askReplace && question.serverFile) {
            file.name = BaseName(request.remotePath);
            file.exists = true;
            file.target = *question.serverFile;
            file.source = LocalFacts(request.localPath);
            file.canResume = CanResumeUpload(request.type, file.target.size, file.source.size);
        }
        if (!file.exists && !file.canResume) {
            return ExistingAnswer::Replace;
        }
        const bool canResume = file.canResume;
        const ExistingAnswer answer = m_queue.AskAbout(item, std::move(file), m_cancel);
        // 再開 only where it can be: a file that cannot is replaced only on a clear yes.
        return answer == ExistingAnswer::Resume && !canResume ? ExistingAnswer::Skip : answer;
    }

    CTransferQueue& m_queue;
    int m_nConnection;
    int m_nItem = 0;
    CEngine m_engine;
    std::thread m_thread;
};

CTransferQueue::CTransferQueue(std::size_t connections, ConnectFn connect, ChangeFn changed,
                               AskFn ask)
    : m_connect(std::move(connect)), m_changed(std::move(changed)), m_ask(std::move(ask)),
      m_nConnections(std::max<std::size_t>(connections, 1))
{
}

CTransferQueue::~CTransferQueue()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_bStopping = true;
        // Running transfers are aborted; an idle connection says QUIT.
        for (const auto& worker : m_workers) {
            if (worker->runningId != 0) {
                worker->m_cancel.Cancel();
            }
        }
    }
    m_wake.notify_all();
    // Each worker's destructor waits for its thread.
    m_workers.clear();
}

void CTransferQueue::StartWorkers()
{
    // One more connection only while items wait that the open ones cannot take.
    std::size_t idle = 0;
    for (const auto& worker : m_workers) {
        idle += worker->runningId == 0 ? 1 : 0;
    }
    const auto waiting = static_cast<std::size_t>(std::count_if(
        m_items.begin(), m_items.end(),
        [](const QueueItem& item) { return item.state == QueueItem::State::Waiting; }));
    while (m_workers.size() < m_nConnections && waiting > idle) {
        m_workers.push_back(
            std::make_unique<CWorker>(*this, static_cast<int>(m_workers.size()) + 1));
        ++idle;
    }
}

int CTransferQueue::Add(const TransferRequest& request, std::optional<QueueQuestion> question,
                        QueueFolder folder)
{
    int id = -1;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_bStopping || Clashes(request, 0)) {
            return -1;
        }
        QueueItem item;
        item.id = id = m_nNextId++;
        item.request = request;
        item.question = std::move(question);
        item.folder = std::move(folder);
        m_items.push_back(std::move(item));
        StartWorkers();
    }
    m_wake.notify_all();
    Notify();
    return id;
}

ExistingAnswer CTransferQueue::AskAbout(const QueueItem& item, ExistingFile file,
                                       const CCancelToken& stopped)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    // One question at a time: another item that must ask waits here for its turn.
    while (m_bAsking && !m_bStopping && !stopped.IsCancelled()) {
        m_wake.wait_for(lock, std::chrono::milliseconds(50));
    }
    if (m_bStopping || stopped.IsCancelled()) {
        return ExistingAnswer::Skip;
    }
    // "Resume" for all cannot be the answer for a file that cannot be resumed.
    if (m_forAll && (*m_forAll != ExistingAnswer::Resume || file.canResume)) {
        return *m_forAll;
    }
    if (!m_ask) {
        // Nobody to ask: a file there stays, a part alone starts over.
        return file.exists ? ExistingAnswer::Skip : ExistingAnswer::Replace;
    }
    m_bAsking = true;
    if (QueueItem* asking = Find(item.id)) {
        asking->asking = true;
    }
    // A tree's files may still be on their way into the queue: its first file offers the
    // answer for all too.
    file.more = item.folder.id != 0 ||
                std::any_of(m_items.begin(), m_items.end(), [&](const QueueItem& other) {
                    return other.id != item.id && !other.Finished();
                });
    file.question = ExistingQuestion(file);
    lock.unlock();
    Notify();
    bool forAll = false;
    ExistingAnswer answer = m_ask(item, file, forAll, stopped);
    lock.lock();
    m_bAsking = false;
    if (QueueItem* asked = Find(item.id)) {
        asked->asking = false;
    }
    if (stopped.IsCancelled()) {
        answer = ExistingAnswer::Skip;
    } else if (forAll) {
        m_forAll = answer;
    }
    lock.unlock();
    m_wake.notify_all();
    Notify();
    return answer;
}

bool CTransferQueue::Clashes(const TransferRequest& request, int except) const
{
    return std::any_of(m_items.begin(), m_items.end(), [&](const QueueItem& item) {
        return item.id != except && !item.Finished() && SameFile(item.request, request);
    });
}

QueueItem* CTransferQueue::Find(int id)
{
    const auto found = std::find_if(m_items.begin(), m_items.end(),
                                    [id](const QueueItem& item) { return item.id == id; });
    return found == m_items.end() ? nullptr : &*found;
}

bool CTransferQueue::Take(CWorker& worker, QueueItem& item)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        if (m_bStopping) {
            return false;
        }
        const auto next = std::find_if(m_items.begin(), m_items.end(), [](const QueueItem& i) {
            return i.state == QueueItem::State::Waiting;
        });
        if (next != m_items.end()) {
            next->state = QueueItem::State::Running;
            next->connection = worker.Connection();
            next->moved = 0;
            next->why.clear();
            next->started = std::chrono::steady_clock::now();
            worker.runningId = next->id;
            worker.m_cancel.Reset();
            item = *next;
            lock.unlock();
            Notify();
            return true;
        }
        m_wake.wait(lock);
    }
}

void CTransferQueue::Finish(CWorker& worker, int id, QueueItem::State state,
                            const std::string& why)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        worker.runningId = 0;
        if (QueueItem* item = Find(id)) {
            item->state = state;
            item->why = why;
        }
        // An answer for all holds for what was queued with it, not for the next batch.
        if (std::all_of(m_items.begin(), m_items.end(),
                        [](const QueueItem& item) { return item.Finished(); })) {
            m_forAll.reset();
        }
    }
    Notify();
    // A waiter may be waiting for the queue to empty.
    m_wake.notify_all();
}

void CTransferQueue::Progress(int id, std::int64_t moved)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (QueueItem* item = Find(id)) {
            item->moved = moved;
        }
    }
    Notify();
}

void CTransferQueue::Notify() const
{
    if (m_changed) {
        m_changed();
    }
}

void CTransferQueue::Cancel(int id)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        QueueItem* item = Find(id);
        if (item == nullptr || item->Finished()) {
            return;
        }
        if (item->state == QueueItem::State::Waiting) {
            item->state = QueueItem::State::Cancelled;
        } else {
            for (const auto& worker : m_workers) {
                if (worker->runningId == id) {
                    worker->m_cancel.Cancel();
                }
            }
        }
    }
    m_wake.notify_all();
    Notify();
}

void CTransferQueue::CancelAll()
{
    for (const QueueItem& item : Items()) {
        Cancel(item.id);
    }
}

bool CTransferQueue::Retry(int id)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        QueueItem* item = Find(id);
        if (item == nullptr ||
            (item->state != QueueItem::State::Failed && item->state != QueueItem::State::Cancelled) ||
            Clashes(item->request, id)) {
            return false;
        }
        item->state = QueueItem::State::Waiting;
        item->why.clear();
        item->moved = 0;
        ++item->tries;
        StartWorkers();
    }
    m_wake.notify_all();
    Notify();
    return true;
}

void CTransferQueue::ClearFinished()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_items.erase(std::remove_if(m_items.begin(), m_items.end(),
                                     [](const QueueItem& item) { return item.Finished(); }),
                      m_items.end());
    }
    Notify();
}

std::vector<QueueItem> CTransferQueue::Items() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_items;
}

std::size_t CTransferQueue::Pending() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<std::size_t>(std::count_if(
        m_items.begin(), m_items.end(), [](const QueueItem& item) { return !item.Finished(); }));
}

bool CTransferQueue::Moves(const std::string& path, bool local) const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return std::any_of(m_items.begin(), m_items.end(), [&](const QueueItem& item) {
        const std::string& moved = local ? item.request.localPath : item.request.remotePath;
        return !item.Finished() &&
               (moved == path || (moved.size() > path.size() && moved[path.size()] == '/' &&
                                  moved.compare(0, path.size(), path) == 0));
    });
}

bool CTransferQueue::WaitUntilIdle(std::chrono::milliseconds limit) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_wake.wait_for(lock, limit, [this] {
        return std::none_of(m_items.begin(), m_items.end(),
                            [](const QueueItem& item) { return !item.Finished(); });
    });
}

} // namespace tarnwick
