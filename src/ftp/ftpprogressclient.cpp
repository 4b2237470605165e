#include "ftp/ftpprogressclient.h"

#include <algorithm>

#include "core/strutil.h"

namespace tarnwick {

namespace {

const std::string kPreparing = "準備中です\nしばらくお待ちください";
const std::string kUpdating = "更新中です\nしばらくお待ちください";

} // namespace

std::string CFtpProgressClient::ProgressText(const std::string& remoteName, std::int64_t moved,
                                             std::int64_t size)
{
    return "..." + RightChars(remoteName, 15) + "\n" + std::to_string(moved) + "/" +
           std::to_string(size);
}

void CFtpProgressClient::OnTransferBegin(const TransferRequest& /*request*/)
{
    if (m_pProgress != nullptr) {
        m_pProgress->Begin(kPreparing);
    }
}

void CFtpProgressClient::OnTransferProgress(const TransferRequest& request, std::int64_t moved)
{
    if (m_pProgress != nullptr) {
        // An unknown size shows as 0, as a file with no entry in the listing always has.
        m_pProgress->Update(
            ProgressText(request.remotePath, moved, std::max<std::int64_t>(request.expectedSize, 0)),
            moved, request.expectedSize);
    }
}

void CFtpProgressClient::OnTransferEnd(const TransferRequest& /*request*/,
                                       const TransferOutcome& outcome)
{
    if (m_pProgress == nullptr) {
        return;
    }
    if (outcome.Ok()) {
        m_pProgress->Update(kUpdating, -1, -1);
    }
    m_pProgress->End();
}

} // namespace tarnwick
