// Moving through directories: a double-clicked (or Enter on a) ".." row goes up one level, a
// row in angle brackets enters that directory, Backspace goes up, Enter in a path field goes
// to the folder typed, F5 lists both panes again. A pane whose field was edited since its
// rows were listed shows the field's folder before anything acts on its rows.
#include <QLineEdit>

#include "app/window/maindlg.h"
#include "ui/widgets/panelist.h"
#include "files/localpane.h"
#include "files/pathjoin.h"
#include "files/rowtext.h"

namespace tarnwick {

namespace {

const std::string kRoot = "/";
const std::string kParentRow = "..";

} // namespace

bool CMainDlg::ShowsFieldFolder(int pane)
{
    const bool local = pane == 1;
    CPaneList* list = local ? m_localList : m_remoteList;
    const std::string typed = local ? m_strLocalDir : m_strRemoteDir;
    if (typed == list->ListedDir()) {
        return true;
    }
    // The rows on screen belong to another folder than the one the command would act in:
    // act on nothing, show the folder the field names, and say so.
    std::string& dir = local ? m_strLocalDir : m_strRemoteDir;
    dir = list->ListedDir();
    const bool moved = local ? m_pSession->ChangeLocalDir(typed) : m_pSession->ChangeRemoteDir(typed);
    list->clearSelection();
    if (moved) {
        SetStatusText(QStringLiteral("パス欄のフォルダー %1 を表示しました。ファイルを選び直してください")
                          .arg(QString::fromStdString(dir)));
    }
    ShowTexts();
    return false;
}

void CMainDlg::OpenLocalItem()
{
    OpenLocalRow(m_localList->CurrentRowText());
}

void CMainDlg::OpenRemoteItem()
{
    OpenRemoteRow(m_remoteList->CurrentRowText());
}

void CMainDlg::OpenLocalRow(const std::string& row)
{
    if (row != kParentRow && !IsDirectoryRow(row)) {
        return; // a file row does nothing
    }
    ReadFields();
    if (!ShowsFieldFolder(1)) {
        return;
    }
    if (row == kParentRow) {
        m_strLocalDir = ParentDir(m_strLocalDir);
        if (m_strLocalDir.empty()) {
            m_strLocalDir = kRoot;
            // The empty text lists the root, without a ".." row.
            static_cast<void>(RefreshLocalPane(*m_localList, std::string()));
        } else {
            static_cast<void>(RefreshLocalPane(*m_localList, m_strLocalDir));
        }
    } else {
        m_strLocalDir = JoinPath(m_strLocalDir, DirectoryRowName(row));
        // A directory that cannot be listed still becomes the field's text.
        static_cast<void>(RefreshLocalPane(*m_localList, m_strLocalDir));
    }
    ShowTexts();
}

void CMainDlg::OpenRemoteRow(const std::string& row)
{
    // A file row shows no wait text and sends nothing; a link row may be a directory.
    if (row != kParentRow && !IsDirectoryRow(row) && !m_pSession->IsLinkRow(row)) {
        return;
    }
    ReadFields();
    if (!ShowsFieldFolder(0)) {
        return;
    }
    if (m_pSession->OpenRemoteRow(row)) {
        ShowTexts();
    }
}

void CMainDlg::GoToParent()
{
    if (m_nActivePane == 1) {
        // The root has no parent row, and no parent.
        if (m_localList->FindRow(QString::fromStdString(kParentRow)) >= 0) {
            OpenLocalRow(kParentRow);
        }
    } else if (m_engine.IsConnected()) {
        OpenRemoteRow(kParentRow);
    }
}

void CMainDlg::LocalFieldEntered()
{
    const std::string typed = m_editLocalDir->text().toStdString();
    m_strLocalDir = m_localList->ListedDir();
    static_cast<void>(m_pSession->ChangeLocalDir(typed));
    ShowTexts();
}

void CMainDlg::RemoteFieldEntered()
{
    const std::string typed = m_editRemoteDir->text().toStdString();
    m_strRemoteDir = m_remoteList->ListedDir();
    static_cast<void>(m_pSession->ChangeRemoteDir(typed));
    ShowTexts();
}

void CMainDlg::RefreshPanes()
{
    // The folders on screen, listed again; an edited field goes back to its folder.
    m_strLocalDir = m_localList->ListedDir();
    static_cast<void>(m_pSession->RefreshLocal());
    m_strRemoteDir = m_remoteList->ListedDir();
    if (m_engine.IsConnected()) {
        m_pSession->RefreshRemote();
    }
    ShowTexts();
}

void CMainDlg::SelectAllRows()
{
    ActiveList()->SelectAllRows();
}

} // namespace tarnwick
