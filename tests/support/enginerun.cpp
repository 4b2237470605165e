#include "support/enginerun.h"

#include <gtest/gtest.h>

#include <memory>

namespace tarnwick::testing {

namespace {

// Exposes the engine's way of dropping its connection without QUIT.
class CDropper : public CFtpClient {
public:
    static void Drop(CFtpClient& engine)
    {
        (engine.*(&CDropper::DropControl))(FailureReason::None, 0);
    }
};

} // namespace

ScriptOutcome RunEngineScript(const std::function<void(CScriptSession&)>& script,
                              const std::function<void(CFtpClient&)>& use, EngineOptions options,
                              CFtpClient* engine)
{
    CScriptedFtpServer server([&script](CScriptSession& s) {
        s.Send("220 Ready\r\n");
        script(s);
        s.WaitClosed();
    });
    {
        std::unique_ptr<CFtpClient> own;
        if (engine == nullptr) {
            own = std::make_unique<CFtpClient>();
            engine = own.get();
        }
        FtpConnectOptions connect;
        connect.timeout = options.timeout;
        connect.passive = options.passive;
        connect.tls = options.tls;
        connect.encoding = options.encoding;
        connect.trust = [](const CertificateInfo&) { return true; };
        if (engine->Connect("127.0.0.1", server.Port(), connect)) {
            engine->SetPassive(options.passive);
            use(*engine);
        } else {
            ADD_FAILURE() << "connect failed";
        }
        CDropper::Drop(*engine);
    }
    ScriptOutcome outcome;
    for (const std::string& failure : server.Finish()) {
        outcome.failures += failure + "\n";
    }
    outcome.received = server.Received();
    outcome.dataReceived = server.DataReceived();
    return outcome;
}

} // namespace tarnwick::testing
