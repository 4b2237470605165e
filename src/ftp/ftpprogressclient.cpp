#include "ftp/ftpprogressclient.h"

#include "core/strutil.h"
#include "settings/settings.h"

namespace tarnwick {

namespace {

const std::string kPreparing = "準備中です\nしばらくお待ちください";
const std::string kUpdating = "更新中です\nしばらくお待ちください";

} // namespace

bool CFtpProgressClient::Connect(const std::string& host, unsigned port)
{
    m_bPassive = GetSettingFlag("UsePASV");
    SetUseList(GetSettingFlag("UseLIST"));
    SetTimeout(std::chrono::seconds(GetTimeoutSeconds()));
    SetServerEncoding(GetServerEncodingSetting());
    return CFtpClient::Connect(host, port);
}

std::string CFtpProgressClient::ProgressText(const std::string& remoteName, std::int64_t moved,
                                             std::int64_t size)
{
    return "..." + RightChars(remoteName, 15) + "\n" + std::to_string(moved) + "/" +
           std::to_string(size);
}

void CFtpProgressClient::OnTransferProgress(const std::string& remoteName, std::int64_t moved,
                                            bool /*final*/)
{
    if (m_pProgress != nullptr) {
        m_pProgress->Update(ProgressText(remoteName, moved, m_nFileSize), moved, m_nFileSize);
    }
}

template <typename Transfer> bool CFtpProgressClient::WithProgress(Transfer transfer)
{
    if (m_pProgress == nullptr) {
        return transfer();
    }
    m_pProgress->Begin(kPreparing);
    const bool ok = transfer();
    if (ok) {
        m_pProgress->Update(kUpdating, -1, -1);
    }
    m_pProgress->End();
    return ok;
}

bool CFtpProgressClient::Download(const std::string& remotePath, const std::string& localPath)
{
    return WithProgress([&] { return CFtpClient::Download(remotePath, localPath); });
}

bool CFtpProgressClient::Upload(const std::string& localPath, const std::string& remoteName)
{
    return WithProgress([&] { return CFtpClient::Upload(localPath, remoteName); });
}

} // namespace tarnwick
