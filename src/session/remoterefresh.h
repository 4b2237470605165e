// Filling the remote pane from the server: the listing of the server's current directory
// becomes the entry list and the pane's rows.
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

// The same, telling whether the listing succeeded; `skipped` (when given) receives how many
// lines of the listing were of no known form and make no row.
[[nodiscard]] bool ListIntoPane(CPaneRows& pane, const std::string& remoteDir, CFtpClient& engine,
                                CRemoteFileList& list, int* skipped = nullptr);

} // namespace tarnwick
