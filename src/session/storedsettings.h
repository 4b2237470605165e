// CStoredSettings: every option read from the settings store when it is needed, never cached.
#pragma once

#include <string>

#include "session/sessionsettings.h"

namespace tarnwick {

class CStoredSettings : public CSessionSettings {
public:
    // UsePASV, UseLIST, TimeoutSeconds and ServerEncoding.
    FtpConnectOptions ConnectOptions() override;
    // Set on a fresh store.
    bool CheckOverwrite() override;
    bool AutoTransferMode() override;
    // AutoTransferModeList; on a fresh store the list the options page shows.
    std::string TextModeList() override;
    bool UseAutoDialUp() override;
    std::string AutoDialUpName() override;
    std::string TrustedFingerprint(const std::string& host, unsigned port) override;
    void TrustAlways(const std::string& host, unsigned port, const std::string& fingerprint) override;
};

} // namespace tarnwick
