// Moving through directories by double-clicking rows: ".." goes up one level, a row in angle
// brackets enters that directory. The path fields are read first, so a typed path is the
// base of the move.
#include "app/maindlg.h"
#include "app/panelist.h"
#include "files/rowtext.h"
#include "files/localpane.h"
#include "files/pathjoin.h"

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
        m_strLocalDir = ParentDir(m_strLocalDir);
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
    if (m_pSession->OpenRemoteRow(CurrentRowText(*m_remoteList))) {
        ShowTexts();
    }
}

} // namespace tarnwick
