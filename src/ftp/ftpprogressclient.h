// CFtpProgressClient: the engine the main window holds. It reads the data-connection mode,
// the listing command, the time limit and the server encoding from the settings each time it
// connects, and shows each transfer's progress through a sink that the GUI provides.
#pragma once

#include "ftp/ftpclient.h"
#include "ftp/progresssink.h"

namespace tarnwick {

class CFtpProgressClient : public CFtpClient {
public:
    // Reads UsePASV, UseLIST, TimeoutSeconds and ServerEncoding, then connects.
    bool Connect(const std::string& host, unsigned port) override;
    // As the plain engine's, with the progress shown from "準備中です" to "更新中です".
    bool Download(const std::string& remotePath, const std::string& localPath) override;
    bool Upload(const std::string& localPath, const std::string& remoteName) override;

    // The sink that shows transfer progress; none shows nothing. Not owned.
    void SetProgressSink(CProgressSink* sink) { m_pProgress = sink; }

    // "...<last 15 characters of the name>\n<moved>/<size>".
    [[nodiscard]] static std::string ProgressText(const std::string& remoteName, std::int64_t moved,
                                                  std::int64_t size);

protected:
    void OnTransferProgress(const std::string& remoteName, std::int64_t moved, bool final) override;

private:
    template <typename Transfer> bool WithProgress(Transfer transfer);

    CProgressSink* m_pProgress = nullptr;
};

} // namespace tarnwick
