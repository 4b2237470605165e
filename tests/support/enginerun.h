// Runs an engine against a scripted server: the server greets with 220 and plays `script`;
// the engine connects and `use` drives it; then the engine drops its connection (no QUIT) and
// the server's observations come back.
#pragma once

#include <functional>
#include <string>

#include "ftp/ftpclient.h"
#include "support/scriptedserver.h"

namespace tarnwick::testing {

struct ScriptOutcome {
    std::string failures;     // what went differently from the script, one line each
    std::string received;     // every control byte the client sent after connecting
    std::string dataReceived; // every byte the client sent on data connections
};

struct EngineOptions {
    bool passive = false;
    std::chrono::milliseconds timeout = std::chrono::seconds(3);
    // With TLS the script speaks its side of it (ExpectAuthTls, DataStartTls); the test's
    // certificate is accepted.
    TlsMode tls = TlsMode::None;
    std::string encoding = std::string(); // the connect options' (empty: the locale's)
};

// `engine` is used when given (it is left disconnected); otherwise a plain CFtpClient.
ScriptOutcome RunEngineScript(const std::function<void(CScriptSession&)>& script,
                              const std::function<void(CFtpClient&)>& use,
                              EngineOptions options = {}, CFtpClient* engine = nullptr);

} // namespace tarnwick::testing
