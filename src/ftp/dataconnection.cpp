// Data connections: preparing them in active (PORT) or passive (PASV) mode, and one transfer
// over one of them in three steps: open the channel, move the data while the control
// connection is watched, finish (or abort) and read the replies.
#include <sys/socket.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "core/strutil.h"
#include "ftp/dataaddress.h"
#include "ftp/datastream.h"
#include "ftp/ftpclient.h"
#include "ftp/replyrule.h"
#include "ftp/transport/tlscontext.h"
#include "ftp/transport/tlsstream.h"

namespace tarnwick {

namespace {

// Data moves in pieces of this size; memory stays the same whatever the file size.
constexpr std::size_t kPieceSize = 256 * 1024;
// Progress is reported at most this often (and once at the end).
constexpr auto kProgressInterval = std::chrono::milliseconds(100);

} // namespace

// One data connection and the replies of the command that opened it.
struct CFtpClient::DataChannel {
    CSocket socket;                  // while it is being made
    std::unique_ptr<CStream> stream; // once it is made: the socket itself, or TLS over it
    bool opened = false;      // the data connection was made
    bool preliminary = false; // a 1xx reply came
    bool foreignCertificate = false; // the data connection's TLS showed another certificate
    int finalCode = 0;        // the final reply, once read
    std::int64_t announced = -1;
    std::int64_t moved = 0;
};

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
    if (!IsConnected() || !m_pControl->Socket().LocalAddress(address, controlPort)) {
        return false;
    }
    // Listen on the address the server already reaches us at.
    const bool ipv6 = m_pControl->Socket().Family() == AF_INET6;
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
    static_cast<void>(EnsureType(m_strTypeCommand));
    const std::string command = ipv6 ? "EPRT " + FormatEprtArgument(address, port)
                                     : "PORT " + FormatPortArgument(address, port);
    if (!Exchange(command, 200)) {
        if (IsConnected()) {
            m_nReplyCode = kCodeDataCommandRefused;
        }
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
    static_cast<void>(EnsureType(m_strTypeCommand));
    // PASV carries only IPv4 addresses; on an IPv6 connection ask for EPSV instead.
    const bool ipv6 = IsConnected() && m_pControl->Socket().Family() == AF_INET6;
    const bool answered = ipv6 ? Exchange("EPSV", 229) && ParseEpsvReply(m_strReply)
                               : Exchange("PASV", 227) && ParsePasvReply(GetLastReply());
    std::uint16_t unused = 0;
    // The data connection goes to the control connection's peer, whatever address the reply
    // names: a server behind NAT announces an unreachable private address, and a hostile one
    // could aim the client at a third host.
    if (!answered || !m_pControl->Socket().PeerAddress(m_strDataHost, unused)) {
        if (IsConnected()) {
            m_nReplyCode = kCodeDataCommandRefused;
        }
        m_listenSocket.Close();
        return false;
    }
    return true;
}

IoResult CFtpClient::TakeTransferReply(DataChannel& channel)
{
    ReadReplyWithin(Policy(), true);
    if (!LastReplyComplete()) {
        const bool inStep = IsConnected() && (m_replyWait == IoResult::Cancelled ||
                                              m_replyWait == IoResult::TimedOut);
        return inStep ? m_replyWait : IoResult::Error;
    }
    if (IsPreliminaryReply(m_nReplyCode)) {
        channel.preliminary = true;
        channel.announced = ParseAnnouncedSize(m_strReply);
    } else {
        channel.finalCode = m_nReplyCode;
    }
    return channel.finalCode == 0 || channel.finalCode < 300 ? IoResult::Ok : IoResult::Closed;
}

IoResult CFtpClient::AcceptActiveData(DataChannel& channel)
{
    // The command's reply comes first; only a preliminary reply (150, or 125 as pyftpdlib
    // sends) means the server will connect.
    if (const IoResult first = TakeTransferReply(channel); first != IoResult::Ok) {
        return first;
    }
    if (!channel.preliminary) {
        return IoResult::Closed;
    }
    // While waiting for the server's connection, a final reply may come: a refusal (425 and
    // the like) means the connection will not come; a 2xx means a quick server has already
    // sent everything, and its connection waits to be accepted.
    const CDeadline deadline(Policy());
    for (;;) {
        bool wouldBlock = false;
        if (m_listenSocket.TryAccept(channel.socket, wouldBlock)) {
            return IoResult::Ok;
        }
        if (!wouldBlock) {
            return IoResult::Error;
        }
        if (const IoResult waited = WaitWatchingReply(m_listenSocket, channel, deadline);
            waited != IoResult::Ok) {
            return waited;
        }
    }
}

CFtpClient::DataEnd CFtpClient::OpenChannel(const std::string& command, bool prepared,
                                            std::int64_t rest, DataChannel& channel,
                                            TransferOutcome& outcome)
{
    outcome = TransferOutcome{};
    m_nDataErrno = 0;
    // A command that cannot be sent is refused before the data connection is prepared, so
    // nothing at all goes out for it.
    if (std::string unused; IsConnected() && !EncodeCommand(command, unused)) {
        m_listenSocket.Close();
        m_bCommandRefused = true;
        outcome.reason = FailureReason::BadCommand;
        outcome.replyCode = m_nReplyCode;
        return DataEnd::NotSent;
    }
    if (!prepared && !PrepareDataConnection()) {
        m_listenSocket.Close();
        outcome.reason = FailedBecause(FailureReason::DataConnection);
        outcome.replyCode = m_nReplyCode;
        outcome.replyText = m_strReply;
        return DataEnd::NotSent;
    }
    // Where a resumed transfer starts: a server that cannot has nothing else to do here.
    if (rest > 0 && !Exchange("REST " + std::to_string(rest), 350)) {
        m_listenSocket.Close();
        outcome.reason = FailedBecause(FailureReason::Refused);
        outcome.replyCode = m_nReplyCode;
        outcome.replyText = m_strReply;
        return DataEnd::NotSent;
    }
    if (!SendCommand(command) || !IsConnected()) {
        m_listenSocket.Close();
        outcome.reason = FailedBecause(LastCommandRefused() ? FailureReason::BadCommand
                                                            : FailureReason::DataConnection);
        outcome.replyCode = m_nReplyCode;
        outcome.replyText = m_strReply;
        return DataEnd::NotSent;
    }
    const IoResult result =
        m_bPassive ? channel.socket.Connect(m_strDataHost,
                                            static_cast<std::uint16_t>(m_nPasvPort), Policy())
                   : AcceptActiveData(channel);
    switch (result == IoResult::Ok ? OpenDataStream(channel) : result) {
    case IoResult::Ok:
        channel.opened = true;
        return DataEnd::Open;
    case IoResult::Cancelled:
        return DataEnd::Cancelled;
    case IoResult::TimedOut:
        return DataEnd::TimedOut;
    case IoResult::Closed:
        return DataEnd::ServerEnded; // the server refused
    default:
        if (!IsConnected()) {
            return DataEnd::ServerEnded; // the control connection went
        }
        // No data connection: no data moves, and the replies that follow tell why.
        return DataEnd::DataError;
    }
}

CFtpClient::DataEnd CFtpClient::MoveData(DataChannel& channel, CDataStream& stream,
                                         const TransferRequest* progress)
{
    const bool upload = stream.IsUpload();
    std::vector<char> buffer(kPieceSize);
    std::size_t pendingBegin = 0; // upload: bytes of `buffer` read but not yet sent
    std::size_t pendingEnd = 0;
    auto lastReport = std::chrono::steady_clock::now();
    CDeadline idle(Policy());

    // A reply on the control connection while the data moves: a preliminary one is noted;
    // a final one ends a refused or failed transfer at once (servers refuse RETR, STOR or
    // NLST and leave the passive data connection open), while a 2xx may come before the
    // last data has been read and lets the data run to its end.
    // How a reply read on the way ends the data, if it does.
    const auto afterReply = [](IoResult taken) {
        return taken == IoResult::Cancelled  ? DataEnd::Cancelled
               : taken == IoResult::TimedOut ? DataEnd::TimedOut
                                             : DataEnd::ServerEnded;
    };
    for (;;) {
        if (channel.finalCode == 0 && ReplyLineBuffered()) {
            if (const IoResult taken = TakeTransferReply(channel); taken != IoResult::Ok) {
                return afterReply(taken);
            }
        }
        const bool watchControl = channel.finalCode == 0 && IsConnected();
        StreamWait waits[2] = {{channel.stream.get(), static_cast<short>(upload ? POLLOUT : POLLIN), 0},
                               {m_pControl.get(), POLLIN, 0}};
        const IoResult waited =
            WaitForStreams(std::span(waits, watchControl ? 2 : 1), idle, Policy());
        if (waited == IoResult::Cancelled) {
            return DataEnd::Cancelled;
        }
        if (waited == IoResult::TimedOut) {
            return DataEnd::TimedOut;
        }
        if (waited != IoResult::Ok) {
            return DataEnd::DataError;
        }
        if (watchControl && waits[1].ready != 0) {
            if (const IoResult taken = TakeTransferReply(channel); taken != IoResult::Ok) {
                return afterReply(taken);
            }
            continue;
        }
        if (waits[0].ready == 0) {
            continue;
        }
        if (upload) {
            if (pendingBegin == pendingEnd) {
                channel.stream->TakeUnasked();
                const long read = stream.Read(buffer.data(), buffer.size());
                if (read == 0) {
                    return DataEnd::Complete;
                }
                if (read < 0) {
                    return DataEnd::LocalError;
                }
                pendingBegin = 0;
                pendingEnd = static_cast<std::size_t>(read);
            }
            // Sent on until the stream would block: TLS takes one record (16 KiB) a write.
            while (pendingBegin < pendingEnd) {
                const long sent = channel.stream->Write(
                    std::string_view(buffer.data() + pendingBegin, pendingEnd - pendingBegin));
                if (sent < 0) {
                    return DataEnd::DataError;
                }
                if (sent == 0) {
                    break;
                }
                pendingBegin += static_cast<std::size_t>(sent);
                channel.moved += sent;
            }
        } else {
            // What is there is taken without waiting again: TLS gives one record (16 KiB) a
            // read, and a poll and a file write for each cost more than filling the piece.
            bool wouldBlock = false;
            std::size_t filled = 0;
            long received = 1;
            while (filled < buffer.size()) {
                received = channel.stream->Read(buffer.data() + filled, buffer.size() - filled,
                                                wouldBlock);
                if (received <= 0) {
                    break;
                }
                filled += static_cast<std::size_t>(received);
            }
            if (filled > 0) {
                if (!stream.Write(buffer.data(), filled)) {
                    return DataEnd::LocalError;
                }
                channel.moved += static_cast<std::int64_t>(filled);
            }
            if (received == 0) {
                return DataEnd::Complete; // the server closed the data connection
            }
            if (received < 0 && !wouldBlock) {
                return DataEnd::DataError;
            }
            if (filled == 0) {
                continue;
            }
        }
        idle.Restart();
        const auto now = std::chrono::steady_clock::now();
        if (now - lastReport >= kProgressInterval) {
            lastReport = now;
            if (progress != nullptr) {
                OnTransferProgress(*progress, progress->restartOffset + channel.moved);
            }
            // Data that flows without pause never lets a poll slice expire: pump here too.
            if (m_pump) {
                m_pump();
            }
            if (IsCancelled(Policy())) {
                return DataEnd::Cancelled;
            }
        }
    }
}

void CFtpClient::AbortTransfer(DataChannel& channel)
{
    // The cancel that led here must not stop the abort itself, and a server that does not
    // answer it costs a short wait, not the whole time limit.
    const CCancelToken* token = std::exchange(m_pCancel, nullptr);
    const std::chrono::milliseconds limit = std::exchange(m_timeout, ShortPolicy().limit);

    // RFC 959: on ABOR the server closes the data connection and answers the aborted command
    // (426, or 226 when it had already finished), then the ABOR itself (226 or 225). Servers
    // that read the control connection only between transfers (vsftpd) see the ABOR once the
    // closed data connection has ended the transfer; the answers are the same.
    const bool sent = SendCommand("ABOR");
    channel.stream.reset();
    channel.socket.Close();
    m_listenSocket.Close();
    int due = channel.finalCode == 0 ? 2 : 1;
    bool answered = false;
    for (int reply = 0; sent && due > 0 && reply < 4 && IsConnected(); ++reply) {
        ReadReplyWithin(Policy(), answered);
        if (!LastReplyComplete()) {
            break;
        }
        if (IsPreliminaryReply(m_nReplyCode)) {
            channel.preliminary = true;
            continue;
        }
        if (channel.finalCode == 0) {
            channel.finalCode = m_nReplyCode;
        }
        answered = true;
        // 225 answers the ABOR itself (nothing was left to abort): not every server answers
        // the command as well (pyftpdlib does not), so no more is waited for; one that comes
        // late is dropped before the next command.
        if (m_nReplyCode == 225) {
            m_bMayHaveStaleReply = due > 1;
            due = 0;
        } else {
            --due;
        }
    }
    if (due > 0 && IsConnected()) {
        // Some servers answer an abort only once: a late second answer is dropped before the
        // next command rather than taken as its reply.
        m_bMayHaveStaleReply = true;
    }
    m_timeout = limit;
    m_pCancel = token;
}

void CFtpClient::FinishChannel(DataChannel& channel, DataEnd end, CDataStream& stream,
                               TransferOutcome& outcome)
{
    if (end == DataEnd::Complete && !stream.IsUpload() && !stream.Finish()) {
        end = DataEnd::LocalError;
    }
    const int dataErrno = channel.stream != nullptr ? channel.stream->LastErrno()
                          : channel.socket.LastErrno() != 0 ? channel.socket.LastErrno()
                                                            : m_nDataErrno;
    if (end == DataEnd::Complete && channel.stream != nullptr) {
        // An upload over TLS ends with close_notify, so that the server knows the file is
        // whole; a download knows whether it ended with one.
        if (!stream.IsUpload()) {
            outcome.endedCleanly = channel.stream->EndedCleanly();
        } else if (!m_bNoUploadTickets &&
                   !channel.stream->AwaitTicket(WaitPolicy{kMinShortWait, m_pump, nullptr})) {
            m_bNoUploadTickets = true;
        }
        static_cast<void>(channel.stream->Shutdown(ShortPolicy()));
    }
    if (end != DataEnd::Cancelled && end != DataEnd::TimedOut) {
        // Closing ends the data stream for the server: the end of an upload, or an abort.
        channel.stream.reset();
        channel.socket.Close();
        m_listenSocket.Close();
        // The replies not yet read: the preliminary one (passive mode reads it only now),
        // then the final one. A refusal is the only reply; nothing more is waited for after
        // it. A wait for them that is stopped aborts the transfer like one stopped earlier.
        for (int reply = 0; reply < 2 && channel.finalCode == 0 && IsConnected(); ++reply) {
            const IoResult taken = TakeTransferReply(channel);
            if (taken == IoResult::Cancelled || taken == IoResult::TimedOut) {
                end = taken == IoResult::Cancelled ? DataEnd::Cancelled : DataEnd::TimedOut;
                break;
            }
            if (taken != IoResult::Ok) {
                break;
            }
        }
    }
    if (end == DataEnd::Cancelled || end == DataEnd::TimedOut) {
        AbortTransfer(channel);
    }

    outcome.started = channel.preliminary;
    outcome.announcedSize = channel.announced;
    outcome.bytesMoved = channel.moved;
    outcome.replyCode = m_nReplyCode;
    outcome.replyText = m_strReply;
    if (channel.foreignCertificate) {
        outcome.reason = FailureReason::ForeignCertificate;
    } else if (end == DataEnd::Cancelled) {
        outcome.reason = FailureReason::Cancelled;
    } else if (end == DataEnd::TimedOut) {
        outcome.reason = FailureReason::TimedOut;
    } else if (end == DataEnd::LocalError) {
        outcome.reason = FailureReason::LocalFile;
        outcome.localErrno = stream.Error();
    } else if (!channel.preliminary && channel.finalCode >= 400) {
        // The server refused the command itself, whatever became of the data connection.
        outcome.reason = FailureReason::Refused;
    } else if (channel.finalCode == 0 && !IsConnected()) {
        outcome.reason = WhyControlGone();
        outcome.localErrno = m_nControlErrno;
    } else if (end == DataEnd::DataError) {
        outcome.reason = FailureReason::DataConnection;
        outcome.localErrno = dataErrno;
    } else if (channel.finalCode != 226) {
        outcome.reason = channel.finalCode == 0 ? FailureReason::DataConnection
                                                : FailureReason::Refused;
    } else if (end != DataEnd::Complete) {
        outcome.reason = FailureReason::DataConnection;
    }
}

TransferOutcome CFtpClient::TransferData(const std::string& command, CDataStream& stream,
                                         const TransferRequest* progress, bool prepared,
                                         std::int64_t rest)
{
    TransferOutcome outcome;
    DataChannel channel;
    if (!prepared && !RenewSessionIfSpent()) {
        outcome.reason = WhyControlGone();
        outcome.replyCode = m_nReplyCode;
        outcome.replyText = m_strReply;
        return outcome;
    }
    DataEnd end = OpenChannel(command, prepared, rest, channel, outcome);
    if (end == DataEnd::NotSent) {
        return outcome;
    }
    if (end == DataEnd::Open) {
        end = MoveData(channel, stream, progress);
    }
    FinishChannel(channel, end, stream, outcome);
    if (IsDataProtected()) {
        // Spoilt by a connection that did not end cleanly, until one that went through.
        if (end != DataEnd::Complete || !outcome.endedCleanly) {
            m_bTlsSessionSpoilt = true;
        } else if (outcome.Ok()) {
            m_bTlsSessionSpoilt = false;
        }
    }
    if (progress != nullptr) {
        OnTransferProgress(*progress, progress->restartOffset + channel.moved);
    }
    if (!m_bPassive && !channel.opened && channel.preliminary &&
        (end == DataEnd::TimedOut || end == DataEnd::DataError)) {
        m_nReplyCode = kCodeDataAcceptOrFile; // the server's connection never came
        outcome.replyCode = m_nReplyCode;
    }
    return outcome;
}

WaitPolicy CFtpClient::ShortPolicy() const
{
    const std::chrono::milliseconds limit =
        m_timeout.count() > 0 ? std::clamp(m_timeout / 4, kMinShortWait, kAbortReplyLimit)
                              : kAbortReplyLimit;
    return WaitPolicy{limit, m_pump, nullptr};
}

IoResult CFtpClient::WaitWatchingReply(CStream& stream, DataChannel& channel,
                                       const CDeadline& deadline)
{
    if (channel.finalCode == 0 && ReplyLineBuffered()) {
        return TakeTransferReply(channel);
    }
    StreamWait waits[2] = {{&stream, POLLIN, 0}, {m_pControl.get(), POLLIN, 0}};
    const std::size_t watched = channel.finalCode == 0 ? 2 : 1;
    if (const IoResult waited = WaitForStreams(std::span(waits, watched), deadline, Policy());
        waited != IoResult::Ok) {
        return waited;
    }
    return watched == 2 && waits[1].ready != 0 ? TakeTransferReply(channel) : IoResult::Ok;
}

IoResult CFtpClient::OpenDataStream(DataChannel& channel)
{
    if (!IsDataProtected()) {
        channel.stream = std::make_unique<CSocket>(std::move(channel.socket));
        return IoResult::Ok;
    }
    auto tls = std::make_unique<CTlsStream>(std::move(channel.socket), *m_tls, m_strTlsHost, true);
    m_bDataNotResumed = false;
    // The control connection is watched during the handshake: a server that refuses the
    // command does not take part in it, and its refusal ends the wait at once.
    const CDeadline deadline(Policy());
    for (;;) {
        const IoResult step = tls->ContinueHandshake();
        if (step == IoResult::Ok) {
            m_bDataNotResumed = !tls->SessionReused();
            // A data connection that did not resume the session made its own handshake:
            // whoever reached the port first answered it. Only the control connection's
            // server, with the certificate accepted there, may take or supply the data.
            if (NormalizeFingerprint(tls->PeerCertificate().sha256) !=
                NormalizeFingerprint(m_certificate.sha256)) {
                m_strTlsError = "the data connection showed another certificate than the "
                                "control connection";
                channel.foreignCertificate = true;
                return IoResult::Error;
            }
            channel.stream = std::move(tls);
            return IoResult::Ok;
        }
        if (step == IoResult::Error) {
            m_strTlsError = "TLS on the data connection failed: " + tls->ErrorText();
            m_nDataErrno = tls->LastErrno();
            return IoResult::Error;
        }
        if (const IoResult waited = WaitWatchingReply(*tls, channel, deadline);
            waited != IoResult::Ok) {
            return waited;
        }
    }
}

void CFtpClient::OnTransferBegin(const TransferRequest& /*request*/) {}

void CFtpClient::OnTransferProgress(const TransferRequest& /*request*/, std::int64_t /*moved*/) {}

void CFtpClient::OnTransferEnd(const TransferRequest& /*request*/,
                               const TransferOutcome& /*outcome*/)
{
}

} // namespace tarnwick
