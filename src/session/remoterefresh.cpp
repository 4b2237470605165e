#include "session/remoterefresh.h"

#include "files/remotepane.h"
#include "ftp/ftpclient.h"

namespace tarnwick {

bool ListIntoPane(CPaneRows& pane, const std::string& remoteDir, CFtpClient& engine,
                  CRemoteFileList& list)
{
    std::string listing;
    const bool ok = engine.ListDirectory(remoteDir, listing);
    if (!ok && engine.GetLastOutcome().reason == FailureReason::TooLarge) {
        return false; // the pane keeps what it showed; a part of a listing would mislead
    }
    FillRemotePane(pane, listing, list); // a failure still shows what arrived
    return ok;
}

bool RefreshRemotePane(CPaneRows& pane, const std::string& remoteDir, CFtpClient& engine,
                       CRemoteFileList& list)
{
    static_cast<void>(ListIntoPane(pane, remoteDir, engine, list));
    return true;
}

} // namespace tarnwick
