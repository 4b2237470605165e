// Changing the permission bits of the remote entry under the caret with SITE CHMOD.
#include "app/window/maindlg.h"
#include "ui/widgets/panelist.h"
#include <QLineEdit>

#include "gui/dialogs/attribdlg.h"
#include "ui/seams/dialogrunner.h"

namespace tarnwick {

void CMainDlg::ChangeAttributesCommand()
{
    if (m_nActivePane == 1) {
        return; // no local variant
    }
    // The caret row, whether or not it is selected.
    const std::string caret = m_remoteList->CurrentRowText();
    if (caret.empty()) {
        return;
    }
    // The field is not taken as the command's directory, but the row must be one of the
    // folder it names.
    if (m_editRemoteDir->text().toStdString() != m_remoteList->ListedDir()) {
        ReadFields();
        static_cast<void>(ShowsFieldFolder(0));
        return;
    }
    const int index = m_pSession->FindAttribEntry(caret);
    if (index < 0) {
        return;
    }
    // Where the listing gave no permissions the server is asked; when it cannot tell, no
    // dialog: its boxes would offer a mode made of nothing.
    std::string permissions;
    if (!m_pSession->AttribPermissions(index, permissions)) {
        return;
    }
    CAttribDlg dialog(this);
    dialog.Preset(m_remoteFiles, index, permissions);
    if (m_runner.Run(dialog) != QDialog::Accepted) {
        return;
    }
    m_pSession->ChangeAttributes(index, dialog.GetModeText());
}

} // namespace tarnwick
