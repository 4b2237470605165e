#include "ftp/ftpprogressclient.h"

#include "settings/settings.h"

namespace tarnwick {

bool CFtpProgressClient::Connect(const std::string& host, unsigned port)
{
    m_bPassive = GetSettingFlag("UsePASV");
    SetTimeout(std::chrono::seconds(GetTimeoutSeconds()));
    SetServerEncoding(GetServerEncodingSetting());
    return CFtpClient::Connect(host, port);
}

} // namespace tarnwick
