#include "session/remoterefresh.h"

#include "files/remotepane.h"
#include "ftp/ftpclient.h"

namespace tarnwick {

bool ListIntoPane(CPaneRows& pane, const std::string& remoteDir, CFtpClient& engine,
                  CRemoteFileList& list)
{
    std::string listing;
    const bool ok = engine.ListDirectory(remoteDir, listing);
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
