// The reply reader, against a plain statement of the multi-line rule: any byte stream from a
// server is read as the same replies, with the same codes, as the model below reads it, up to
// the caps on a line and on a reply. Inputs up to 2 MiB reach both caps (run with
// -max_len=2097152); a writer thread feeds the socket pair, since that much does not fit in
// its buffers.
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "ftp/ftpclient.h"
#include "fuzzsupport.h"

namespace {

using tarnwick::CFtpClient;
using tarnwick::fuzz::Check;
using tarnwick::fuzz::Fail;

// An engine whose control connection is one end of a socket pair.
class CFuzzClient : public CFtpClient {
public:
    explicit CFuzzClient(int fd)
    {
        m_pControl = std::make_unique<tarnwick::CSocket>(fd);
        m_bConnected = true;
        // The writer never stalls, so the limit only ends a reader that waits for bytes it
        // already has (and comes before libFuzzer's own limit of 25 s in fuzz/run.sh).
        SetTimeout(std::chrono::seconds(10));
        // One character per byte, so the decoded text shows exactly which bytes were taken.
        SetServerEncoding("ISO-8859-1");
    }
    using CFtpClient::LastReplyComplete;
};

// What one ReadReply should give.
struct ModelReply {
    enum class End { Whole, Closed, TooLong } end = End::Whole;
    std::string bytes; // the reply's lines; for TooLong those before the one that broke a cap
};

// The framing of RFC 959 replies, stated plainly. Lines end with LF. A first line whose fourth
// character is "-" opens a reply that ends at the first later line that starts with the same
// three characters followed by a blank or by the line end (LF or CR LF); any other first line
// is a reply of its own. A line longer than kMaxReplyLine (its LF included) or a line that
// would take the reply past kMaxReply fails the read; a stream that ends inside a line or
// between replies ends it.
class CReplyModel {
public:
    explicit CReplyModel(std::string_view stream) : m_stream(stream) {}

    ModelReply Next()
    {
        ModelReply reply;
        std::string_view first;
        // Each round takes one line of the stream or ends the reply.
        for (std::size_t round = 0; round <= m_stream.size(); ++round) {
            const std::size_t lf = m_stream.find('\n', m_pos);
            const std::size_t end = lf == std::string_view::npos ? m_stream.size() : lf + 1;
            const std::string_view line = m_stream.substr(m_pos, end - m_pos);
            if (line.size() > CFtpClient::kMaxReplyLine) {
                reply.end = ModelReply::End::TooLong;
                return reply;
            }
            if (lf == std::string_view::npos) {
                reply.end = ModelReply::End::Closed;
                return reply;
            }
            if (reply.bytes.size() + line.size() > CFtpClient::kMaxReply) {
                reply.end = ModelReply::End::TooLong;
                return reply;
            }
            reply.bytes += line;
            m_pos = end;
            if (first.empty()) {
                first = line;
                if (!(first.size() >= 4 && first[3] == '-')) {
                    return reply;
                }
            } else if (Closes(line, first)) {
                return reply;
            }
        }
        Fail("the model read more lines than the stream has");
    }

private:
    static bool Closes(std::string_view line, std::string_view first)
    {
        if (line.size() < 4 || line.substr(0, 3) != first.substr(0, 3)) {
            return false;
        }
        const std::string_view rest = line.substr(3);
        return rest.front() == ' ' || rest == "\n" || rest == "\r\n";
    }

    std::string_view m_stream;
    std::size_t m_pos = 0;
};

// The code of a reply: the first three characters, blanks skipped, read as digits up to the
// first other character; none gives 0.
int ModelCode(std::string_view bytes)
{
    std::string_view head = bytes.substr(0, 3);
    while (!head.empty() && (head.front() == ' ' || head.front() == '\t' || head.front() == '\r' ||
                             head.front() == '\n')) {
        head.remove_prefix(1);
    }
    int code = 0;
    for (std::size_t i = 0; i < head.size() && head[i] >= '0' && head[i] <= '9'; ++i) {
        code = code * 10 + (head[i] - '0');
    }
    return code;
}

std::string Latin1ToUtf8(std::string_view bytes)
{
    std::string out;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

// Reads the stream with the engine and the model side by side.
void CompareReplies(CFuzzClient& client, std::string_view stream)
{
    CReplyModel model(stream);
    int lastCode = 0;
    // Every reply but the last takes at least one LF, so the model ends within size + 1 replies.
    for (std::size_t i = 0; i <= stream.size() + 1; ++i) {
        const ModelReply expected = model.Next();
        const std::string got = client.ReadReply();
        Check(client.GetReplyCode() >= 0 && client.GetReplyCode() <= 999, "a code past 999");
        Check(client.GetControlLoss() != tarnwick::FailureReason::TimedOut,
              "the reader waited for bytes that had arrived");
        switch (expected.end) {
        case ModelReply::End::Whole:
            Check(client.IsConnected() && client.LastReplyComplete(), "a whole reply not read");
            Check(got == Latin1ToUtf8(expected.bytes), "a reply framed differently");
            Check(client.GetReplyCode() == ModelCode(expected.bytes), "another reply code");
            lastCode = client.GetReplyCode();
            break;
        case ModelReply::End::Closed:
            Check(!client.IsConnected() && got == "GetResponce nRead=0 Error",
                  "the end of the stream not read as a close");
            Check(client.GetReplyCode() == lastCode, "a close changed the last code");
            return;
        case ModelReply::End::TooLong:
            Check(!client.IsConnected() && !client.LastReplyComplete(),
                  "a reply past a cap read as whole");
            Check(got == Latin1ToUtf8(expected.bytes), "a reply past a cap kept other lines");
            Check(client.GetReplyCode() == ModelCode(expected.bytes),
                  "another code for a reply past a cap");
            return;
        }
    }
    Fail("the replies never ended");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
        return 0;
    }
    // The server: writes its bytes, then hangs up. It stops early when the engine has closed
    // its end (after a reply past a cap).
    std::thread server([fd = fds[1], data, size] {
        std::size_t sent = 0;
        // Each round sends at least one byte or is an interrupted call, which is rare.
        for (std::size_t round = 0; sent < size && round <= size + 64; ++round) {
            const ssize_t n = ::send(fd, data + sent, size - sent, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                break;
            }
            sent += static_cast<std::size_t>(n);
        }
        ::close(fd);
    });
    ::fcntl(fds[0], F_SETFL, ::fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    {
        CFuzzClient client(fds[0]);
        CompareReplies(client, std::string_view(reinterpret_cast<const char*>(data), size));
        // Once the connection is gone nothing more is read.
        Check(client.ReadReply() == "\x01", "a read after the end");
    } // closes the engine's end, so a server still writing stops
    server.join();
    return 0;
}
