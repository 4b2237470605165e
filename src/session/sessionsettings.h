// CSessionSettings: the options the session acts on. The window reads them from the settings
// store at the moment each is needed (CStoredSettings); tarnwick-cli without a profile gives
// fixed ones and never reads or creates the settings file (CFixedSettings).
#pragma once

#include <string>

#include "ftp/ftpclient.h"

namespace tarnwick {

class CSessionSettings {
public:
    virtual ~CSessionSettings() = default;
    // Passive or active, listing command, time limit, server encoding: read at every connect.
    [[nodiscard]] virtual FtpConnectOptions ConnectOptions() = 0;
    // Ask before a transfer replaces an existing file.
    [[nodiscard]] virtual bool CheckOverwrite() = 0;
    // Choose text or binary per file from the ending of its name; otherwise the engine's type
    // stays as it is.
    [[nodiscard]] virtual bool AutoTransferMode() = 0;
    // The blank-separated name endings that go in text mode.
    [[nodiscard]] virtual std::string TextModeList() = 0;
    // Bring a saved network connection up before connecting (and down at disconnect).
    [[nodiscard]] virtual bool UseAutoDialUp() = 0;
    [[nodiscard]] virtual std::string AutoDialUpName() = 0;
    // The fingerprint of the certificate the user chose to trust always for the server;
    // empty when none.
    [[nodiscard]] virtual std::string TrustedFingerprint(const std::string& host, unsigned port)
    {
        static_cast<void>(host);
        static_cast<void>(port);
        return std::string();
    }
    // Remembers that certificate; nothing where nothing may be stored.
    virtual void TrustAlways(const std::string& host, unsigned port, const std::string& fingerprint)
    {
        static_cast<void>(host);
        static_cast<void>(port);
        static_cast<void>(fingerprint);
    }
};

} // namespace tarnwick
