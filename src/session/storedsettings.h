// CStoredSettings: every option read from the settings store when it is needed, never cached.
#pragma once

#include "session/sessionsettings.h"

namespace tarnwick {

class CStoredSettings : public CSessionSettings {
public:
    // UsePASV, UseLIST, TimeoutSeconds and ServerEncoding.
    FtpConnectOptions ConnectOptions() override;
    bool CheckOverwrite() override;
    bool AutoTransferMode() override;
    // AutoTransferModeList (empty when missing: every file then goes in binary mode).
    std::string TextModeList() override;
    bool UseAutoDialUp() override;
    std::string AutoDialUpName() override;
};

} // namespace tarnwick
