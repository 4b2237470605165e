// CStoredSettings: every option read from the settings store when it is needed, never cached.
#pragma once

#include <string>

#include "session/sessionsettings.h"

namespace tarnwick {

class CStoredSettings : public CSessionSettings {
public:
    // UsePASV, UseLIST, TimeoutSeconds and ServerEncoding.
    FtpConnectOptions ConnectOptions() override;
    bool CheckOverwrite() override;
    bool AutoTransferMode() override;
    // AutoTransferModeList; on a fresh store the list the options page shows.
    std::string TextModeList() override;
    bool UseAutoDialUp() override;
    std::string AutoDialUpName() override;
    std::string TrustedFingerprint(const std::string& host, unsigned port) override;
    void TrustAlways(const std::string& host, unsigned port, const std::string& fingerprint) override;
};

// AutoTransferModeList, or the default list ("txt html htm cgi pl") when none is stored; a
// list the user stored, even an empty one, is taken as it is.
[[nodiscard]] std::string StoredTextModeList();

} // namespace tarnwick
