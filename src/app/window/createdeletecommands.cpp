// Creating a directory and deleting the selected rows, on the side of the active pane.
#include "app/window/maindlg.h"
#include "ui/widgets/panelist.h"
#include "gui/dialogs/createdirdlg.h"
#include "ui/seams/dialogrunner.h"

namespace tarnwick {

void CMainDlg::CreateDirectoryCommand()
{
    if (m_nActivePane == 1) {
        CreateLocalDirectory();
    } else {
        CreateRemoteDirectory();
    }
}

void CMainDlg::DeleteCommand()
{
    if (m_nActivePane == 1) {
        DeleteLocalFiles();
    } else {
        DeleteRemoteFiles();
    }
}

std::string CMainDlg::AskDirectoryName(const char* prompt)
{
    CCreateDirDlg dialog(this);
    dialog.SetPrompt(QString::fromUtf8(prompt));
    if (m_runner.Run(dialog) != QDialog::Accepted) {
        return std::string();
    }
    return dialog.GetName();
}

void CMainDlg::CreateLocalDirectory()
{
    const std::string name =
        AskDirectoryName("ローカルの現在のディレクトリに\n以下の名のディレクトリを作成します");
    if (name.empty()) {
        return;
    }
    ReadFields();
    m_pSession->CreateLocalDirectory(name);
    ShowTexts();
}

void CMainDlg::CreateRemoteDirectory()
{
    const std::string name =
        AskDirectoryName("リモートの現在のディレクトリに\n以下の名のディレクトリを作成します");
    if (name.empty()) {
        return;
    }
    ReadFields();
    if (m_pSession->CreateRemoteDirectory(name)) {
        ShowTexts();
    }
}

void CMainDlg::DeleteLocalFiles()
{
    ReadFields();
    // Only files of the folder on screen are ever deleted.
    if (!ShowsFieldFolder(1)) {
        return;
    }
    if (m_pSession->DeleteLocalRows(m_localList->SelectedRowTexts())) {
        ShowTexts();
    }
}

void CMainDlg::DeleteRemoteFiles()
{
    ReadFields();
    if (!ShowsFieldFolder(0)) {
        return;
    }
    if (m_pSession->DeleteRemoteRows(m_remoteList->SelectedRowTexts())) {
        ShowTexts();
    }
}

} // namespace tarnwick
