// Filling the remote pane from the server: the listing of the server's current directory
// becomes the entry list and the pane's rows.
#pragma once

#include <string>

#include "files/listingreader.h"
#include "files/panerows.h"
#include "files/remotefilelist.h"
#include "ftp/transferrequest.h"

namespace tarnwick {

class CFtpClient;

// Lists the server's current directory and refills `pane` and `list` from whatever text the
// listing gave (a failed listing leaves only the ".." row). Always true.
bool RefreshRemotePane(CPaneRows& pane, const std::string& remoteDir, CFtpClient& engine,
                       CRemoteFileList& list);

// The same, answering with the listing's outcome; `skipped` (when given) receives how many
// lines of the listing were of no known form and make no row.
[[nodiscard]] TransferOutcome ListIntoPane(CPaneRows& pane, const std::string& remoteDir,
                                           CFtpClient& engine, CRemoteFileList& list,
                                           int* skipped = nullptr);

// Lists the server's current directory into `reader` while the text arrives, so the listing
// is never held whole: each entry reaches the reader's handler as soon as its line is in.
// The reader is reset for the form the server answered in (MLSD facts or long lines). A
// failed listing has given what arrived; one over the size limit fails with TooLarge after
// its first part was given.
[[nodiscard]] TransferOutcome StreamListing(const std::string& remoteDir, CFtpClient& engine,
                                            CListingReader& reader);

} // namespace tarnwick
