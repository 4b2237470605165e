// CSettingPage1: the options page "操作": connecting at start-up, automatic transfer mode with
// its list of name endings, and the overwrite question.
#pragma once

#include "gui/dialogs/propertypage.h"

class QCheckBox;
class QLineEdit;

namespace tarnwick {

class CSettingPage1 : public CPropertyPage {
    Q_OBJECT

public:
    explicit CSettingPage1(QWidget* parent = nullptr);

    // The three flags; the list, or the default list when none is stored. The list field is
    // usable only while automatic mode is ticked.
    void Load() override;
    // ConnectDlgWithStartup, AutoTransferMode, AutoTransferModeList (the field as it stands,
    // disabled or empty), CheckOverwrite, in this order.
    void Store() override;

private:
    QCheckBox* m_pConnectAtStartup = nullptr;
    QCheckBox* m_pAutoMode = nullptr;
    QLineEdit* m_pExtensionList = nullptr;
    QCheckBox* m_pCheckOverwrite = nullptr;
};

} // namespace tarnwick
