// CSettingPage3: the options page "FTP 拡張": passive mode, LIST instead of NLST, the time
// limit of every network wait and the encoding of the server's texts.
#pragma once

#include "gui/dialogs/propertypage.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace tarnwick {

class CSettingPage3 : public CPropertyPage {
    Q_OBJECT

public:
    explicit CSettingPage3(QWidget* parent = nullptr);

    // UsePASV, UseLIST, TimeoutSeconds (60 when missing), ServerEncoding (the locale's
    // charset when empty; a stored name outside the choices is kept as a choice of its own)
    // and QueueConnections (2 when missing).
    void Load() override;
    // UsePASV, then UseLIST, then TimeoutSeconds, ServerEncoding and QueueConnections.
    void Store() override;
    // A chosen encoding that iconv does not know (a name stored by hand) is refused; empty,
    // the locale's charset, is not.
    [[nodiscard]] QString Refusal() const override;

private:
    QCheckBox* m_pUsePasv = nullptr;
    QCheckBox* m_pUseList = nullptr;
    QSpinBox* m_pTimeout = nullptr;
    QSpinBox* m_pQueueConnections = nullptr;
    QComboBox* m_pEncoding = nullptr;
};

} // namespace tarnwick
