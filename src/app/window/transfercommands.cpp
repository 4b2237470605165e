// Download and upload of the selected rows, and of rows or files dropped on a pane: the
// session moves the files one after another. A transfer reads one pane and writes into the
// other, so both must show the folders their fields name.
#include <QStringList>

#include "ui/widgets/arrowbutton.h"
#include "app/window/maindlg.h"
#include "ui/widgets/panelist.h"

namespace tarnwick {

bool CMainDlg::BothShowFieldFolders()
{
    // Both are checked, so both panes show their fields' folders afterwards.
    const bool remoteShown = ShowsFieldFolder(0);
    const bool localShown = ShowsFieldFolder(1);
    return remoteShown && localShown;
}

void CMainDlg::DownloadSelected()
{
    ReadFields();
    if (!BothShowFieldFolders()) {
        return;
    }
    if (m_pSession->DownloadRows(m_remoteList->SelectedRowTexts())) {
        ShowTexts();
    }
}

void CMainDlg::UploadSelected()
{
    ReadFields();
    if (!BothShowFieldFolders()) {
        return;
    }
    if (m_pSession->UploadRows(m_localList->SelectedRowTexts())) {
        ShowTexts();
    }
}

void CMainDlg::RowsDropped(int toPane, int fromPane)
{
    // The rows dragged are the selection of the pane they came from. Nothing moves while
    // disconnected, as with the buttons.
    if (fromPane == 0 && toPane == 1) {
        m_btnDownload->click();
    } else if (fromPane == 1 && toPane == 0) {
        m_btnUpload->click();
    }
}

void CMainDlg::FilesDropped(const QStringList& paths)
{
    if (!m_btnUpload->isEnabled() || paths.isEmpty()) {
        return;
    }
    m_droppedFiles.clear();
    for (const QString& path : paths) {
        m_droppedFiles.push_back(path.toStdString());
    }
    RunCommand(&CMainDlg::UploadDroppedFiles);
}

void CMainDlg::UploadDroppedFiles()
{
    const std::vector<std::string> paths = std::move(m_droppedFiles);
    m_droppedFiles.clear();
    ReadFields();
    if (!ShowsFieldFolder(0)) {
        return;
    }
    if (m_pSession->UploadPaths(paths)) {
        ShowTexts();
    }
}

} // namespace tarnwick
