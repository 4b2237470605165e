// The reply reader: any byte stream from a server is read reply by reply to its end, with
// codes from 0 to 999, and the engine never reads past what arrived.
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "ftp/ftpclient.h"

namespace {

// An engine whose control connection is one end of a socket pair.
class CFuzzClient : public tarnwick::CFtpClient {
public:
    explicit CFuzzClient(int fd)
    {
        m_pControl = std::make_unique<tarnwick::CSocket>(fd);
        m_bConnected = true;
        SetTimeout(std::chrono::milliseconds(200));
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 100000) {
        return 0; // more than a socket pair holds without a reader
    }
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
        return 0;
    }
    for (std::size_t sent = 0; sent < size;) {
        const ssize_t n = ::write(fds[1], data + sent, size - sent);
        if (n <= 0) {
            break;
        }
        sent += static_cast<std::size_t>(n);
    }
    ::close(fds[1]); // the server hangs up after its bytes
    ::fcntl(fds[0], F_SETFL, ::fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    CFuzzClient client(fds[0]);
    // Every reply takes at least one line, so the replies run out within size + 1 reads.
    for (std::size_t i = 0; i <= size + 1; ++i) {
        const std::string reply = client.ReadReply();
        if (client.GetReplyCode() < 0 || client.GetReplyCode() > 999) {
            std::abort();
        }
        if (reply == "\x01" || reply == "GetResponce nRead=0 Error") {
            return 0;
        }
    }
    std::abort(); // the reader never ended
}
