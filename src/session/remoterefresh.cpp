#include "session/remoterefresh.h"

#include "files/remotepane.h"
#include "ftp/ftpclient.h"

namespace tarnwick {

bool ListIntoPane(CPaneRows& pane, const std::string& remoteDir, CFtpClient& engine,
                  CRemoteFileList& list, int* skipped)
{
    std::string listing;
    const bool ok = engine.ListDirectory(remoteDir, listing);
    if (!ok && engine.GetLastOutcome().reason == FailureReason::TooLarge) {
        return false; // the pane keeps what it showed; a part of a listing would mislead
    }
    // A failure still shows what arrived.
    const int unknown = FillRemotePane(pane, listing, list,
                                       engine.LastListingIsMlsd() ? ListingFormat::MlsdFacts
                                                                  : ListingFormat::LongLines);
    if (skipped != nullptr) {
        *skipped = unknown;
    }
    return ok;
}

bool RefreshRemotePane(CPaneRows& pane, const std::string& remoteDir, CFtpClient& engine,
                       CRemoteFileList& list)
{
    static_cast<void>(ListIntoPane(pane, remoteDir, engine, list));
    return true;
}

} // namespace tarnwick
