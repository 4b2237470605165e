// CExecDialogRunner: runs each dialog in its own modal loop.
#pragma once

#include <QDialog>

#include "ui/seams/dialogrunner.h"

namespace tarnwick {

class CExecDialogRunner : public CDialogRunner {
public:
    int Run(QDialog& dialog) override { return dialog.exec(); }
};

} // namespace tarnwick
