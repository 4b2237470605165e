#include "ftp/ftpclient.h"

#include "core/textcodec.h"
#include "ftp/replyrule.h"

namespace tarnwick {

namespace {

// What ReadReply gives when there is no connection: no digits, no quotation mark.
const std::string kNoReply = "\x01";
const std::string kClosedMidReply = "GetResponce nRead=0 Error";

} // namespace

CFtpClient::CFtpClient() : m_strEncoding(DefaultServerEncoding()) {}

CFtpClient::~CFtpClient() = default;

void CFtpClient::DropControl()
{
    m_pControl.reset();
    m_bConnected = false;
    m_inbuf.clear();
}

bool CFtpClient::Connect(const std::string& host, unsigned port)
{
    DropControl();
    m_listMode = ListMode::Unknown; // a new server may answer listings differently
    m_pControl = std::make_unique<CSocket>();
    const IoResult result =
        port > 0 && port <= 65535
            ? m_pControl->Connect(host, static_cast<std::uint16_t>(port), Policy())
            : IoResult::Error;
    if (result == IoResult::NoSocket) {
        m_nReplyCode = kCodeSocketCreate;
    }
    m_bConnected = result == IoResult::Ok;
    ReadReply(); // reads nothing when the connect failed
    if (m_nReplyCode != 220 || !m_bReplyComplete) {
        m_bConnected = false;
    }
    return IsConnected();
}

bool CFtpClient::Quit()
{
    if (m_pControl == nullptr) {
        return false;
    }
    if (!m_bConnected) {
        return true;
    }
    if (!Exchange("QUIT", 221)) {
        return false;
    }
    DropControl();
    return true;
}

bool CFtpClient::SendCommand(const std::string& command)
{
    if (!IsConnected()) {
        return true;
    }
    if (command.empty()) {
        return false;
    }
    std::string line = command;
    if (line.size() < 2 || line.compare(line.size() - 2, 2, "\r\n") != 0) {
        line += "\r\n";
    }
    // A CR, LF or NUL inside a name would end the line early and smuggle in a second command.
    if (line.find_first_of(std::string("\r\n\0", 3)) != line.size() - 2) {
        return false;
    }
    std::string encoded;
    if (!EncodeText(line, m_strEncoding, encoded)) {
        return false;
    }
    const IoResult result = m_pControl->SendAll(encoded, Policy());
    if (result == IoResult::TimedOut || result == IoResult::Cancelled) {
        DropControl();
    }
    return result == IoResult::Ok;
}

CFtpClient::LineStatus CFtpClient::NextLine(std::string& line, const CDeadline& deadline)
{
    std::size_t scanned = 0;
    for (;;) {
        const std::size_t lf = m_inbuf.find('\n', scanned);
        if (lf != std::string::npos) {
            if (lf + 1 > kMaxReplyLine) {
                return LineStatus::Failed;
            }
            line.assign(m_inbuf, 0, lf + 1);
            m_inbuf.erase(0, lf + 1);
            return LineStatus::Ok;
        }
        scanned = m_inbuf.size();
        if (scanned > kMaxReplyLine) {
            return LineStatus::Failed;
        }
        char buffer[4096];
        bool wouldBlock = false;
        const long n = m_pControl->TryReceive(buffer, sizeof buffer, wouldBlock);
        if (n > 0) {
            m_inbuf.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n == 0) {
            return LineStatus::Closed;
        }
        if (!wouldBlock) {
            return LineStatus::Failed;
        }
        pollfd pfd{m_pControl->Fd(), POLLIN, 0};
        if (WaitForAny(std::span(&pfd, 1), deadline, m_pump) != IoResult::Ok) {
            return LineStatus::Failed;
        }
    }
}

std::string CFtpClient::ReadReply()
{
    if (!IsConnected()) {
        return kNoReply;
    }
    m_bReplyComplete = false;
    const CDeadline deadline(Policy());
    std::string reply;
    std::string firstLine;
    bool complete = false;
    while (!complete) {
        std::string line;
        const LineStatus status = NextLine(line, deadline);
        if (status == LineStatus::Closed) {
            return kClosedMidReply;
        }
        if (status == LineStatus::Failed || reply.size() + line.size() > kMaxReply) {
            // Time-out, socket error or an endless reply: keep what was complete and close,
            // since the stream can no longer be trusted to be in step.
            DropControl();
            break;
        }
        reply += line;
        if (firstLine.empty()) {
            firstLine = line;
            complete = !OpensMultiLineReply(firstLine);
        } else {
            complete = ClosesMultiLineReply(line, firstLine);
        }
    }
    m_nReplyCode = ParseReplyCode(reply);
    m_strReply = DecodeText(reply, m_strEncoding);
    m_bReplyComplete = complete;
    return m_strReply;
}

bool CFtpClient::Exchange(const std::string& command, int expected)
{
    m_bReplyComplete = false;
    const bool sent = SendCommand(command);
    ReadReply();
    return sent && m_bReplyComplete && m_nReplyCode == expected;
}

} // namespace tarnwick
