#include "ftp/transport/stream.h"

#include <vector>

#include "ftp/transport/socket.h"

namespace tarnwick {

IoResult WaitForStreams(std::span<StreamWait> waits, const CDeadline& deadline,
                        const WaitPolicy& policy)
{
    bool anyReady = false;
    for (StreamWait& wait : waits) {
        wait.ready = 0;
        if ((wait.events & POLLIN) != 0 && wait.stream->Pending() > 0) {
            wait.ready = POLLIN;
            anyReady = true;
        }
    }
    if (anyReady) {
        return IoResult::Ok;
    }
    pollfd fds[4];
    std::vector<pollfd> more;
    pollfd* begin = fds;
    if (waits.size() > std::size(fds)) {
        more.resize(waits.size());
        begin = more.data();
    }
    for (std::size_t i = 0; i < waits.size(); ++i) {
        begin[i] = pollfd{waits[i].stream->Socket().Fd(), waits[i].stream->EventsFor(waits[i].events),
                          0};
    }
    const IoResult waited = WaitForAny(std::span(begin, waits.size()), deadline, policy);
    if (waited != IoResult::Ok) {
        return waited;
    }
    for (std::size_t i = 0; i < waits.size(); ++i) {
        // An error or hang-up shows in the operation the caller tries next.
        if (begin[i].revents != 0) {
            waits[i].ready = waits[i].events;
        }
    }
    return IoResult::Ok;
}

IoResult SendAll(CStream& stream, std::string_view data, const WaitPolicy& policy)
{
    if (!stream.Socket().IsOpen()) {
        return IoResult::Error;
    }
    CDeadline idle(policy);
    while (!data.empty()) {
        const long n = stream.Write(data);
        if (n < 0) {
            return IoResult::Error;
        }
        if (n > 0) {
            data.remove_prefix(static_cast<std::size_t>(n));
            idle.Restart();
            continue;
        }
        StreamWait wait{&stream, POLLOUT, 0};
        if (const IoResult waited = WaitForStreams(std::span(&wait, 1), idle, policy);
            waited != IoResult::Ok) {
            return waited;
        }
    }
    return IoResult::Ok;
}

} // namespace tarnwick
