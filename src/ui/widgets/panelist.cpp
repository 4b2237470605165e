#include "ui/widgets/panelist.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMimeData>
#include <QResizeEvent>
#include <QStyledItemDelegate>
#include <QTextLayout>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>
#include <tuple>

#include "files/remotefilelist.h"

namespace tarnwick {

namespace {

// Every row one height, whatever characters it holds: a Japanese name is drawn with a CJK
// fallback font that is taller than the Latin one, and the view takes the height of one row
// for all of them.
class CRowDelegate : public QStyledItemDelegate {
public:
    CRowDelegate(const int& height, QObject* parent) : QStyledItemDelegate(parent), m_height(height)
    {
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(m_height);
        return size;
    }

private:
    const int& m_height;
};

// The height of a line that holds Latin and Japanese characters in `font` and its fallbacks.
int MixedLineHeight(const QFont& font)
{
    QTextLayout layout(QStringLiteral("Ágjあ漢字"), font);
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    return static_cast<int>(std::ceil(line.height()));
}

} // namespace

CPaneList::CPaneList(int pane, QWidget* parent)
    : QTreeView(parent), m_nPane(pane), m_pModel(new CPaneModel(pane, this))
{
    setModel(m_pModel);
    setItemDelegate(new CRowDelegate(m_nRowHeight, this));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::CopyAction);
    setDropIndicatorShown(false);
    // A long name keeps its beginning and its ending (which tells its kind).
    setTextElideMode(Qt::ElideMiddle);

    QHeaderView* head = header();
    head->setStretchLastSection(false);
    head->setSectionResizeMode(CPaneModel::kName, QHeaderView::Stretch);
    head->setSectionsMovable(false);
    head->setSortIndicator(CPaneModel::kName, Qt::AscendingOrder);
    setSortingEnabled(true);
    UpdateRowHeight();
    SetDetailed(false);
}

void CPaneList::UpdateRowHeight()
{
    m_nRowHeight = std::max({MixedLineHeight(font()), iconSize().height(), 16}) + 4;
    FitColumns();
    doItemsLayout();
}

void CPaneList::FitColumns() const
{
    const QFontMetrics metrics(font());
    const QFontMetrics headerMetrics(header()->font());
    const int gap = 3 * metrics.averageCharWidth();
    // The widest texts are among the longest: a folder of 20,000 rows is measured by a few of
    // them, not all. The largest size has the most digits.
    int largest = -1;
    qsizetype longestDate = 0;
    qsizetype longestAttributes = 0;
    for (int row = 0; row < m_pModel->RowCount(); ++row) {
        const std::int64_t size = m_pModel->Size(row);
        if (size >= 0 && (largest < 0 || size > m_pModel->Size(largest))) {
            largest = row;
        }
        longestDate = std::max(longestDate, m_pModel->DateLength(row));
        longestAttributes = std::max(longestAttributes, m_pModel->PermissionsLength(row));
    }
    int widths[CPaneModel::kColumnCount] = {};
    if (largest >= 0) {
        widths[CPaneModel::kSize] = metrics.horizontalAdvance(
            m_pModel->index(largest, CPaneModel::kSize).data().toString());
    }
    QSet<QString> measured;
    for (int row = 0; row < m_pModel->RowCount() && measured.size() < 64; ++row) {
        for (const auto& [column, length, longest] :
             {std::tuple{CPaneModel::kDate, m_pModel->DateLength(row), longestDate},
              std::tuple{CPaneModel::kAttributes, m_pModel->PermissionsLength(row),
                         longestAttributes}}) {
            if (length != longest) {
                continue;
            }
            const QString text = column == CPaneModel::kDate ? m_pModel->DateText(row)
                                                             : m_pModel->Permissions(row);
            if (!measured.contains(text)) {
                measured.insert(text);
                widths[column] = std::max(widths[column], metrics.horizontalAdvance(text));
            }
        }
    }
    for (int column = CPaneModel::kSize; column < CPaneModel::kColumnCount; ++column) {
        const int caption =
            headerMetrics.horizontalAdvance(m_pModel->headerData(column, Qt::Horizontal).toString());
        m_columnWidths[column] = std::max(widths[column], caption) + gap;
        header()->resizeSection(column, m_columnWidths[column]);
    }
    ArrangeColumns();
}

