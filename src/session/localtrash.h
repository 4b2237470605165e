// CLocalTrash: where local files go when the user deletes them. The window moves them to the
// desktop's trash (freedesktop.org), from where they can be taken back; a front end without
// one deletes for good.
#pragma once

#include <string>

namespace tarnwick {

class CLocalTrash {
public:
    virtual ~CLocalTrash() = default;
    // Moves `path` (a file, a link, or a folder with everything in it) to the trash. False,
    // with `why` set, when it cannot go there (no trash on its file system, for example).
    virtual bool MoveToTrash(const std::string& path, std::string& why) = 0;
};

} // namespace tarnwick
