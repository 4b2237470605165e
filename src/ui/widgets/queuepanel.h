// CQueuePanel: the transfer queue below the panes, a table with a row per file (name,
// direction, size, progress, speed, state), the files of a folder below a row with the
// folder's totals, and the buttons to stop one or all, run the
// failed again and clear the finished. The queue's workers say that something changed from
// their threads; the panel reads the items on the GUI thread, at most a few times a second.
#pragma once

#include <QAbstractTableModel>
#include <QWidget>

#include <atomic>
#include <utility>
#include <vector>

#include "session/transferqueue.h"

class QPushButton;
class QTableView;

namespace tarnwick {

class CQueueModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { kName, kDirection, kSize, kProgress, kSpeed, kState, kColumnCount };

    explicit CQueueModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    // Takes the items as they are now; rows stay where they were while the items do.
    void SetItems(std::vector<QueueItem> items);
    [[nodiscard]] const std::vector<QueueItem>& Items() const { return m_items; }
    // The items of a row: its file, or all the files of a folder's row.
    [[nodiscard]] std::vector<int> IdsOf(int row) const;
    // A row's key, which stays while the queue keeps its item or folder.
    [[nodiscard]] int KeyOf(int row) const;
    // The state as the table shows it ("失敗: 550 No such file").
    [[nodiscard]] static QString StateText(const QueueItem& item);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    // A folder's files, counted when the items are taken.
    struct FolderTotals {
        QueueFolder folder;
        TransferDirection direction = TransferDirection::Download;
        int files = 0, done = 0, skipped = 0, failed = 0, cancelled = 0, waiting = 0, running = 0;
        std::int64_t bytes = 0;
    };
    // A file (`item` indexes m_items) or a folder (`folder` indexes m_folders).
    struct Row {
        int item = -1;
        int folder = -1;
        int key = 0; // the item's id, or minus the folder's id
    };
    [[nodiscard]] QVariant FolderData(const FolderTotals& totals, int column, int role) const;

    std::vector<QueueItem> m_items;
    std::vector<FolderTotals> m_folders;
    std::vector<Row> m_rows;
};

class CQueuePanel : public QWidget {
    Q_OBJECT

public:
    explicit CQueuePanel(QWidget* parent = nullptr);

    // The queue shown; null for none. Not owned.
    void SetQueue(CTransferQueue* queue);
    // Called from any thread: the panel reads the queue again soon.
    void Changed();
    // Reads the queue now.
    void Refresh();
    [[nodiscard]] QTableView* Table() const { return m_pTable; }
    [[nodiscard]] const CQueueModel& Model() const { return *m_pModel; }

signals:
    // Items came that the panel had not shown yet.
    void itemsAdded();
    // Items that ended (done, failed, stopped or skipped) since the panel last looked.
    void itemsEnded(const std::vector<QueueItem>& items);

private:
    [[nodiscard]] std::vector<int> SelectedIds() const;
    void UpdateButtons();

    CTransferQueue* m_pQueue = nullptr;
    CQueueModel* m_pModel;
    QTableView* m_pTable;
    QPushButton* m_pCancel;
    QPushButton* m_pCancelAll;
    QPushButton* m_pRetry;
    QPushButton* m_pClear;
    std::atomic<bool> m_bRefreshQueued{false};
    int m_nLastId = 0;                             // the newest item shown
    std::vector<std::pair<int, int>> m_endedTurns; // the items ended at the last look, and turns
};

} // namespace tarnwick
