// Whether dial-up can work on this machine: the saved network connections can be listed.
#pragma once

#include <string>
#include <vector>

namespace tarnwick {

class CDialUpBackend;

// True when the backend lists its saved connections (into `names` when given). Otherwise
// `why` says in one line what is missing.
[[nodiscard]] bool DialUpAvailable(CDialUpBackend& backend, std::string& why,
                                   std::vector<std::string>* names = nullptr);

} // namespace tarnwick
