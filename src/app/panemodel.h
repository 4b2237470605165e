// CPaneModel: the rows of one pane. Each row keeps its text as the file commands know it
// ("..", "<dir>", "name") and, for the details view, the size, date and permissions. In the
// narrow window a pane is a plain sorted list of those texts; in the wide window it is a
// details view with 名前, サイズ, 更新日時 and 属性, sortable by any of them, with ".." on top and
// directories before files.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QSet>
#include <QString>

#include <cstdint>
#include <vector>

namespace tarnwick {

// One row and what the details view shows of it.
struct PaneRow {
    enum class Kind { Parent, Directory, File };
    QString text;   // the row text ("..", "<name>", "name")
    QString name;   // the bare name
    QString folded; // `text` case-folded: the list's order
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

    // Replaces every row; they take the order of the present view.
    void SetRows(std::vector<PaneRow> rows);
    // Marks the link rows whose texts are in `rows` as links to folders, the others not.
    void MarkLinkFolders(const QSet<QString>& rows);
    [[nodiscard]] const PaneRow& Row(int row) const { return m_rows[static_cast<std::size_t>(row)]; }
    [[nodiscard]] int RowCount() const { return static_cast<int>(m_rows.size()); }

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
    // Orders m_rows as the present view wants them.
    void SortRows();
    [[nodiscard]] bool Before(const PaneRow& a, const PaneRow& b) const;

    int m_nPane;
    std::vector<PaneRow> m_rows;
    bool m_bDetailed = false;
    int m_nSortColumn = kName;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    QIcon m_dirIcon, m_fileIcon, m_dirLinkIcon, m_fileLinkIcon, m_parentIcon;
};

} // namespace tarnwick
