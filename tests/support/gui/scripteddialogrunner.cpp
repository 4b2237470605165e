#include "support/gui/scripteddialogrunner.h"

namespace tarnwick::testing {

int CScriptedDialogRunner::Run(QDialog& dialog)
{
    ran << (dialog.objectName().isEmpty() ? dialog.windowTitle() : dialog.objectName());
    // Modal as exec() makes it, so the window routes input to it as to a real dialog.
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    int result = QDialog::Rejected;
    if (answers.empty()) {
        ++unexpected;
    } else {
        const Answer answer = std::move(answers.front());
        answers.pop_front();
        result = answer(dialog);
    }
    if (!dialog.isVisible()) {
        return dialog.result();
    }
    if (result == QDialog::Accepted) {
        dialog.accept();
    } else {
        dialog.reject();
    }
    return dialog.result();
}

CScriptedDialogRunner::Answer CScriptedDialogRunner::Accept()
{
    return [](QDialog&) { return static_cast<int>(QDialog::Accepted); };
}

CScriptedDialogRunner::Answer CScriptedDialogRunner::Reject()
{
    return [](QDialog&) { return static_cast<int>(QDialog::Rejected); };
}

} // namespace tarnwick::testing
