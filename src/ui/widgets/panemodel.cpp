#include "ui/widgets/panemodel.h"

#include <QApplication>
#include <QDataStream>
#include <QIODevice>
#include <QMimeData>
#include <QStyle>

#include <algorithm>
#include <ctime>
#include <numeric>

#include "ui/widgets/panedetails.h"
#include "core/strutil.h"
#include "files/remotefilelist.h"

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

QString FromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool IsAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

PaneRow PaneRow::FromText(const QString& text)
{
    PaneRow row;
    row.text = text;
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

void CPaneModel::AddKey(RowSlot& slot, std::string_view text)
{
    slot.keyBegin = static_cast<std::uint32_t>(m_keys.size());
    if (IsAscii(text)) {
        for (const char c : text) {
            m_keys.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
        }
    } else {
        m_keys += FromUtf8(text).toCaseFolded().toStdString();
    }
    slot.keyLength = static_cast<std::uint32_t>(m_keys.size() - slot.keyBegin);
}

void CPaneModel::AddKey(RowSlot& slot, const QString& text)
{
    slot.keyBegin = static_cast<std::uint32_t>(m_keys.size());
    m_keys += text.toCaseFolded().toStdString();
    slot.keyLength = static_cast<std::uint32_t>(m_keys.size() - slot.keyBegin);
}

void CPaneModel::SetRows(std::vector<PaneRow> rows, std::shared_ptr<const CRemoteFileList> listing,
                         const std::vector<int>& entries)
{
    beginResetModel();
    m_rows = std::move(rows);
    m_listing = std::move(listing);
    m_slots.clear();
    m_keys.clear();
    m_slots.reserve(m_rows.size() + entries.size());
    for (std::size_t at = 0; at < m_rows.size(); ++at) {
        const PaneRow& row = m_rows[at];
        RowSlot slot;
        slot.source = ~static_cast<std::int32_t>(at);
        slot.kind = row.kind;
        slot.size = row.size;
        slot.dateKey = row.dateKey;
        slot.isLink = row.isLink;
        slot.linkToFolder = row.linkToFolder;
        AddKey(slot, row.text);
        m_slots.push_back(slot);
    }
    const int listed = m_listing ? m_listing->GetSize() : 0;
    for (const int entry : entries) {
        if (entry < 0 || entry >= listed) {
            continue;
        }
        RowSlot slot;
        slot.source = entry;
        const std::string_view text = m_listing->DisplayName(entry);
        // The entry's own kind: a file may be named "<x>", which reads like a folder's row.
        slot.kind = text == ".." ? PaneRow::Kind::Parent
                    : m_listing->IsDirectory(entry) ? PaneRow::Kind::Directory
                                                    : PaneRow::Kind::File;
        slot.isLink = m_listing->IsLink(entry);
        const std::string_view sizeText = m_listing->SizeText(entry);
        if (slot.kind == PaneRow::Kind::File && !sizeText.empty() &&
            sizeText.find_first_not_of("0123456789") == std::string_view::npos) {
            slot.size = ParseLeadingInt(sizeText);
        }
        AddKey(slot, text);
        m_slots.push_back(slot);
    }
    m_bDateKeys = entries.empty();
    m_order.resize(m_slots.size());
    std::iota(m_order.begin(), m_order.end(), 0);
    SortRows();
    endResetModel();
}

void CPaneModel::MakeDateKeys()
{
    if (m_bDateKeys) {
        return;
    }
    m_bDateKeys = true;
    const std::time_t now = std::time(nullptr);
    std::tm today{};
    localtime_r(&now, &today);
    for (RowSlot& slot : m_slots) {
        if (slot.source >= 0) {
            slot.dateKey =
                EntryDateKey(*m_listing, slot.source, today.tm_year + 1900, today.tm_mon + 1);
        }
    }
}

std::string_view CPaneModel::EntryText(const RowSlot& slot) const
{
    return m_listing->DisplayName(slot.source);
}

QString CPaneModel::SlotText(const RowSlot& slot) const
{
    const PaneRow* loose = Loose(slot);
    return loose != nullptr ? loose->text : FromUtf8(EntryText(slot));
}

QString CPaneModel::SlotName(const RowSlot& slot) const
{
    const PaneRow* loose = Loose(slot);
    if (loose != nullptr) {
        return loose->name;
    }
    std::string_view text = EntryText(slot);
    if (slot.kind == PaneRow::Kind::Directory) {
        text = text.size() < 2 ? std::string_view() : text.substr(1, text.size() - 2);
    }
    return FromUtf8(text);
}

QString CPaneModel::Text(int row) const
{
    return SlotText(Slot(row));
}

QString CPaneModel::DateText(int row) const
{
    const RowSlot& slot = Slot(row);
    const PaneRow* loose = Loose(slot);
    return loose != nullptr ? loose->dateText : FromUtf8(m_listing->DateText(slot.source));
}

QString CPaneModel::Permissions(int row) const
{
    const RowSlot& slot = Slot(row);
    const PaneRow* loose = Loose(slot);
    return loose != nullptr ? loose->permissions : FromUtf8(m_listing->Permissions(slot.source));
}

qsizetype CPaneModel::DateLength(int row) const
{
    const RowSlot& slot = Slot(row);
    const PaneRow* loose = Loose(slot);
    return loose != nullptr ? loose->dateText.size()
                            : static_cast<qsizetype>(m_listing->DateText(slot.source).size());
}

qsizetype CPaneModel::PermissionsLength(int row) const
{
    const RowSlot& slot = Slot(row);
    const PaneRow* loose = Loose(slot);
    return loose != nullptr ? loose->permissions.size()
                            : static_cast<qsizetype>(m_listing->Permissions(slot.source).size());
}

PaneRow CPaneModel::RowData(int row) const
{
    const RowSlot& slot = Slot(row);
    const PaneRow* loose = Loose(slot);
    PaneRow data = loose != nullptr ? *loose : PaneRow::FromText(SlotText(slot));
    if (loose == nullptr) {
        data.size = slot.size;
        data.dateText = DateText(row);
        data.dateKey = slot.dateKey;
        data.permissions = Permissions(row);
        data.linkTarget = FromUtf8(m_listing->LinkTarget(slot.source));
    }
    data.isLink = slot.isLink;
    data.linkToFolder = slot.linkToFolder;
    return data;
}

int CPaneModel::FindRow(const QString& text) const
{
    const std::string bytes = text.toStdString();
    for (int row = 0; row < RowCount(); ++row) {
        const RowSlot& slot = Slot(row);
        const PaneRow* loose = Loose(slot);
        if (loose != nullptr ? loose->text == text : EntryText(slot) == bytes) {
            return row;
        }
    }
    return -1;
}

void CPaneModel::MarkLinkFolders(const QSet<QString>& rows)
{
    bool changed = false;
    for (RowSlot& slot : m_slots) {
        const bool folder = slot.isLink && rows.contains(SlotText(slot));
        changed = changed || folder != slot.linkToFolder;
        slot.linkToFolder = folder;
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
    const RowSlot& slot = Slot(index.row());
    if (role == kRowTextRole) {
        return SlotText(slot);
    }
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        switch (column) {
        case kName:
            if (!m_bDetailed) {
                // The list shows the row texts; a link is marked as ls -F marks it.
                return slot.isLink ? SlotText(slot) + QLatin1Char('@') : SlotText(slot);
            }
            return SlotName(slot);
        case kSize:
            // A link to a folder is a folder here: the link's own length means nothing.
            return slot.size >= 0 && !slot.linkToFolder ? GroupedSize(slot.size) : QString();
        case kDate:
            return DateText(index.row());
        case kAttributes:
            return Permissions(index.row());
        default:
            return {};
        }
    case Qt::DecorationRole:
        if (column != kName || !m_bDetailed) {
            return {};
        }
        if (slot.linkToFolder) {
            return m_dirLinkIcon;
        }
        switch (slot.kind) {
        case PaneRow::Kind::Parent:
            return m_parentIcon;
        case PaneRow::Kind::Directory:
            return slot.isLink ? m_dirLinkIcon : m_dirIcon;
        case PaneRow::Kind::File:
            break;
        }
        return slot.isLink ? m_fileLinkIcon : m_fileIcon;
    case Qt::ToolTipRole: {
        // The whole name, which the column may show shortened in the middle.
        QString tip = column == kName && m_bDetailed && slot.kind != PaneRow::Kind::Parent
                          ? SlotName(slot)
                          : QString();
        if (slot.isLink) {
            const PaneRow* loose = Loose(slot);
            const QString target = loose != nullptr ? loose->linkTarget
                                                    : FromUtf8(m_listing->LinkTarget(slot.source));
            const QString link =
                (slot.linkToFolder ? QStringLiteral("フォルダへのシンボリックリンク")
                                   : QStringLiteral("シンボリックリンク")) +
                (target.isEmpty() ? QString() : QStringLiteral(" → ") + target);
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

// The list's order: case is ignored first (the case-folded names, compared as code points),
// then decides ties.
bool CPaneModel::TextBefore(const RowSlot& a, const RowSlot& b) const
{
    const std::string_view keys(m_keys);
    const int folded =
        keys.substr(a.keyBegin, a.keyLength).compare(keys.substr(b.keyBegin, b.keyLength));
    if (folded != 0) {
        return folded < 0;
    }
    if (a.source >= 0 && b.source >= 0) {
        return EntryText(a) < EntryText(b);
    }
    return SlotText(a) < SlotText(b);
}

int CPaneModel::ComparePermissions(const RowSlot& a, const RowSlot& b) const
{
    if (a.source >= 0 && b.source >= 0) {
        return m_listing->Permissions(a.source).compare(m_listing->Permissions(b.source));
    }
    const auto text = [this](const RowSlot& slot) {
        const PaneRow* loose = Loose(slot);
        return loose != nullptr ? loose->permissions : FromUtf8(m_listing->Permissions(slot.source));
    };
    return QString::compare(text(a), text(b));
}

namespace {

int KindRank(PaneRow::Kind kind, bool linkToFolder)
{
    if (linkToFolder) {
        return 1;
    }
    switch (kind) {
    case PaneRow::Kind::Parent:
        return 0;
    case PaneRow::Kind::Directory:
        return 1;
    case PaneRow::Kind::File:
        break;
    }
    return 2;
}

} // namespace

bool CPaneModel::Before(const RowSlot& a, const RowSlot& b) const
{
    if (!m_bDetailed) {
        return TextBefore(a, b);
    }
    // ".." on top and directories before files, whichever way the column runs.
    const int rankA = KindRank(a.kind, a.linkToFolder);
    const int rankB = KindRank(b.kind, b.linkToFolder);
    if (rankA != rankB) {
        return rankA < rankB;
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
        if (const int compared = ComparePermissions(a, b); compared != 0) {
            return ordered(compared < 0, compared > 0);
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
    if (m_bDetailed && m_nSortColumn == kDate) {
        MakeDateKeys();
    }
    std::stable_sort(m_order.begin(), m_order.end(), [this](int a, int b) {
        return Before(m_slots[static_cast<std::size_t>(a)], m_slots[static_cast<std::size_t>(b)]);
    });
}

void CPaneModel::sort(int column, Qt::SortOrder order)
{
    m_nSortColumn = column >= 0 && column < kColumnCount ? column : static_cast<int>(kName);
    m_sortOrder = order;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // Sort the row numbers, then move the persistent indexes (selection, current row) along.
    const std::vector<int> before = m_order;
    SortRows();
    std::vector<int> rowOfSlot(m_slots.size());
    for (std::size_t at = 0; at < m_order.size(); ++at) {
        rowOfSlot[static_cast<std::size_t>(m_order[at])] = static_cast<int>(at);
    }
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& index : from) {
        const int slot = before[static_cast<std::size_t>(index.row())];
        to << this->index(rowOfSlot[static_cast<std::size_t>(slot)], index.column());
    }
    changePersistentIndexList(from, to);
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
        rows << Text(row);
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
