// Filling the remote pane from a listing text: the entry list (server order, then the end
// marker) and the pane's rows ("..", then one row per entry, directories in angle brackets).
#pragma once

#include <string>

#include "files/listingreader.h"
#include "files/panerows.h"
#include "files/remotefilelist.h"

namespace tarnwick {

// Replaces the rows and entries with those of `listing`. Every line is parsed, the last one
// too even without its line feed. A line of no known form makes no row; the result is how
// many there were, so the caller can say that some lines were not shown. Blank lines, the
// "total" summary, "." and ".." are not counted.
int FillRemotePane(CPaneRows& pane, const std::string& listing, CRemoteFileList& list,
                   ListingFormat format = ListingFormat::LongLines);

} // namespace tarnwick
