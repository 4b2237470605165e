// CDesktopTrash: deleted local files go to the desktop's trash (the freedesktop.org trash that
// file managers show), from where the user can take them back.
#pragma once

#include "session/localtrash.h"

namespace tarnwick {

class CDesktopTrash : public CLocalTrash {
public:
    bool MoveToTrash(const std::string& path, std::string& why) override;
};

} // namespace tarnwick
