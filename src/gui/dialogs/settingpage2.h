// CSettingPage2: the options page "DialUp": whether to bring a saved network connection up
// before connecting (and down after disconnecting), and which one.
#pragma once

#include "gui/dialogs/propertypage.h"

class QCheckBox;
class QLabel;
class QListWidget;

namespace tarnwick {

class CDialUpBackend;

class CSettingPage2 : public CPropertyPage {
    Q_OBJECT

public:
    // The entries are listed from `backend`, which must outlive the page.
    explicit CSettingPage2(CDialUpBackend& backend, QWidget* parent = nullptr);

    // Lists the backend's entries sorted, then the flag and the stored entry selected (the
    // first entry when the stored one is gone). Without entries, or when they cannot be
    // listed, the list holds one line saying so, the flag is not read and its box cannot be
    // ticked, with a line saying why.
    void Load() override;
    // UseAutoDialUp, then AutoDialUpName when an entry is selected (even with the box clear).
    void Store() override;

private:
    CDialUpBackend& m_backend;
    QCheckBox* m_pUseDialUp = nullptr;
    QLabel* m_pReason = nullptr;
    QListWidget* m_pEntries = nullptr;
};

} // namespace tarnwick
