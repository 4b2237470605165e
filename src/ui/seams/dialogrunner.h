// How a command runs one of its modal dialogs (connect, create directory, attributes,
// options). The desktop runs the dialog's own loop; tests fill the dialog's fields and answer
// it without entering any loop.
#pragma once

class QDialog;

namespace tarnwick {

class CDialogRunner {
public:
    virtual ~CDialogRunner() = default;
    // Runs `dialog` to its end and returns its result: QDialog::Accepted or Rejected. An
    // accepted dialog has been through its accept(), so whatever it stores there is stored.
    virtual int Run(QDialog& dialog) = 0;
};

} // namespace tarnwick
