#include "app/panemodel.h"

#include <QApplication>
#include <QDataStream>
#include <QIODevice>
#include <QMimeData>
#include <QStyle>

#include <algorithm>
#include <numeric>

namespace tarnwick {

namespace {

// "1234567" as "1,234,567": sizes are read in groups of three digits.
QString GroupedSize(std::int64_t size)
{
    QString digits = QString::number(size);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3) {
        digits.insert(at, QLatin1Char(','));
    }
    return digits;
}

int KindRank(const PaneRow& row)
{
    if (row.linkToFolder) {
        return 1;
    }
    switch (row.kind) {
    case PaneRow::Kind::Parent:
        return 0;
    case PaneRow::Kind::Directory:
        return 1;
    case PaneRow::Kind::File:
        break;
    }
    return 2;
}

// The list's order: case is ignored first, then decides ties.
bool TextBefore(const PaneRow& a, const PaneRow& b)
{
    const int folded = QString::compare(a.folded, b.folded);
    return folded != 0 ? folded < 0 : a.text < b.text;
}

} // namespace

PaneRow PaneRow::FromText(const QString& text)
{
    PaneRow row;
    row.text = text;
    row.folded = text.toCaseFolded();
    if (text == QLatin1String("..")) {
        row.kind = Kind::Parent;
        row.name = text;
    } else if (text.startsWith(QLatin1Char('<'))) {
        row.kind = Kind::Directory;
        row.name = text.size() < 2 ? QString() : text.mid(1, text.size() - 2);
    } else {
        row.name = text;
    }
    return row;
}

CPaneModel::CPaneModel(int pane, QObject* parent) : QAbstractTableModel(parent), m_nPane(pane)
{
    QStyle* style = QApplication::style();
    m_dirIcon = style->standardIcon(QStyle::SP_DirIcon);
    m_fileIcon = style->standardIcon(QStyle::SP_FileIcon);
    m_dirLinkIcon = style->standardIcon(QStyle::SP_DirLinkIcon);
    m_fileLinkIcon = style->standardIcon(QStyle::SP_FileLinkIcon);
    m_parentIcon = style->standardIcon(QStyle::SP_FileDialogToParent);
}

void CPaneModel::SetRows(std::vector<PaneRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    SortRows();
    endResetModel();
}

void CPaneModel::MarkLinkFolders(const QSet<QString>& rows)
{
    bool changed = false;
    for (PaneRow& row : m_rows) {
        const bool folder = row.isLink && rows.contains(row.text);
        changed = changed || folder != row.linkToFolder;
        row.linkToFolder = folder;
    }
    if (changed) {
        sort(m_nSortColumn, m_sortOrder);
        emit dataChanged(index(0, 0), index(RowCount() - 1, 0), {Qt::DecorationRole});
    }
}

void CPaneModel::SetDetailed(bool detailed)
{
    if (detailed == m_bDetailed) {
        return;
    }
    m_bDetailed = detailed;
    sort(m_nSortColumn, m_sortOrder);
}

int CPaneModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : RowCount();
}

int CPaneModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant CPaneModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= RowCount()) {
        return {};
    }
    const PaneRow& row = Row(index.row());
    if (role == kRowTextRole) {
        return row.text;
    }
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        switch (column) {
        case kName:
            if (!m_bDetailed) {
                // The list shows the row texts; a link is marked as ls -F marks it.
                return row.isLink ? row.text + QLatin1Char('@') : row.text;
            }
            return row.name;
        case kSize:
            // A link to a folder is a folder here: the link's own length means nothing.
            return row.size >= 0 && !row.linkToFolder ? GroupedSize(row.size) : QString();
        case kDate:
            return row.dateText;
        case kAttributes:
            return row.permissions;
        default:
            return {};
        }
    case Qt::DecorationRole:
        if (column != kName || !m_bDetailed) {
            return {};
        }
        if (row.linkToFolder) {
            return m_dirLinkIcon;
        }
        switch (row.kind) {
        case PaneRow::Kind::Parent:
            return m_parentIcon;
        case PaneRow::Kind::Directory:
            return row.isLink ? m_dirLinkIcon : m_dirIcon;
        case PaneRow::Kind::File:
            break;
        }
        return row.isLink ? m_fileLinkIcon : m_fileIcon;
    case Qt::ToolTipRole: {
        // The whole name, which the column may show shortened in the middle.
        QString tip = column == kName && m_bDetailed && row.kind != PaneRow::Kind::Parent
                          ? row.name
                          : QString();
        if (row.isLink) {
            const QString link =
                (row.linkToFolder ? QStringLiteral("フォルダへのシンボリックリンク")
                                  : QStringLiteral("シンボリックリンク")) +
                (row.linkTarget.isEmpty() ? QString() : QStringLiteral(" → ") + row.linkTarget);
            tip = tip.isEmpty() ? link : tip + QLatin1Char('\n') + link;
        }
        return tip.isEmpty() ? QVariant() : QVariant(tip);
    }
    case Qt::TextAlignmentRole:
        if (column == kSize) {
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        }
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant CPaneModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    switch (section) {
    case kName:
        return QStringLiteral("名前");
    case kSize:
        return QStringLiteral("サイズ");
    case kDate:
        return QStringLiteral("更新日時");
    case kAttributes:
        return QStringLiteral("属性");
    default:
        return {};
    }
}

