// CFtpProgressClient: the engine the main window holds. It reads the data-connection mode,
// the time limit and the server encoding from the settings each time it connects, and shows
// transfer progress through a sink that the GUI provides.
#pragma once

#include "ftp/ftpclient.h"

namespace tarnwick {

class CFtpProgressClient : public CFtpClient {
public:
    bool Connect(const std::string& host, unsigned port) override;
};

} // namespace tarnwick
