// Changing the permission bits of the remote entry under the caret with SITE CHMOD.
#include "app/maindlg.h"
#include "app/panelist.h"
#include "gui/attribdlg.h"
#include "ui/dialogrunner.h"

namespace tarnwick {

void CMainDlg::ChangeAttributesCommand()
{
    if (m_nActivePane == 1) {
        return; // no local variant
    }
    // The caret row, whether or not it is selected.
    const QListWidgetItem* caret = m_remoteList->currentItem();
    if (caret == nullptr) {
        return;
    }
    const int index = m_pSession->FindAttribEntry(caret->text().toStdString());
    if (index < 0) {
        return;
    }
    CAttribDlg dialog(this);
    dialog.Preset(m_remoteFiles, index);
    if (m_runner.Run(dialog) != QDialog::Accepted) {
        return;
    }
    m_pSession->ChangeAttributes(index, dialog.GetModeText());
}

} // namespace tarnwick
