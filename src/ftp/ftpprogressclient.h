// CFtpProgressClient: the engine the main window holds. It reads the data-connection mode,
// the time limit and the server encoding from the settings each time it connects, and shows
// transfer progress through a sink that the GUI provides.
#pragma once

#include "ftp/ftpclient.h"
#include "ftp/progresssink.h"

namespace tarnwick {

class CFtpProgressClient : public CFtpClient {
public:
    // Reads UsePASV, TimeoutSeconds and ServerEncoding, then connects.
    bool Connect(const std::string& host, unsigned port) override;

    // The sink that shows transfer progress; none shows nothing. Not owned.
    void SetProgressSink(CProgressSink* sink) { m_pProgress = sink; }

private:
    CProgressSink* m_pProgress = nullptr;
};

} // namespace tarnwick
