#include "ui/widgets/queuepanel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "ui/widgets/waitdlg.h"

namespace tarnwick {

namespace {

// The panel reads the queue at most this often, however often it changes.
constexpr int kRefreshMs = 200;

QString FileName(const QueueItem& item)
{
    const std::string& path = item.request.direction == TransferDirection::Download
                                  ? item.request.remotePath
                                  : item.request.localPath;
    const std::size_t slash = path.rfind('/');
    return QString::fromStdString(slash == std::string::npos ? path : path.substr(slash + 1));
}

QString SizeText(std::int64_t bytes)
{
    QString text = CWaitDlg::SpeedText(static_cast<double>(bytes));
    text.chop(2); // the units without "/s"
    return text;
}

} // namespace

void CQueueModel::SetItems(std::vector<QueueItem> items)
{
    std::vector<FolderTotals> folders;
    std::vector<Row> rows;
    rows.reserve(items.size());
    for (std::size_t at = 0; at < items.size(); ++at) {
        const QueueItem& item = items[at];
        if (item.folder.id != 0) {
            auto found = std::find_if(folders.begin(), folders.end(), [&](const FolderTotals& f) {
                return f.folder.id == item.folder.id;
            });
            if (found == folders.end()) {
                rows.push_back({-1, static_cast<int>(folders.size()), -item.folder.id});
                folders.push_back({item.folder, item.request.direction});
                found = folders.end() - 1;
            }
            FolderTotals& totals = *found;
            ++totals.files;
            totals.bytes += std::max<std::int64_t>(item.request.expectedSize, 0);
            totals.done += item.state == QueueItem::State::Done ? 1 : 0;
            totals.skipped += item.state == QueueItem::State::Skipped ? 1 : 0;
            totals.failed += item.state == QueueItem::State::Failed ? 1 : 0;
            totals.cancelled += item.state == QueueItem::State::Cancelled ? 1 : 0;
            totals.waiting += item.state == QueueItem::State::Waiting ? 1 : 0;
            totals.running += item.state == QueueItem::State::Running ? 1 : 0;
        }
        rows.push_back({static_cast<int>(at), -1, item.id});
    }
    const bool sameRows = std::equal(rows.begin(), rows.end(), m_rows.begin(), m_rows.end(),
                                     [](const Row& a, const Row& b) { return a.key == b.key; });
    if (sameRows) {
        m_items = std::move(items);
        m_folders = std::move(folders);
        m_rows = std::move(rows);
        if (!m_rows.empty()) {
            emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1));
        }
        return;
    }
    beginResetModel();
    m_items = std::move(items);
    m_folders = std::move(folders);
    m_rows = std::move(rows);
    endResetModel();
}

int CQueueModel::KeyOf(int row) const
{
    return m_rows[static_cast<std::size_t>(row)].key;
}

std::vector<int> CQueueModel::IdsOf(int row) const
{
    const Row& at = m_rows[static_cast<std::size_t>(row)];
    if (at.item >= 0) {
        return {m_items[static_cast<std::size_t>(at.item)].id};
    }
    std::vector<int> ids;
    const int folder = m_folders[static_cast<std::size_t>(at.folder)].folder.id;
    for (const QueueItem& item : m_items) {
        if (item.folder.id == folder) {
            ids.push_back(item.id);
        }
    }
    return ids;
}

QVariant CQueueModel::FolderData(const FolderTotals& totals, int column, int role) const
{
    const std::string& path = totals.folder.path;
    if (role == Qt::ToolTipRole) {
        return QString::fromStdString(path);
    }
    switch (column) {
    case kName: {
        std::string name = path;
        while (name.size() > 1 && name.back() == '/') {
            name.pop_back();
        }
        if (const std::size_t slash = name.rfind('/'); slash != std::string::npos && name != "/") {
            name.erase(0, slash + 1);
        }
        return QString::fromStdString(name == "/" ? name : name + '/');
    }
    case kDirection:
        return totals.direction == TransferDirection::Download ? QStringLiteral("ダウンロード")
                                                                : QStringLiteral("アップロード");
    case kSize:
        return SizeText(totals.bytes);
    case kProgress:
        return QStringLiteral("%1 / %2 ファイル").arg(totals.done).arg(totals.files);
    case kState:
        if (totals.running > 0) {
            return QStringLiteral("転送中");
        }
        if (totals.waiting > 0) {
            return QStringLiteral("待機中");
        }
        if (totals.failed > 0) {
            return QStringLiteral("失敗 %1 個").arg(totals.failed);
        }
        if (totals.cancelled > 0) {
            return QStringLiteral("中止");
        }
        return totals.done == 0 && totals.skipped > 0 ? QStringLiteral("スキップ")
                                                      : QStringLiteral("完了");
    default:
        return QString();
    }
}

