// Changing the permission bits of the remote entry under the caret with SITE CHMOD.
#include "app/maindlg.h"
#include "app/panelist.h"
#include "app/rowtext.h"
#include "files/gui/attribdlg.h"
#include "files/remotepane.h"
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
    const std::string row = caret->text().toStdString();
    if (row == ".." || row == "." || row == "<..>" || row == "<.>") {
        return;
    }
    const int index = m_remoteFiles.FindByDisplayName(row);
    if (index < 0) {
        SetStatusText(QStringLiteral("指定されたファイルがリストにありません\r\n"));
        return;
    }
    CAttribDlg dialog(this);
    dialog.Preset(m_remoteFiles, index);
    const std::string displayName = m_remoteFiles.At(index).displayName;
    if (m_runner.Run(dialog) != QDialog::Accepted) {
        return;
    }
    // Relative to the server's current directory; a directory goes by its bare name.
    const std::string name =
        IsDirectoryRow(displayName) ? DirectoryRowName(displayName) : displayName;
    if (!m_engine.ChangeMode(name, dialog.GetModeText())) {
        SetStatusText(QStringLiteral("ChangeFileAttrib に失敗\r\n"));
        return;
    }
    // Whatever the server answered, a refusal included.
    SetStatusText(m_engine.GetLastReply());
    RefreshRemotePane(*m_remoteList, m_strRemoteDir, m_engine, m_remoteFiles);
}

} // namespace tarnwick
