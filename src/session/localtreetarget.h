// CLocalTreeTarget: the local folders a tree download writes into, made and opened one below
// the other from the descriptor of the folder above (mkdirat, openat with O_NOFOLLOW), so that
// a link standing where a folder of the tree should be (tree/d -> ../outside) is refused
// instead of written through. Only the folder the top is made in is opened by its path, as
// the user chose it.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/filedescriptor.h"

namespace tarnwick {

class CLocalTreeTarget {
public:
    // Makes `path` when it is missing and opens it. The first call opens the folder above it
    // by its path; every later `path` must lie in a folder entered before, in the order of a
    // walk (a folder before what is in it). 0, or an errno: ELOOP for a link where the folder
    // should be, ENOTDIR for a file there.
    [[nodiscard]] int Enter(const std::string& path);
    // Whether the file `path` may be written now: its folder is the last one entered and
    // still the one opened (not replaced since), and no link stands where the file goes.
    // 0, or an errno: ELOOP for a link.
    [[nodiscard]] int CheckFile(const std::string& path) const;

private:
    std::vector<std::pair<std::string, CFd>> m_chain; // the folders entered, outermost first
    bool m_bStarted = false;
};

} // namespace tarnwick
