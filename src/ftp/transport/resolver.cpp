#include "ftp/transport/resolver.h"

#include <fcntl.h>
#include <netdb.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "core/filedescriptor.h"

namespace tarnwick {

namespace {

struct AddrInfoDeleter {
    void operator()(addrinfo* info) const { ::freeaddrinfo(info); }
};

int Lookup(const std::string& host, const std::string& service, int flags,
           std::vector<ResolvedAddress>& addresses)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = flags;
    addrinfo* raw = nullptr;
    const int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &raw);
    if (rc != 0) {
        return rc;
    }
    const std::unique_ptr<addrinfo, AddrInfoDeleter> list(raw);
    addresses.clear();
    for (const addrinfo* ai = list.get(); ai != nullptr; ai = ai->ai_next) {
        if (ai->ai_addrlen > sizeof(sockaddr_storage)) {
            continue;
        }
        ResolvedAddress entry;
        std::memcpy(&entry.address, ai->ai_addr, ai->ai_addrlen);
        entry.length = ai->ai_addrlen;
        addresses.push_back(entry);
    }
    return addresses.empty() ? EAI_NONAME : 0;
}

// What the resolver thread and the waiting caller share; whichever leaves last frees it.
struct ResolveJob {
    std::mutex mutex;
    bool done = false;
    int rc = EAI_FAIL;
    std::vector<ResolvedAddress> addresses;
    CFd wakeRead;  // readable once the thread has answered
    CFd wakeWrite;
};

} // namespace

int SystemResolve(const std::string& host, const std::string& service,
                  std::vector<ResolvedAddress>& addresses)
{
    int rc = Lookup(host, service, AI_ADDRCONFIG | AI_NUMERICSERV, addresses);
    if (rc != 0) {
        // AI_ADDRCONFIG hides loopback-only families on a machine without other addresses.
        rc = Lookup(host, service, AI_NUMERICSERV, addresses);
    }
    return rc;
}

IoResult ResolveHost(const std::string& host, std::uint16_t port, const CDeadline& deadline,
                     const WaitPolicy& policy, const ResolveFn& resolver,
                     std::vector<ResolvedAddress>& addresses)
{
    const std::string service = std::to_string(port);
    // A numeric address is answered at once, without a thread.
    if (Lookup(host, service, AI_NUMERICHOST | AI_NUMERICSERV, addresses) == 0) {
        return IoResult::Ok;
    }
    if (host.empty()) {
        return IoResult::Unresolved;
    }
    auto job = std::make_shared<ResolveJob>();
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        return IoResult::Error;
    }
    job->wakeRead.Reset(fds[0]);
    job->wakeWrite.Reset(fds[1]);
    ResolveFn resolve = resolver ? resolver : ResolveFn(SystemResolve);
    try {
        std::thread([job, resolve, host, service] {
            std::vector<ResolvedAddress> found;
            const int rc = resolve(host, service, found);
            {
                const std::lock_guard lock(job->mutex);
                job->rc = rc;
                job->addresses = std::move(found);
                job->done = true;
            }
            const char wake = 1;
            static_cast<void>(::write(job->wakeWrite.Get(), &wake, 1));
        }).detach();
    } catch (const std::system_error&) {
        return IoResult::Error;
    }
    pollfd pfd{job->wakeRead.Get(), POLLIN, 0};
    for (;;) {
        {
            const std::lock_guard lock(job->mutex);
            if (job->done) {
                if (job->rc != 0 || job->addresses.empty()) {
                    return IoResult::Unresolved;
                }
                addresses = std::move(job->addresses);
                return IoResult::Ok;
            }
        }
        if (const IoResult waited = WaitForAny(std::span(&pfd, 1), deadline, policy);
            waited != IoResult::Ok) {
            return waited;
        }
    }
}

} // namespace tarnwick