void CPaneList::ArrangeColumns() const
{
    if (!IsDetailed()) {
        return;
    }
    // The name keeps a third of the pane, and room for a dozen characters at least.
    const int available = viewport()->width();
    const int name =
        std::max(available / 3, 12 * fontMetrics().averageCharWidth() + iconSize().width());
    int others = m_columnWidths[CPaneModel::kSize] + m_columnWidths[CPaneModel::kDate] +
                 m_columnWidths[CPaneModel::kAttributes];
    const bool attributes = available - others >= name;
    others -= attributes ? 0 : m_columnWidths[CPaneModel::kAttributes];
    const bool date = available - others >= name;
    header()->setSectionHidden(CPaneModel::kAttributes, !attributes);
    header()->setSectionHidden(CPaneModel::kDate, !date);
    header()->setSectionHidden(CPaneModel::kSize, false);
}

void CPaneList::resizeEvent(QResizeEvent* event)
{
    QTreeView::resizeEvent(event);
    ArrangeColumns();
}

void CPaneList::SetLinkFolders(const QStringList& rows)
{
    Flush();
    m_linkFolders = QSet<QString>(rows.begin(), rows.end());
    m_pModel->MarkLinkFolders(m_linkFolders);
}

void CPaneList::changeEvent(QEvent* event)
{
    QTreeView::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        UpdateRowHeight();
    }
}

void CPaneList::SetDetailed(bool detailed)
{
    Flush();
    header()->setVisible(detailed);
    for (int column = CPaneModel::kSize; column < CPaneModel::kColumnCount; ++column) {
        setColumnHidden(column, !detailed);
    }
    m_pModel->SetDetailed(detailed);
    FitColumns();
}

void CPaneList::ResetContent()
{
    m_pending.clear();
    m_pendingEntries.clear();
    m_nNextEntry = 0;
    m_bResetPending = true;
    m_linkFolders.clear();
    m_strListedDir = m_pBoundDir != nullptr ? *m_pBoundDir : std::string();
    // Shown at once: an emptied pane must not keep showing rows that are gone.
    Flush();
}

void CPaneList::AddString(const std::string& text)
{
    // A row of the listing is only its entry's number: the model reads the texts from the
    // listing. The rows come in the listing's order, so the entries are mostly met in turn.
    int entry = -1;
    if (m_pListing != nullptr && text != "..") {
        if (m_nNextEntry < m_pListing->GetSize() && m_pListing->DisplayName(m_nNextEntry) == text) {
            entry = m_nNextEntry;
        } else {
            entry = m_pListing->FindByDisplayName(text);
        }
    }
    if (entry >= 0) {
        m_pendingEntries.push_back(entry);
        m_nNextEntry = entry + 1;
    } else {
        m_pending.push_back(PaneRow::FromText(QString::fromStdString(text)));
    }
    if (!m_bFlushQueued) {
        m_bFlushQueued = true;
        QMetaObject::invokeMethod(this, [this] { Flush(); }, Qt::QueuedConnection);
    }
}

void CPaneList::Flush() const
{
    m_bFlushQueued = false;
    if (!m_bResetPending && m_pending.empty() && m_pendingEntries.empty()) {
        return;
    }
    std::vector<PaneRow> pending = std::move(m_pending);
    m_pending.clear();
    const std::vector<int> entries = std::move(m_pendingEntries);
    m_pendingEntries.clear();
    if (m_detailsSource) {
        m_detailsSource(pending);
    }
    // The model keeps a copy of the listing (its records and its one text block): the session
    // may list again while these rows are still on screen.
    std::shared_ptr<const CRemoteFileList> listing;
    if (!entries.empty()) {
        listing = std::make_shared<const CRemoteFileList>(*m_pListing);
    }
    std::vector<PaneRow> rows;
    if (!m_bResetPending) {
        // Rows added to those on screen (not what a listing does): the shown ones stay as
        // whole rows, since their listing may be another.
        rows.reserve(static_cast<std::size_t>(m_pModel->RowCount()) + pending.size());
        for (int row = 0; row < m_pModel->RowCount(); ++row) {
            rows.push_back(m_pModel->RowData(row));
        }
    }
    m_bResetPending = false;
    if (rows.empty()) {
        rows = std::move(pending);
    } else {
        std::move(pending.begin(), pending.end(), std::back_inserter(rows));
    }
    m_pModel->SetRows(std::move(rows), std::move(listing), entries);
    if (!m_linkFolders.isEmpty()) {
        m_pModel->MarkLinkFolders(m_linkFolders);
    }
    if (IsDetailed()) {
        FitColumns();
    }
}

