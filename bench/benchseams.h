// What the window benchmarks put in place of a user: every question answered yes, every
// dialog closed at once.
#pragma once

#include "ui/seams/dialogrunner.h"
#include "ui/seams/prompt.h"

namespace tarnwick::bench {

class CYesPrompt : public CPrompt {
public:
    void Message(const QString&) override {}
    bool Ask(const QString&) override { return true; }
};

class CNoDialogs : public CDialogRunner {
public:
    int Run(QDialog&) override { return QDialog::Rejected; }
};

} // namespace tarnwick::bench
