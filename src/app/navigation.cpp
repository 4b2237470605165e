// Moving through directories by double-clicking rows: ".." goes up one level, a row in angle
// brackets enters that directory. The path fields are read first, so a typed path is the
// base of the move.
#include "app/maindlg.h"
#include "app/panelist.h"
#include "app/rowtext.h"
#include "files/localpane.h"
#include "files/pathjoin.h"
#include "files/remotepane.h"

namespace tarnwick {

namespace {

const std::string kRoot = "/";
const std::string kParentRow = "..";

// The text of the row the caret is on; other selected rows play no part.
std::string CurrentRowText(const CPaneList& list)
{
    const QListWidgetItem* item = list.currentItem();
    return item ? item->text().toStdString() : std::string();
}

bool OpensSomething(const std::string& row)
{
    return IsDirectoryRow(row) || row == kParentRow;
}

// The text before the last "/" (empty when there is none).
std::string ParentOf(const std::string& dir)
{
    const std::size_t slash = dir.rfind('/');
    return slash == std::string::npos ? std::string() : dir.substr(0, slash);
}

} // namespace

void CMainDlg::LocalRowDoubleClicked()
{
    if (OpensSomething(CurrentRowText(*m_localList))) {
        OpenLocalItem();
    }
}

void CMainDlg::RemoteRowDoubleClicked()
{
    // A file row shows no wait text either.
    if (OpensSomething(CurrentRowText(*m_remoteList))) {
        OpenRemoteItem();
    }
}

void CMainDlg::OpenLocalItem()
{
    ReadFields();
    const std::string row = CurrentRowText(*m_localList);
    if (row == kParentRow) {
        ReadFields();
        m_strLocalDir = ParentOf(m_strLocalDir);
        if (m_strLocalDir.empty()) {
            m_strLocalDir = kRoot;
            // The empty text lists the root, without a ".." row.
            static_cast<void>(RefreshLocalPane(*m_localList, std::string()));
        } else {
            static_cast<void>(RefreshLocalPane(*m_localList, m_strLocalDir));
        }
    } else if (IsDirectoryRow(row)) {
        m_strLocalDir = JoinPath(m_strLocalDir, DirectoryRowName(row));
        // A directory that cannot be listed still becomes the field's text.
        static_cast<void>(RefreshLocalPane(*m_localList, m_strLocalDir));
    } else {
        return;
    }
    ShowTexts();
}

void CMainDlg::OpenRemoteItem()
{
    ReadFields();
    const std::string row = CurrentRowText(*m_remoteList);
    ShowWaitMessage(QStringLiteral("ファイルリスト取得中です。\nしばらくお待ちください..."));
    // The results of the directory changes are not examined: the pane lists wherever the
    // server is, the field shows the text computed here.
    if (row == kParentRow) {
        m_strRemoteDir = ParentOf(m_strRemoteDir);
        if (m_strRemoteDir.empty()) {
            m_strRemoteDir = kRoot;
            static_cast<void>(m_engine.ChangeDir(kRoot));
        } else {
            static_cast<void>(m_engine.ChangeDir(".."));
            m_strRemoteDir = m_engine.GetCurrentDir();
        }
    } else if (IsDirectoryRow(row)) {
        const std::string name = DirectoryRowName(row);
        m_strRemoteDir = JoinPath(m_strRemoteDir, name);
        static_cast<void>(m_engine.ChangeDir(name));
    } else {
        return;
    }
    RefreshRemotePane(*m_remoteList, m_strRemoteDir, m_engine, m_remoteFiles);
    ShowTexts();
}

} // namespace tarnwick
