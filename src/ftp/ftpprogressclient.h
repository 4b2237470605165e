// CFtpProgressClient: the engine the main window holds. It shows each transfer's progress
// through a sink that the front end provides: "準備中です" while the transfer is prepared,
// the name with the running count while it moves, "更新中です" after a successful end.
#pragma once

#include "ftp/ftpclient.h"
#include "ftp/progresssink.h"

namespace tarnwick {

class CFtpProgressClient : public CFtpClient {
public:
    // The sink that shows transfer progress; none shows nothing. Not owned.
    void SetProgressSink(CProgressSink* sink) { m_pProgress = sink; }

    // "...<last 15 characters of the name>\n<moved>/<size>".
    [[nodiscard]] static std::string ProgressText(const std::string& remoteName, std::int64_t moved,
                                                  std::int64_t size);

protected:
    void OnTransferBegin(const TransferRequest& request) override;
    void OnTransferProgress(const TransferRequest& request, std::int64_t moved) override;
    void OnTransferEnd(const TransferRequest& request, const TransferOutcome& outcome) override;

private:
    CProgressSink* m_pProgress = nullptr;
};

} // namespace tarnwick
