// Data connections: preparing them in active (PORT) or passive (PASV) mode, and moving one
// transfer's data while the control connection is watched.
#include <sys/socket.h>

#include <vector>

#include "ftp/dataaddress.h"
#include "ftp/datastream.h"
#include "ftp/ftpclient.h"
#include "ftp/replyrule.h"

namespace tarnwick {

namespace {

// Data moves in pieces of this size; memory stays the same whatever the file size.
constexpr std::size_t kPieceSize = 256 * 1024;
// Progress is reported at most this often (and once at the end).
constexpr auto kProgressInterval = std::chrono::milliseconds(100);

} // namespace

bool CFtpClient::ParsePasvReply(const std::string& reply)
{
    return ParsePasvText(reply, m_strPasvHost, m_nPasvPort);
}

bool CFtpClient::ParseEpsvReply(const std::string& reply)
{
    return ParseEpsvText(reply, m_nPasvPort);
}

bool CFtpClient::PrepareDataConnection()
{
    return m_bPassive ? OpenPassiveData() : OpenActiveData();
}

bool CFtpClient::OpenActiveData()
{
    std::string address;
    std::uint16_t controlPort = 0;
    if (!IsConnected() || !m_pControl->LocalAddress(address, controlPort)) {
        return false;
    }
    // Listen on the address the server already reaches us at.
    const bool ipv6 = m_pControl->Family() == AF_INET6;
    const IoResult listened = m_listenSocket.Listen(address, 0, 5);
    if (listened == IoResult::NoSocket) {
        m_nReplyCode = kCodeSocketCreate;
        return false;
    }
    if (listened != IoResult::Ok) {
        m_nReplyCode = kCodeListenFailed;
        m_listenSocket.Close();
        return false;
    }
    std::string unused;
    std::uint16_t port = 0;
    if (!m_listenSocket.LocalAddress(unused, port)) {
        m_nReplyCode = kCodeListenPortUnreadable;
        m_listenSocket.Close();
        return false;
    }
    // A refused type command does not stop the transfer.
    SendCommand(m_strTypeCommand);
    ReadReply();
    const std::string command = ipv6 ? "EPRT " + FormatEprtArgument(address, port)
                                     : "PORT " + FormatPortArgument(address, port);
    if (!Exchange(command, 200)) {
        m_nReplyCode = kCodeDataCommandRefused;
        m_listenSocket.Close();
        return false;
    }
    return true;
}

bool CFtpClient::OpenPassiveData()
{
    if (!IsConnected()) {
        return false;
    }
    SendCommand(m_strTypeCommand);
    ReadReply();
    // PASV carries only IPv4 addresses; on an IPv6 connection ask for EPSV instead.
    const bool ipv6 = m_pControl->Family() == AF_INET6;
    const bool answered = ipv6 ? Exchange("EPSV", 229) && ParseEpsvReply(m_strReply)
                               : Exchange("PASV", 227) && ParsePasvReply(GetLastReply());
    std::uint16_t unused = 0;
    // The data connection goes to the control connection's peer, whatever address the reply
    // names: a server behind NAT announces an unreachable private address, and a hostile one
    // could aim the client at a third host.
    if (!answered || !m_pControl->PeerAddress(m_strDataHost, unused)) {
        m_nReplyCode = kCodeDataCommandRefused;
        m_listenSocket.Close();
        return false;
    }
    return true;
}

bool CFtpClient::AttachDataSocket(CSocket& data, int& reply, int& finalCode)
{
    reply = 0;
    finalCode = 0;
    if (m_bPassive) {
        const IoResult connected =
            data.Connect(m_strDataHost, static_cast<std::uint16_t>(m_nPasvPort), Policy());
        if (connected == IoResult::NoSocket) {
            m_listenSocket.Close();
            return false;
        }
        // A connect that failed leaves `data` closed: no data moves, and the replies that
        // follow tell why.
        return true;
    }

    // Active mode: the command's reply comes first; only a preliminary reply (150, or 125
    // as pyftpdlib sends) means the server will connect.
    ReadReply();
    if (!LastReplyComplete() || !IsPreliminaryReply(m_nReplyCode)) {
        reply = LastReplyComplete() ? m_nReplyCode : 0;
        m_listenSocket.Close();
        return false;
    }
    reply = m_nReplyCode;
    // While waiting for the server's connection, a final reply may come: a refusal (425 and
    // the like) means the connection will not come; a 2xx means a quick server has already
    // sent everything, and its connection waits to be accepted.
    const auto takeReply = [&]() {
        ReadReply();
        if (LastReplyComplete() && IsPreliminaryReply(m_nReplyCode)) {
            return true;
        }
        finalCode = LastReplyComplete() ? m_nReplyCode : 0;
        if (finalCode >= 200 && finalCode < 300) {
            return true;
        }
        reply = finalCode;
        m_listenSocket.Close();
        return false;
    };
    const CDeadline deadline(Policy());
    for (;;) {
        bool wouldBlock = false;
        if (m_listenSocket.TryAccept(data, wouldBlock)) {
            return true;
        }
        if (!wouldBlock) {
            break;
        }
        if (finalCode == 0 && ReplyLineBuffered()) {
            if (!takeReply()) {
                return false;
            }
            continue;
        }
        pollfd fds[2] = {{m_listenSocket.Fd(), POLLIN, 0}, {m_pControl->Fd(), POLLIN, 0}};
        const std::size_t watched = finalCode == 0 ? 2 : 1;
        if (WaitForAny(std::span(fds, watched), deadline, m_pump) != IoResult::Ok) {
            break;
        }
        if (watched == 2 && fds[1].revents != 0 && !takeReply()) {
            return false;
        }
    }
    m_nReplyCode = kCodeDataAcceptOrFile;
    data.Close();
    m_listenSocket.Close();
    return false;
}

void CFtpClient::OnTransferProgress(const std::string& /*remoteName*/, std::int64_t /*moved*/,
                                    bool /*final*/)
{
}

bool CFtpClient::TransferData(const std::string& command, CDataStream& stream, bool& refused,
                              const std::string& progressName)
{
    refused = false;
    if (!SendCommand(command) || !IsConnected()) {
        m_listenSocket.Close();
        return false;
    }
    CSocket data;
    int reply = 0;
    int finalCode = 0;
    if (!AttachDataSocket(data, reply, finalCode)) {
        refused = reply >= 400;
        return false;
    }
    bool preliminary = IsPreliminaryReply(reply);
    bool dataOk = data.IsOpen();
    const bool upload = stream.IsUpload();
    std::vector<char> buffer(kPieceSize);
    std::size_t pendingBegin = 0; // upload: bytes of `buffer` read but not yet sent
    std::size_t pendingEnd = 0;
    std::int64_t moved = 0;
    auto lastReport = std::chrono::steady_clock::now();
    CDeadline idle(Policy());

    // A reply on the control connection while the data moves: a preliminary one is noted;
    // a final one ends a refused or failed transfer at once (servers refuse RETR, STOR or
    // NLST and leave the passive data connection open), while a 2xx may come before the
    // last data has been read and lets the data run to its end.
    const auto takeReply = [&]() -> bool {
        ReadReply();
        if (!LastReplyComplete()) {
            return false;
        }
        if (IsPreliminaryReply(m_nReplyCode)) {
            preliminary = true;
        } else {
            finalCode = m_nReplyCode;
        }
        return finalCode == 0 || finalCode < 300;
    };

    while (dataOk) {
        if (finalCode == 0 && ReplyLineBuffered() && !takeReply()) {
            dataOk = false;
            break;
        }
        pollfd fds[2] = {{data.Fd(), static_cast<short>(upload ? POLLOUT : POLLIN), 0},
                         {IsConnected() ? m_pControl->Fd() : -1, POLLIN, 0}};
        const std::size_t watched = finalCode == 0 && IsConnected() ? 2 : 1;
        if (WaitForAny(std::span(fds, watched), idle, m_pump) != IoResult::Ok) {
            dataOk = false; // idle too long, cancelled, or poll failed
            break;
        }
        if (watched == 2 && fds[1].revents != 0) {
            if (!takeReply()) {
                dataOk = false;
                break;
            }
            continue;
        }
        if (fds[0].revents == 0) {
            continue;
        }
        if (upload) {
            if (pendingBegin == pendingEnd) {
                const long read = stream.Read(buffer.data(), buffer.size());
                if (read <= 0) {
                    dataOk = read == 0;
                    break; // the end of the file, or a local read failure
                }
                pendingBegin = 0;
                pendingEnd = static_cast<std::size_t>(read);
            }
            const long sent = data.TrySend(
                std::string_view(buffer.data() + pendingBegin, pendingEnd - pendingBegin));
            if (sent < 0) {
                dataOk = false;
                break;
            }
            pendingBegin += static_cast<std::size_t>(sent);
            moved += sent;
        } else {
            bool wouldBlock = false;
            const long received = data.TryReceive(buffer.data(), buffer.size(), wouldBlock);
            if (received == 0) {
                break; // the server closed the data connection: all data is here
            }
            if (received < 0) {
                dataOk = wouldBlock;
                continue;
            }
            if (!stream.Write(buffer.data(), static_cast<std::size_t>(received))) {
                dataOk = false;
                break;
            }
            moved += received;
        }
        idle.Restart();
        const auto now = std::chrono::steady_clock::now();
        if (now - lastReport >= kProgressInterval) {
            lastReport = now;
            if (!progressName.empty()) {
                OnTransferProgress(progressName, moved, false);
            }
            // Data that flows without pause never lets a poll slice expire: pump here too.
            if (m_pump && !m_pump()) {
                dataOk = false;
                break;
            }
        }
    }
    if (!upload && dataOk && !stream.Finish()) {
        dataOk = false;
    }
    // Closing ends the data stream for the server: the end of an upload, or an abort.
    data.Close();
    m_listenSocket.Close();
    if (!progressName.empty()) {
        OnTransferProgress(progressName, moved, true);
    }

    // The replies not yet read: the preliminary one (passive mode reads it only now), then
    // the final one. A refusal is the only reply; nothing more is waited for after it.
    if (finalCode == 0 && !preliminary && IsConnected()) {
        takeReply();
    }
    if (finalCode == 0 && preliminary && IsConnected()) {
        takeReply();
    }
    refused = !preliminary && finalCode >= 400;
    return dataOk && finalCode == 226;
}

} // namespace tarnwick
