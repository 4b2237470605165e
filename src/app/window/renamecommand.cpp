// Renaming the item under the caret of the active pane (F2, 名前の変更).
#include "app/window/maindlg.h"
#include "ui/widgets/panelist.h"
#include <QLineEdit>

#include "files/rowtext.h"
#include "gui/dialogs/renamedlg.h"
#include "session/commandtexts.h"
#include "ui/seams/dialogrunner.h"

namespace tarnwick {

void CMainDlg::RenameCommand()
{
    const bool local = m_nActivePane == 1;
    CPaneList* list = local ? m_localList : m_remoteList;
    // The caret row, whether or not it is selected: one item is renamed at a time.
    const std::string row = list->CurrentRowText();
    if (row.empty() || IsSelfOrParentRow(row)) {
        return;
    }
    ReadFields();
    if (!ShowsFieldFolder(local ? 1 : 0)) {
        return;
    }
    const bool directory = IsDirectoryRow(row);
    CRenameDlg dialog(local ? QStringLiteral("ローカル") : QStringLiteral("リモート"),
                      directory ? DirectoryRowName(row) : row, this);
    if (m_runner.Run(dialog) != QDialog::Accepted) {
        return;
    }
    const std::string name = dialog.GetName();
    const bool renamed =
        local ? m_pSession->RenameLocalRow(row, name) : m_pSession->RenameRemoteRow(row, name);
    ShowTexts();
    if (!renamed) {
        return;
    }
    // The pane was listed again: the caret goes to the item under its new name.
    const int found = list->FindRow(QString::fromStdString(directory ? "<" + name + ">" : name));
    if (found >= 0) {
        list->SetCurrentRow(found, QItemSelectionModel::ClearAndSelect);
        list->scrollTo(list->model()->index(found, 0));
    }
}

} // namespace tarnwick
