// Filling the local pane from a directory of this computer's file system.
#pragma once

#include <string>

#include "files/panerows.h"

namespace tarnwick {

// Replaces the pane's rows with the entries of `dir`: ".." first unless `dir` is the root ("/"
// or the empty text, which also stands for the root), then "<name>" for each directory and
// the bare name for everything else, hidden entries included. False when the directory
// cannot be opened for enumeration; the pane then holds only ".." (nothing at the root).
[[nodiscard]] bool RefreshLocalPane(CPaneRows& pane, const std::string& dir);

} // namespace tarnwick
