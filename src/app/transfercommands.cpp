// Download and upload of the selected rows: the session moves the files one after another.
#include "app/maindlg.h"
#include "app/panelist.h"

namespace tarnwick {

std::vector<std::string> CMainDlg::SelectedRowTexts(const CPaneList& list)
{
    std::vector<std::string> rows;
    for (int row = 0; row < list.count(); ++row) {
        if (list.item(row)->isSelected()) {
            rows.push_back(list.item(row)->text().toStdString());
        }
    }
    return rows;
}

void CMainDlg::DownloadSelected()
{
    ReadFields();
    if (m_pSession->DownloadRows(SelectedRowTexts(*m_remoteList))) {
        ShowTexts();
    }
}

void CMainDlg::UploadSelected()
{
    ReadFields();
    if (m_pSession->UploadRows(SelectedRowTexts(*m_localList))) {
        ShowTexts();
    }
}

} // namespace tarnwick
