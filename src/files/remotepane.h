// Filling the remote pane: the listing of the server's current directory becomes the entry
// list (server order, then the end marker) and the pane's rows ("..", then one row per entry,
// directories in angle brackets).
#pragma once

#include <string>

#include "files/panerows.h"
#include "files/remotefilelist.h"

namespace tarnwick {

class CFtpClient;

// Lists the server's current directory and refills `pane` and `list` from whatever text the
// listing gave (a failed listing leaves only the ".." row). Always true.
bool RefreshRemotePane(CPaneRows& pane, const std::string& remoteDir, CFtpClient& engine,
                       CRemoteFileList& list);

// The same from a listing text already fetched. Every line is parsed, the last one too even
// without its line feed.
void FillRemotePane(CPaneRows& pane, const std::string& listing, CRemoteFileList& list);

} // namespace tarnwick