QString CQueueModel::StateText(const QueueItem& item)
{
    switch (item.state) {
    case QueueItem::State::Waiting:
        return QStringLiteral("待機中");
    case QueueItem::State::Running:
        return item.asking ? QStringLiteral("確認待ち") : QStringLiteral("転送中");
    case QueueItem::State::Done:
        return QStringLiteral("完了");
    case QueueItem::State::Failed:
        return item.why.empty() ? QStringLiteral("失敗")
                                : QStringLiteral("失敗: ") + QString::fromStdString(item.why);
    case QueueItem::State::Cancelled:
        return QStringLiteral("中止");
    case QueueItem::State::Skipped:
        return QStringLiteral("スキップ");
    }
    return {};
}

int CQueueModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CQueueModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant CQueueModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() ||
        (role != Qt::DisplayRole && role != Qt::AccessibleTextRole &&
         role != Qt::TextAlignmentRole && role != Qt::ToolTipRole)) {
        return {};
    }
    if (role == Qt::TextAlignmentRole) {
        const bool number = index.column() == kSize || index.column() == kProgress ||
                            index.column() == kSpeed;
        return QVariant::fromValue((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    const Row& row = m_rows[static_cast<std::size_t>(index.row())];
    if (row.item < 0) {
        return FolderData(m_folders[static_cast<std::size_t>(row.folder)], index.column(), role);
    }
    const QueueItem& item = m_items[static_cast<std::size_t>(row.item)];
    const std::int64_t total = item.request.expectedSize;
    if (role == Qt::ToolTipRole) {
        // The whole paths, and a failure's whole reason.
        return QString::fromStdString(item.request.remotePath) + QLatin1Char('\n') +
               QString::fromStdString(item.request.localPath) + QLatin1Char('\n') +
               StateText(item);
    }
    switch (index.column()) {
    case kName:
        // A folder's files below its row, set in.
        return item.folder.id != 0 ? QStringLiteral("    ") + FileName(item) : FileName(item);
    case kDirection:
        return item.request.direction == TransferDirection::Download
                   ? QStringLiteral("ダウンロード")
                   : QStringLiteral("アップロード");
    case kSize:
        return total >= 0 ? SizeText(total) : QString();
    case kProgress:
        if (item.state == QueueItem::State::Done) {
            return QStringLiteral("100%");
        }
        if (total > 0 && item.state == QueueItem::State::Running) {
            return QString::number(std::min(item.moved, total) * 100 / total) + QLatin1Char('%');
        }
        return item.moved > 0 ? SizeText(item.moved) : QString();
    case kSpeed: {
        if (item.state != QueueItem::State::Running) {
            return QString();
        }
        const double seconds = std::chrono::duration<double>(
                                   std::chrono::steady_clock::now() - item.started)
                                   .count();
        return seconds > 0.2 && item.moved > 0
                   ? CWaitDlg::SpeedText(static_cast<double>(item.moved) / seconds)
                   : QString();
    }
    case kState:
        return StateText(item);
    default:
        return {};
    }
}

QVariant CQueueModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    static const char* const kTitles[] = {"名前", "方向", "サイズ", "進み具合", "速度", "状態"};
    return section >= 0 && section < kColumnCount ? QString::fromUtf8(kTitles[section])
                                                  : QVariant();
}

CQueuePanel::CQueuePanel(QWidget* parent)
    : QWidget(parent), m_pModel(new CQueueModel(this)), m_pTable(new QTableView(this))
{
    setObjectName(QStringLiteral("queuePanel"));
    setAccessibleName(QStringLiteral("転送キュー"));
    m_pTable->setObjectName(QStringLiteral("queueTable"));
    m_pTable->setAccessibleName(QStringLiteral("転送の一覧"));
    m_pTable->setModel(m_pModel);
    m_pTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pTable->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pTable->verticalHeader()->hide();
    m_pTable->verticalHeader()->setDefaultSectionSize(m_pTable->fontMetrics().height() + 8);
    m_pTable->horizontalHeader()->setSectionResizeMode(CQueueModel::kName, QHeaderView::Stretch);
    m_pTable->horizontalHeader()->setSectionResizeMode(CQueueModel::kState,
                                                       QHeaderView::ResizeToContents);

    const auto button = [this](const char* name, const QString& text) {
        auto* made = new QPushButton(text, this);
        made->setObjectName(QString::fromLatin1(name));
        made->setAccessibleName(text);
        made->setAutoDefault(false);
        return made;
    };
    m_pCancel = button("queueCancelButton", QStringLiteral("選んだ転送を中止"));
    m_pCancelAll = button("queueCancelAllButton", QStringLiteral("すべて中止"));
    m_pRetry = button("queueRetryButton", QStringLiteral("失敗したものを再試行"));
    m_pClear = button("queueClearButton", QStringLiteral("終わったものを消去"));
    connect(m_pCancel, &QPushButton::clicked, this, [this] {
        for (const int id : SelectedIds()) {
            m_pQueue->Cancel(id);
        }
    });
    connect(m_pCancelAll, &QPushButton::clicked, this, [this] { m_pQueue->CancelAll(); });
    connect(m_pRetry, &QPushButton::clicked, this, [this] {
        for (const QueueItem& item : m_pQueue->Items()) {
            if (item.state == QueueItem::State::Failed) {
                m_pQueue->Retry(item.id);
            }
        }
    });
    connect(m_pClear, &QPushButton::clicked, this, [this] { m_pQueue->ClearFinished(); });
    connect(m_pTable->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CQueuePanel::UpdateButtons);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* made : {m_pCancel, m_pCancelAll, m_pRetry, m_pClear}) {
        buttons->addWidget(made);
    }
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pTable, 1);
    layout->addLayout(buttons);
    UpdateButtons();
}

