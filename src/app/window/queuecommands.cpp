// The transfer queue of the window: opened when a connection is made, stopped (after a
// question when files still move) before another or at 切断 and 終了; the panes follow what it
// finishes.
#include <QTimer>

#include <condition_variable>
#include <mutex>

#include "app/window/maindlg.h"
#include "ui/widgets/panelist.h"
#include "ui/widgets/queuepanel.h"
#include "files/pathjoin.h"
#include "session/session.h"
#include "session/transferqueue.h"
#include "settings/settings.h"
#include "ui/seams/prompt.h"

namespace tarnwick {

struct CMainDlg::QueueQuestionPending {
    std::mutex mutex;
    std::condition_variable answered;
    ExistingFile file;
    bool done = false;
    bool abandoned = false; // the item stopped waiting (cancelled, or the queue put away)
    ExistingAnswer answer = ExistingAnswer::Skip;
    bool forAll = false;
};

namespace {

// How often a worker waiting for an answer looks whether its item was stopped.
constexpr auto kAnswerPoll = std::chrono::milliseconds(50);
// How long a question waits for a running command of the window to end before looking again.
constexpr int kQuestionRetryMs = 200;

} // namespace

void CMainDlg::StartQueue()
{
    const std::uint32_t connections = GetQueueConnections();
    auto connector = connections > 0 ? m_pSession->QueueConnector() : nullptr;
    if (!connector) {
        return; // files move on the window's connection
    }
    CQueuePanel* panel = m_pQueuePanel;
    CConversationLog* log = &m_conversation;
    // Each queue connection writes to the log too, as connection 2, 3, … (the window's is 1).
    auto logged = [log, connector = std::move(connector)](CFtpClient& engine, int connection,
                                                          std::string& why) {
        engine.SetConversationLog(log, connection + 1);
        return connector(engine, connection, why);
    };
    // A question of an item goes to this thread; only its worker waits for the answer.
    auto ask = [this](const QueueItem&, const ExistingFile& file, bool& applyToAll,
                      const CCancelToken& stopped) {
        auto pending = std::make_shared<QueueQuestionPending>();
        pending->file = file;
        QMetaObject::invokeMethod(this, [this, pending] { AskForQueue(pending); },
                                  Qt::QueuedConnection);
        std::unique_lock<std::mutex> lock(pending->mutex);
        while (!pending->done) {
            if (stopped.IsCancelled()) {
                pending->abandoned = true;
                return ExistingAnswer::Skip;
            }
            pending->answered.wait_for(lock, kAnswerPoll);
        }
        applyToAll = pending->forAll;
        return pending->answer;
    };
    m_pQueue = std::make_unique<CTransferQueue>(connections, std::move(logged),
                                                [panel] { panel->Changed(); }, std::move(ask));
    m_pQueuePanel->SetQueue(m_pQueue.get());
    m_pSession->Runner().SetTransferQueue(m_pQueue.get());
}

bool CMainDlg::StopQueue(const QString& question)
{
    if (!m_pQueue) {
        return true;
    }
    if (m_pQueue->Pending() > 0 && !m_prompt.AskCaution(question)) {
        return false;
    }
    m_pSession->Runner().SetTransferQueue(nullptr);
    m_pQueuePanel->SetQueue(nullptr);
    // Running transfers are aborted on their servers; the workers are waited for.
    m_pQueue.reset();
    m_pQueuePanel->Refresh();
    return true;
}

void CMainDlg::AskForQueue(const std::shared_ptr<QueueQuestionPending>& pending)
{
    {
        const std::lock_guard<std::mutex> lock(pending->mutex);
        if (pending->abandoned) {
            return;
        }
    }
    if (m_nCommandDepth > 0) {
        // A command of the window has the user's attention: after it.
        QTimer::singleShot(kQuestionRetryMs, this, [this, pending] { AskForQueue(pending); });
        return;
    }
    bool forAll = false;
    const ExistingAnswer answer = m_pSessionUi->AskExisting(pending->file, forAll);
    {
        const std::lock_guard<std::mutex> lock(pending->mutex);
        pending->answer = answer;
        pending->forAll = forAll;
        pending->done = true;
    }
    pending->answered.notify_all();
}

namespace {

// The folder a file of the queue lies in, as the panes name folders ("/" for the root).
std::string FolderOf(const std::string& path)
{
    const std::string parent = ParentDir(path);
    return parent.empty() ? std::string("/") : parent;
}

} // namespace

void CMainDlg::QueueItemsFinished(const std::vector<QueueItem>& items)
{
    bool local = false;
    bool remote = false;
    for (const QueueItem& item : items) {
        if (item.request.direction == TransferDirection::Download) {
            local = local || FolderOf(item.request.localPath) == m_localList->ListedDir();
        } else {
            remote = remote || FolderOf(item.request.remotePath) == m_remoteList->ListedDir();
        }
    }
    if (!local && !remote) {
        return;
    }
    if (m_nCommandDepth > 0) {
        // A command is using the panes and the connection: after it.
        QTimer::singleShot(300, this, [this, items] { QueueItemsFinished(items); });
        return;
    }
    // Only a pane that still shows the folder it was listed from; the path fields are left
    // as they are (the user may be typing in one).
    if (local && m_strLocalDir == m_localList->ListedDir()) {
        static_cast<void>(m_pSession->RefreshLocal());
    }
    if (remote && m_engine.IsConnected() && m_strRemoteDir == m_remoteList->ListedDir()) {
        RunCommand(&CMainDlg::RefreshRemoteListing);
    }
}

void CMainDlg::RefreshRemoteListing()
{
    m_pSession->RefreshRemote(false);
}

} // namespace tarnwick
