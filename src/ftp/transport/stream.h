// CStream: one byte stream to the server, plain TCP (CSocket) or TLS (CTlsStream), as the
// engine reads, writes and waits on it. With TLS, "the descriptor is readable" is not "data is
// ready": decrypted bytes may wait inside the stream, and a read may need the descriptor to be
// writable first (a renegotiation or key update). Waits therefore go through the stream.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "ftp/transport/wait.h"

namespace tarnwick {

class CSocket;

class CStream {
public:
    virtual ~CStream() = default;

    // One read without waiting: bytes read, 0 at the end of the stream, -1 when nothing is
    // there yet (`wouldBlock` set) or on an error.
    virtual long Read(char* buffer, std::size_t capacity, bool& wouldBlock) = 0;
    // One write without waiting: bytes written, 0 when it would block, -1 on an error.
    virtual long Write(std::string_view data) = 0;
    // Bytes received and ready inside the stream: a read returns them without waiting.
    [[nodiscard]] virtual std::size_t Pending() const { return 0; }
    // The poll events that let an operation waiting for `wanted` go on.
    [[nodiscard]] virtual short EventsFor(short wanted) const { return wanted; }
    // Takes, without waiting, what the peer sent that no read asked for: TLS session tickets
    // on a stream that only writes. The stream's own waits are not changed. Anything else
    // that came is dropped.
    virtual void TakeUnasked() {}
    // A resumed TLS 1.3 data connection about to end after writing only: waits, within
    // `policy`, for the session ticket the server sends on it, which the next data connection
    // needs where each ticket serves once. False when none came in time.
    virtual bool AwaitTicket(const WaitPolicy& policy)
    {
        static_cast<void>(policy);
        return true;
    }
    // Ends the stream in order for the peer (TLS close_notify); the descriptor stays open.
    virtual IoResult Shutdown(const WaitPolicy& policy)
    {
        static_cast<void>(policy);
        return IoResult::Ok;
    }
    // True when the stream ended as its protocol says (TLS: with close_notify), so that an
    // end is the end of the data and not a cut connection. A plain stream cannot tell.
    [[nodiscard]] virtual bool EndedCleanly() const { return true; }
    // The errno of the last failed operation; 0 when none.
    [[nodiscard]] virtual int LastErrno() const = 0;
    // The TCP connection under the stream.
    virtual CSocket& Socket() = 0;
    [[nodiscard]] virtual const CSocket& Socket() const = 0;
};

// One stream to wait on and the events wanted of it; `ready` tells which came.
struct StreamWait {
    CStream* stream = nullptr;
    short events = 0;
    short ready = 0;
};

// Waits until one of the streams can go on with what it wants (data already inside a stream
// counts at once), in slices with the policy's pump and cancel token. Ok means at least one
// `ready` is set.
[[nodiscard]] IoResult WaitForStreams(std::span<StreamWait> waits, const CDeadline& deadline,
                                      const WaitPolicy& policy);

// Writes every byte; the limit counts time without progress.
[[nodiscard]] IoResult SendAll(CStream& stream, std::string_view data, const WaitPolicy& policy);

} // namespace tarnwick