QStringList CPaneList::Rows() const
{
    Flush();
    QStringList rows;
    rows.reserve(m_pModel->RowCount());
    for (int row = 0; row < m_pModel->RowCount(); ++row) {
        rows << m_pModel->Text(row);
    }
    return rows;
}

int CPaneList::count() const
{
    Flush();
    return m_pModel->RowCount();
}

QString CPaneList::RowText(int row) const
{
    Flush();
    return row >= 0 && row < m_pModel->RowCount() ? m_pModel->Text(row) : QString();
}

PaneRow CPaneList::RowData(int row) const
{
    Flush();
    return m_pModel->RowData(row);
}

int CPaneList::FindRow(const QString& text) const
{
    Flush();
    return m_pModel->FindRow(text);
}

std::string CPaneList::CurrentRowText() const
{
    Flush();
    const QModelIndex current = currentIndex();
    return current.isValid() ? m_pModel->Text(current.row()).toStdString() : std::string();
}

std::vector<std::string> CPaneList::SelectedRowTexts() const
{
    Flush();
    QModelIndexList selected = selectionModel()->selectedRows();
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<std::string> rows;
    rows.reserve(static_cast<std::size_t>(selected.size()));
    for (const QModelIndex& index : selected) {
        rows.push_back(m_pModel->Text(index.row()).toStdString());
    }
    return rows;
}

bool CPaneList::IsRowSelected(int row) const
{
    Flush();
    return selectionModel()->isRowSelected(row, QModelIndex());
}

void CPaneList::SetRowSelected(int row, bool selected)
{
    Flush();
    selectionModel()->select(m_pModel->index(row, 0),
                             (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                                 QItemSelectionModel::Rows);
}

void CPaneList::SetCurrentRow(int row, QItemSelectionModel::SelectionFlags flags)
{
    Flush();
    if (flags != QItemSelectionModel::NoUpdate) {
        flags |= QItemSelectionModel::Rows;
    }
    selectionModel()->setCurrentIndex(m_pModel->index(row, 0), flags);
}

QRect CPaneList::RowRect(int row) const
{
    Flush();
    return visualRect(m_pModel->index(row, 0));
}

void CPaneList::SelectAllRows()
{
    Flush();
    QItemSelection all;
    for (int row = 0; row < m_pModel->RowCount(); ++row) {
        if (m_pModel->Kind(row) != PaneRow::Kind::Parent) {
            all.select(m_pModel->index(row, 0), m_pModel->index(row, CPaneModel::kColumnCount - 1));
        }
    }
    selectionModel()->select(all, QItemSelectionModel::ClearAndSelect);
}

void CPaneList::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::SelectAll)) {
        SelectAllRows();
        event->accept();
        return;
    }
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::NoModifier) {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            emit openRequested();
            event->accept();
            return;
        case Qt::Key_Backspace:
            emit parentRequested();
            event->accept();
            return;
        default:
            break;
        }
    }
    QTreeView::keyPressEvent(event);
}

QStringList CPaneList::DroppedFiles(const QMimeData* data) const
{
    QStringList paths;
    if (data == nullptr || !data->hasUrls()) {
        return paths;
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            paths << url.toLocalFile();
        }
    }
    return paths;
}

bool CPaneList::Takes(const QMimeData* data) const
{
    if (data == nullptr) {
        return false;
    }
    int from = -1;
    QStringList rows;
    if (CPaneModel::ReadDraggedRows(*data, from, rows)) {
        return from != m_nPane && !rows.isEmpty();
    }
    // Files from a file manager go to the server: only the remote pane takes them.
    return m_nPane == 0 && !DroppedFiles(data).isEmpty();
}

void CPaneList::dragEnterEvent(QDragEnterEvent* event)
{
    if (Takes(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void CPaneList::dragMoveEvent(QDragMoveEvent* event)
{
    if (Takes(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void CPaneList::dropEvent(QDropEvent* event)
{
    const QMimeData* data = event->mimeData();
    if (!Takes(data)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    int from = -1;
    QStringList rows;
    if (CPaneModel::ReadDraggedRows(*data, from, rows)) {
        emit rowsDropped(from);
    } else {
        emit filesDropped(DroppedFiles(data));
    }
}

} // namespace tarnwick
