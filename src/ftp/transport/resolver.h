// Host-name resolution bounded like every other wait. getaddrinfo() has no time limit of its
// own and blocks the thread (an unanswering name server costs 20 s and more), so a name is
// resolved on a short-lived thread of its own while the caller waits in poll slices, pumping
// and checking its cancel token. A lookup given up on finishes in the background and its
// answer is dropped. Numeric addresses need no lookup and no thread.
#pragma once

#include <sys/socket.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ftp/transport/wait.h"

namespace tarnwick {

struct ResolvedAddress {
    sockaddr_storage address{};
    socklen_t length = 0;
};

// Resolves `host` for the numeric `service` into `addresses`, in the order to try them: 0, or
// an EAI_* code. Blocks; runs on the resolver thread, so it must not touch the caller's state.
using ResolveFn = std::function<int(const std::string& host, const std::string& service,
                                    std::vector<ResolvedAddress>& addresses)>;

// The system's resolver (getaddrinfo), for stream sockets of either family.
int SystemResolve(const std::string& host, const std::string& service,
                  std::vector<ResolvedAddress>& addresses);

// Fills `addresses` for host:port. Ok, Unresolved (no address), TimedOut or Cancelled (the
// policy's limit or token), or Error (no thread could be started). `resolver` replaces the
// system's when given.
[[nodiscard]] IoResult ResolveHost(const std::string& host, std::uint16_t port,
                                   const CDeadline& deadline, const WaitPolicy& policy,
                                   const ResolveFn& resolver,
                                   std::vector<ResolvedAddress>& addresses);

} // namespace tarnwick
