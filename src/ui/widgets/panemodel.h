// CPaneModel: the rows of one pane. Each row keeps its text as the file commands know it
// ("..", "<dir>", "name") and, for the details view, the size, date and permissions. In the
// narrow window a pane is a plain sorted list of those texts; in the wide window it is a
// details view with 名前, サイズ, 更新日時 and 属性, sortable by any of them, with ".." on top and
// directories before files.
//
// The remote pane's rows are the entries of the listing itself: the model holds the listing
// (its fixed records and one text block) and, per row, a small record of numbers; texts are
// made only for the rows a view asks about. Sorting orders row numbers, never the rows.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QSet>
#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

class CRemoteFileList;

// One row and what the details view shows of it: the local pane's rows, and a row of the
// remote pane that has no listing entry ("..").
struct PaneRow {
    enum class Kind { Parent, Directory, File };
    QString text;   // the row text ("..", "<name>", "name")
    QString name;   // the bare name
    Kind kind = Kind::File;
    bool isLink = false;
    // A link the server (or the file system) lets one enter: shown and sorted as a folder,
    // while its text stays the name the commands know.
    bool linkToFolder = false;
    std::int64_t size = -1; // -1: none shown (directories, unknown)
    QString dateText;
    std::int64_t dateKey = 0; // orders the dates; 0 when unknown
    QString permissions;
    QString linkTarget;

    // A row from its text alone; the details are filled in later.
    static PaneRow FromText(const QString& text);
};

class CPaneModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { kName, kSize, kDate, kAttributes, kColumnCount };
    // The row text, whatever the view shows.
    static constexpr int kRowTextRole = Qt::UserRole + 1;
    // The MIME type of rows dragged from a pane: the pane (1 local, 0 remote), then the texts.
    static constexpr const char* kRowsMimeType = "application/x-tarnwick-rows";

    explicit CPaneModel(int pane, QObject* parent = nullptr);

    // Replaces every row: `rows`, and the `entries` of `listing` (indexes into it). They take
    // the order of the present view.
    void SetRows(std::vector<PaneRow> rows, std::shared_ptr<const CRemoteFileList> listing = {},
                 const std::vector<int>& entries = {});
    // Marks the link rows whose texts are in `rows` as links to folders, the others not.
    void MarkLinkFolders(const QSet<QString>& rows);
    [[nodiscard]] int RowCount() const { return static_cast<int>(m_order.size()); }

    // What row `row` (in the view's order) holds.
    [[nodiscard]] QString Text(int row) const;
    [[nodiscard]] PaneRow::Kind Kind(int row) const { return Slot(row).kind; }
    [[nodiscard]] std::int64_t Size(int row) const { return Slot(row).size; }
    [[nodiscard]] QString DateText(int row) const;
    [[nodiscard]] QString Permissions(int row) const;
    // The lengths of those two texts, without making them (the widths are measured on the
    // longest).
    [[nodiscard]] qsizetype DateLength(int row) const;
    [[nodiscard]] qsizetype PermissionsLength(int row) const;
    // The whole row, made on request.
    [[nodiscard]] PaneRow RowData(int row) const;
    // The row whose text is exactly `text`, or -1.
    [[nodiscard]] int FindRow(const QString& text) const;

    // The details view (plain names with icons, every column, sorted by the chosen column;
    // the full name in the name's tooltip) or the plain list (row texts in text order).
    void SetDetailed(bool detailed);
    [[nodiscard]] bool IsDetailed() const { return m_bDetailed; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Keeps the selection and the current row where they were.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

    // Reads the rows dragged from a pane: false when `data` holds none.
    static bool ReadDraggedRows(const QMimeData& data, int& pane, QStringList& rows);

private:
    // A row: an entry of the listing (`source` >= 0) or m_rows[~source]. The numbers the
    // order needs are kept here; the name's case-folded form lies in m_keys.
    struct RowSlot {
        std::int64_t size = -1;
        std::int64_t dateKey = 0;
        std::uint32_t keyBegin = 0;
        std::uint32_t keyLength = 0;
        std::int32_t source = 0;
        PaneRow::Kind kind = PaneRow::Kind::File;
        bool isLink = false;
        bool linkToFolder = false;
    };

    [[nodiscard]] const RowSlot& Slot(int row) const
    {
        return m_slots[static_cast<std::size_t>(m_order[static_cast<std::size_t>(row)])];
    }
    [[nodiscard]] const PaneRow* Loose(const RowSlot& slot) const
    {
        return slot.source < 0 ? &m_rows[static_cast<std::size_t>(~slot.source)] : nullptr;
    }
    [[nodiscard]] std::string_view EntryText(const RowSlot& slot) const;
    [[nodiscard]] QString SlotText(const RowSlot& slot) const;
    [[nodiscard]] QString SlotName(const RowSlot& slot) const;
    void AddKey(RowSlot& slot, const QString& text);
    void AddKey(RowSlot& slot, std::string_view text);
    // The dates' order is worked out the first time a view sorts by date.
    void MakeDateKeys();
    // Orders m_order as the present view wants it.
    void SortRows();
    [[nodiscard]] bool TextBefore(const RowSlot& a, const RowSlot& b) const;
    [[nodiscard]] int ComparePermissions(const RowSlot& a, const RowSlot& b) const;
    [[nodiscard]] bool Before(const RowSlot& a, const RowSlot& b) const;

    int m_nPane;
    std::shared_ptr<const CRemoteFileList> m_listing;
    std::vector<PaneRow> m_rows;
    std::vector<RowSlot> m_slots;
    std::string m_keys;
    bool m_bDateKeys = true;
    // View row → slot.
    std::vector<int> m_order;
    bool m_bDetailed = false;
    int m_nSortColumn = kName;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    QIcon m_dirIcon, m_fileIcon, m_dirLinkIcon, m_fileLinkIcon, m_parentIcon;
};

} // namespace tarnwick