void CQueuePanel::SetQueue(CTransferQueue* queue)
{
    m_pQueue = queue;
    Refresh();
}

void CQueuePanel::Changed()
{
    if (m_bRefreshQueued.exchange(true)) {
        return;
    }
    QMetaObject::invokeMethod(
        this, [this] { QTimer::singleShot(kRefreshMs, this, &CQueuePanel::Refresh); },
        Qt::QueuedConnection);
}

void CQueuePanel::Refresh()
{
    m_bRefreshQueued = false;
    if (m_pQueue == nullptr) {
        UpdateButtons(); // the rows stay as they were when the queue went
        return;
    }
    std::vector<int> selected;
    for (const QModelIndex& index : m_pTable->selectionModel()->selectedRows()) {
        selected.push_back(m_pModel->KeyOf(index.row()));
    }
    std::vector<QueueItem> items = m_pQueue->Items();
    bool added = false;
    std::vector<QueueItem> ended;
    // The items ended now, done or not: a failed or stopped download leaves its part, not the
    // temporary file the pane may show. Those not ended at the last look are reported, a
    // retried item that ended again among them even when the panel never saw it run.
    std::vector<std::pair<int, int>> endedTurns;
    for (const QueueItem& item : items) {
        added = added || item.id > m_nLastId;
        m_nLastId = std::max(m_nLastId, item.id);
        if (item.Finished()) {
            const std::pair<int, int> turn{item.id, item.tries};
            endedTurns.push_back(turn);
            if (std::find(m_endedTurns.begin(), m_endedTurns.end(), turn) == m_endedTurns.end()) {
                ended.push_back(item);
            }
        }
    }
    m_endedTurns = std::move(endedTurns);
    m_pModel->SetItems(std::move(items));
    // A reset keeps the rows that were chosen chosen.
    QItemSelection again;
    for (int row = 0; row < m_pModel->rowCount(); ++row) {
        if (std::find(selected.begin(), selected.end(), m_pModel->KeyOf(row)) != selected.end()) {
            again.select(m_pModel->index(row, 0),
                         m_pModel->index(row, CQueueModel::kColumnCount - 1));
        }
    }
    m_pTable->selectionModel()->select(again, QItemSelectionModel::ClearAndSelect);
    UpdateButtons();
    if (added) {
        emit itemsAdded();
    }
    if (!ended.empty()) {
        emit itemsEnded(ended);
    }
}

std::vector<int> CQueuePanel::SelectedIds() const
{
    std::vector<int> ids;
    for (const QModelIndex& index : m_pTable->selectionModel()->selectedRows()) {
        if (index.row() < m_pModel->rowCount()) {
            const std::vector<int> of = m_pModel->IdsOf(index.row());
            ids.insert(ids.end(), of.begin(), of.end());
        }
    }
    return ids;
}

void CQueuePanel::UpdateButtons()
{
    bool pending = false, failed = false, finished = false, chosen = false;
    const std::vector<int> selected = SelectedIds();
    for (const QueueItem& item : m_pModel->Items()) {
        pending = pending || !item.Finished();
        failed = failed || item.state == QueueItem::State::Failed;
        finished = finished || item.Finished();
        chosen = chosen || (!item.Finished() && std::find(selected.begin(), selected.end(),
                                                          item.id) != selected.end());
    }
    const bool queue = m_pQueue != nullptr;
    m_pCancel->setEnabled(queue && chosen);
    m_pCancelAll->setEnabled(queue && pending);
    m_pRetry->setEnabled(queue && failed);
    m_pClear->setEnabled(queue && finished);
}

} // namespace tarnwick
