// CScriptedDialogRunner: runs modal dialogs for tests without any event loop. Each Run shows
// the dialog (so code that loads on show runs), hands it to the next scripted answer, which
// fills its fields by object name and returns QDialog::Accepted or Rejected, and then ends the
// dialog through accept() or reject() unless the answer already closed it. Runs with no
// answer left are rejected and counted, so a test sees a dialog it did not expect.
#pragma once

#include <QDialog>
#include <QStringList>

#include <deque>
#include <functional>

#include "ui/seams/dialogrunner.h"

namespace tarnwick::testing {

class CScriptedDialogRunner : public CDialogRunner {
public:
    using Answer = std::function<int(QDialog&)>;

    int Run(QDialog& dialog) override;

    // An answer that only accepts or only rejects.
    static Answer Accept();
    static Answer Reject();

    std::deque<Answer> answers;
    // The object name (or, when it has none, the window title) of every dialog run.
    QStringList ran;
    int unexpected = 0;
};

} // namespace tarnwick::testing
