#include "gui/dialupavailability.h"

#include "dialup/dialupbackend.h"

namespace tarnwick {

bool DialUpAvailable(CDialUpBackend& backend, std::string& why, std::vector<std::string>* names)
{
    std::vector<std::string> listed;
    if (backend.ListEntries(listed)) {
        if (names != nullptr) {
            *names = std::move(listed);
        }
        return true;
    }
    why = "NetworkManager の接続一覧を取得できません (nmcli が見つからないか、"
          "NetworkManager が動いていません)";
    return false;
}

} // namespace tarnwick
