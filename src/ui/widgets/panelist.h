// CPaneList: one pane of the main window, a sorted view of rows with extended multiple
// selection: a plain list in the narrow window, a details view in the wide one. The pane
// refreshers write to it through CPaneRows; the rows they add reach the view together, once
// the refresh is over, so a folder of 20,000 entries is sorted and laid out once.
//
// The pane remembers the folder its rows were listed from (the directory text bound to it,
// as it was when the rows were reset), so a command can tell when the path field names
// another folder than the one on screen.
//
// Keys: Enter opens the current row, Backspace goes up, Ctrl+A selects every row but "..".
// Rows dragged onto the other pane, and files dropped from a file manager, are announced by
// signals; the window decides what they do.
#pragma once

#include <QItemSelectionModel>
#include <QSet>
#include <QStringList>
#include <QTreeView>

#include <functional>
#include <string>
#include <vector>

#include "ui/widgets/panemodel.h"
#include "files/panerows.h"

namespace tarnwick {

class CPaneList : public QTreeView, public CPaneRows {
    Q_OBJECT

public:
    // `pane`: 1 for the local pane, 0 for the remote one.
    explicit CPaneList(int pane, QWidget* parent = nullptr);

    void ResetContent() override;
    // The row goes to its sorted place: case is ignored first, then decides ties.
    void AddString(const std::string& text) override;
    // Puts the rows added since the last reset into the view now. It happens by itself when
    // the event loop runs; every accessor below does it first.
    void Flush() const;

    // The row texts from top to bottom.
    [[nodiscard]] QStringList Rows() const;
    [[nodiscard]] int count() const;
    [[nodiscard]] QString RowText(int row) const;
    // The row whose text is exactly `text`, or -1.
    [[nodiscard]] int FindRow(const QString& text) const;
    // The text of the row the caret is on (empty when none).
    [[nodiscard]] std::string CurrentRowText() const;
    // The texts of the selected rows, top to bottom.
    [[nodiscard]] std::vector<std::string> SelectedRowTexts() const;
    [[nodiscard]] bool IsRowSelected(int row) const;
    void SetRowSelected(int row, bool selected);
    // Moves the caret to `row` and changes the selection as `flags` say.
    void SetCurrentRow(int row, QItemSelectionModel::SelectionFlags flags);
    [[nodiscard]] QRect RowRect(int row) const;
    // Selects every row but "..", the way a file manager's "select all" does.
    void SelectAllRows();
    [[nodiscard]] int RowHeight() const { return m_nRowHeight; }
    [[nodiscard]] PaneRow RowData(int row) const;

    // The directory text whose value at each reset is the folder the rows come from.
    void BindDirectory(const std::string* dir) { m_pBoundDir = dir; }
    [[nodiscard]] const std::string& ListedDir() const { return m_strListedDir; }
    // The listing the remote pane's rows come from: a row whose text is an entry's is shown
    // from the entry itself. The pane is emptied (ResetContent) before the listing is, as the
    // listing's fill does.
    void SetListingSource(const CRemoteFileList* listing) { m_pListing = listing; }
    // Fills in sizes, dates and permissions of rows about to be shown that have no entry.
    void SetDetailsSource(std::function<void(std::vector<PaneRow>&)> source)
    {
        m_detailsSource = std::move(source);
    }
    // The details view (header and every column) or the plain list. The name column takes
    // the width the others leave: they are as wide as their contents, and a pane too narrow
    // for all of them drops 属性, then 更新日時. Long names are shortened in the middle.
    void SetDetailed(bool detailed);
    // The link rows that lead to folders (the rows' texts): shown and sorted as folders until
    // the pane is emptied again.
    void SetLinkFolders(const QStringList& rows);
    [[nodiscard]] bool IsDetailed() const { return m_pModel->IsDetailed(); }
    [[nodiscard]] int Pane() const { return m_nPane; }

signals:
    // Enter on a row.
    void openRequested();
    // Backspace.
    void parentRequested();
    // Rows of the other pane (`fromPane`) were dropped here.
    void rowsDropped(int fromPane);
    // Files from outside the program were dropped here (local paths).
    void filesDropped(const QStringList& paths);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // True when the drag carries something this pane takes.
    [[nodiscard]] bool Takes(const QMimeData* data) const;
    [[nodiscard]] QStringList DroppedFiles(const QMimeData* data) const;
    void UpdateRowHeight();
    // The size, date and attribute columns as wide as their widest text (or caption).
    void FitColumns() const;
    // Which of them show: those that leave the name column room enough.
    void ArrangeColumns() const;

    int m_nPane;
    CPaneModel* m_pModel;
    mutable std::vector<PaneRow> m_pending;
    mutable std::vector<int> m_pendingEntries;
    int m_nNextEntry = 0;
    const CRemoteFileList* m_pListing = nullptr;
    mutable bool m_bResetPending = false;
    mutable bool m_bFlushQueued = false;
    const std::string* m_pBoundDir = nullptr;
    std::string m_strListedDir;
    std::function<void(std::vector<PaneRow>&)> m_detailsSource;
    int m_nRowHeight = 20;
    QSet<QString> m_linkFolders;
    // The widths FitColumns measured, by column.
    mutable int m_columnWidths[CPaneModel::kColumnCount] = {};
};

} // namespace tarnwick