Qt::ItemFlags CPaneModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) {
        return Qt::ItemIsDropEnabled;
    }
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled;
}

bool CPaneModel::Before(const PaneRow& a, const PaneRow& b) const
{
    if (!m_bDetailed) {
        return TextBefore(a, b);
    }
    // ".." on top and directories before files, whichever way the column runs.
    if (KindRank(a) != KindRank(b)) {
        return KindRank(a) < KindRank(b);
    }
    const bool descending = m_sortOrder == Qt::DescendingOrder;
    const auto ordered = [descending](bool less, bool greater) {
        return descending ? greater : less;
    };
    switch (m_nSortColumn) {
    case kSize:
        if (a.size != b.size) {
            return ordered(a.size < b.size, a.size > b.size);
        }
        break;
    case kDate:
        if (a.dateKey != b.dateKey) {
            return ordered(a.dateKey < b.dateKey, a.dateKey > b.dateKey);
        }
        break;
    case kAttributes:
        if (a.permissions != b.permissions) {
            return ordered(a.permissions < b.permissions, a.permissions > b.permissions);
        }
        break;
    default:
        return ordered(TextBefore(a, b), TextBefore(b, a));
    }
    // Equal in the column: by name, always ascending.
    return TextBefore(a, b);
}

void CPaneModel::SortRows()
{
    std::stable_sort(m_rows.begin(), m_rows.end(),
                     [this](const PaneRow& a, const PaneRow& b) { return Before(a, b); });
}

void CPaneModel::sort(int column, Qt::SortOrder order)
{
    m_nSortColumn = column >= 0 && column < kColumnCount ? column : static_cast<int>(kName);
    m_sortOrder = order;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // Sort positions, then move the persistent indexes (selection, current row) along.
    std::vector<int> positions(m_rows.size());
    std::iota(positions.begin(), positions.end(), 0);
    std::stable_sort(positions.begin(), positions.end(), [this](int a, int b) {
        return Before(m_rows[static_cast<std::size_t>(a)], m_rows[static_cast<std::size_t>(b)]);
    });
    std::vector<int> newRowOf(m_rows.size());
    std::vector<PaneRow> sorted;
    sorted.reserve(m_rows.size());
    for (std::size_t at = 0; at < positions.size(); ++at) {
        newRowOf[static_cast<std::size_t>(positions[at])] = static_cast<int>(at);
        sorted.push_back(std::move(m_rows[static_cast<std::size_t>(positions[at])]));
    }
    m_rows = std::move(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before) {
        after << this->index(newRowOf[static_cast<std::size_t>(index.row())], index.column());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QStringList CPaneModel::mimeTypes() const
{
    return {QString::fromLatin1(kRowsMimeType)};
}

QMimeData* CPaneModel::mimeData(const QModelIndexList& indexes) const
{
    QStringList rows;
    std::vector<int> seen;
    for (const QModelIndex& index : indexes) {
        if (index.isValid() && std::find(seen.begin(), seen.end(), index.row()) == seen.end()) {
            seen.push_back(index.row());
        }
    }
    std::sort(seen.begin(), seen.end());
    for (const int row : seen) {
        rows << Row(row).text;
    }
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << static_cast<qint32>(m_nPane) << rows;
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kRowsMimeType), bytes);
    return data;
}

bool CPaneModel::ReadDraggedRows(const QMimeData& data, int& pane, QStringList& rows)
{
    const QString type = QString::fromLatin1(kRowsMimeType);
    if (!data.hasFormat(type)) {
        return false;
    }
    QDataStream in(data.data(type));
    qint32 from = -1;
    in >> from >> rows;
    pane = from;
    return in.status() == QDataStream::Ok && (from == 0 || from == 1);
}

} // namespace tarnwick
