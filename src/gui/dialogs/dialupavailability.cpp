#include "gui/dialogs/dialupavailability.h"

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
    // One line, also on the options page.
    why = "NetworkManager (nmcli) が使えません";
    return false;
}

} // namespace tarnwick
