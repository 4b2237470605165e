#include "ftp/ftpclient.h"

#include <algorithm>

#include "core/nameencoding.h"
#include "core/textcodec.h"
#include "ftp/replyrule.h"

namespace tarnwick {

namespace {

// What ReadReply gives when there is no connection: no digits, no quotation mark.
const std::string kNoReply = "\x01";
const std::string kClosedMidReply = "GetResponce nRead=0 Error";

FailureReason LossFrom(IoResult result)
{
    switch (result) {
    case IoResult::TimedOut:
        return FailureReason::TimedOut;
    case IoResult::Cancelled:
        return FailureReason::Cancelled;
    default:
        return FailureReason::ConnectionLost;
    }
}

} // namespace

CFtpClient::CFtpClient() : m_strEncoding(DefaultServerEncoding()) {}

CFtpClient::~CFtpClient() = default;

void CFtpClient::DropControl(FailureReason reason, int error)
{
    if (m_pControl != nullptr && m_bConnected) {
        m_controlLoss = reason;
        m_nControlErrno = error;
        if (m_pLog != nullptr) {
            m_pLog->Add(m_nLogConnection, ConversationLine::Kind::Note, "制御接続を閉じました");
        }
    }
    m_pControl.reset();
    m_bConnected = false;
    m_strTypeInEffect.clear();
    m_inbuf.clear();
    m_bMayHaveStaleReply = false;
}

ConnectOutcome CFtpClient::Connect(const std::string& host, unsigned port,
                                   const FtpConnectOptions& options)
{
    m_bPassive = options.passive;
    m_bUseList = options.useList;
    m_timeout = options.timeout;
    // 自動 speaks the locale's charset until the server's names say otherwise.
    m_bAutoEncoding = tarnwick::IsAutoEncoding(options.encoding);
    m_bEncodingOpen = m_bAutoEncoding;
    m_strEncoding =
        options.encoding.empty() || m_bAutoEncoding ? DefaultServerEncoding() : options.encoding;
    m_tlsMode = options.tls;
    m_strCaFile = options.caFile;
    m_strTrustedFingerprint = options.trustedFingerprint;
    m_trust = options.trust;
    ConnectOutcome outcome;
    outcome.connected = Connect(host, port);
    outcome.failure = m_connectFailure;
    outcome.localErrno = m_nConnectErrno;
    outcome.tlsError = m_strTlsError;
    if (m_connectFailure == IoResult::Ok) {
        // The greeting, or what the server said instead ("421 Too many users").
        outcome.replyCode = m_nReplyCode;
        outcome.replyText = m_strReply;
    }
    return outcome;
}

bool CFtpClient::Connect(const std::string& host, unsigned port)
{
    DropControl();
    m_strHost = host;
    m_nPort = port;
    m_strUser.clear();
    m_strPassword.clear();
    m_bTlsSessionSpoilt = false;
    m_bDataNotResumed = false;
    m_bNoUploadTickets = false;
    m_controlLoss = FailureReason::None;
    m_nControlErrno = 0;
    m_listMode = ListMode::Unknown; // a new server may answer listings differently
    m_features.clear();
    m_tls.reset();
    m_bControlTls = false;
    m_bProtectData = false;
    m_bTlsRefused = false;
    m_strTlsError.clear();
    m_certificate = CertificateInfo{};
    if (m_pLog != nullptr) {
        m_pLog->Add(m_nLogConnection, ConversationLine::Kind::Note,
                    host + ":" + std::to_string(port) + " に接続します");
    }
    auto socket = std::make_unique<CSocket>();
    const IoResult result =
        port > 0 && port <= 65535
            ? socket->Connect(host, static_cast<std::uint16_t>(port), Policy(), m_resolver)
            : IoResult::Error;
    m_connectFailure = result;
    m_nConnectErrno = socket->LastErrno();
    m_pControl = std::move(socket);
    if (result == IoResult::NoSocket) {
        m_nReplyCode = kCodeSocketCreate;
    }
    m_bConnected = result == IoResult::Ok;
    if (m_bConnected && m_tlsMode == TlsMode::Implicit && !StartTls(host)) {
        DropControl();
        m_connectFailure = IoResult::Error;
        return false;
    }
    ReadReplyWithin(Policy(), false); // reads nothing when the connect failed; a cancel ends it
    if (result == IoResult::Ok && !m_bReplyComplete) {
        // Connected, but no whole greeting came.
        m_connectFailure = m_controlLoss == FailureReason::TimedOut    ? IoResult::TimedOut
                           : m_controlLoss == FailureReason::Cancelled ? IoResult::Cancelled
                                                                       : IoResult::Closed;
    }
    if (m_nReplyCode != 220 || !m_bReplyComplete) {
        m_bConnected = false;
    }
    if (IsConnected() && !NegotiateExplicitTls(host)) {
        DropControl();
        m_connectFailure = IoResult::Error;
        return false;
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

void CFtpClient::DiscardStaleReplies()
{
    m_bMayHaveStaleReply = false;
    m_inbuf.clear();
    char buffer[4096];
    // What is there now, and no more than one reply could hold: a server that sends without
    // end is found out by the next read.
    for (std::size_t dropped = 0; dropped <= kMaxReply;) {
        bool wouldBlock = false;
        const long n = m_pControl->Read(buffer, sizeof buffer, wouldBlock);
        if (n <= 0) {
            // The end of the stream or an error shows at the next read.
            return;
        }
        dropped += static_cast<std::size_t>(n);
    }
}

bool CFtpClient::EncodeCommand(const std::string& command, std::string& encoded) const
{
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
    return EncodeText(line, m_strEncoding, encoded) && encoded.size() - 2 <= kMaxCommandLine;
}

bool CFtpClient::SendCommand(const std::string& command)
{
    m_bCommandRefused = false;
    if (!IsConnected()) {
        return true;
    }
    std::string encoded;
    if (!EncodeCommand(command, encoded)) {
        m_bCommandRefused = true;
        return false;
    }
    if (m_bEncodingOpen && HasNonAscii(encoded)) {
        // A name went out in this encoding: later listings must give it back the same way.
        m_bEncodingOpen = false;
    }
    if (m_bMayHaveStaleReply) {
        DiscardStaleReplies();
    }
    if (m_pLog != nullptr) {
        m_pLog->Add(m_nLogConnection, ConversationLine::Kind::Command, LoggedCommand(command));
    }
    const IoResult result = SendAll(*m_pControl, encoded, Policy());
    if (result != IoResult::Ok) {
        // A half-sent line leaves the server waiting for the rest: the stream is lost.
        DropControl(LossFrom(result), m_pControl->LastErrno());
    }
    return result == IoResult::Ok;
}

CFtpClient::LineStatus CFtpClient::NextLine(std::string& line, const CDeadline& deadline,
                                            const WaitPolicy& policy, IoResult& waited)
{
    std::size_t scanned = 0;
    for (;;) {
        const std::size_t lf = m_inbuf.find('\n', scanned);
        if (lf != std::string::npos) {
            if (lf + 1 > kMaxReplyLine) {
                waited = IoResult::Error;
                return LineStatus::Failed;
            }
            line.assign(m_inbuf, 0, lf + 1);
            m_inbuf.erase(0, lf + 1);
            return LineStatus::Ok;
        }
        scanned = m_inbuf.size();
        if (scanned > kMaxReplyLine) {
            waited = IoResult::Error;
            return LineStatus::Failed;
        }
        char buffer[4096];
        bool wouldBlock = false;
        const long n = m_pControl->Read(buffer, sizeof buffer, wouldBlock);
        if (n > 0) {
            m_inbuf.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n == 0) {
            waited = IoResult::Closed;
            return LineStatus::Closed;
        }
        if (!wouldBlock) {
            waited = IoResult::Error;
            return LineStatus::Failed;
        }
        StreamWait wait{m_pControl.get(), POLLIN, 0};
        waited = WaitForStreams(std::span(&wait, 1), deadline, policy);
        if (waited != IoResult::Ok) {
            return LineStatus::Failed;
        }
    }
}

std::string CFtpClient::ReadReply()
{
    std::string reply = ReadReplyWithin(Policy(), true);
    if (m_bReplyComplete || !IsConnected()) {
        return reply;
    }
    if (m_replyWait == IoResult::Cancelled) {
        // The command went out: its reply still comes, and waiting a moment for it keeps the
        // connection in step for the next one. Only a server that stays silent loses it.
        reply = ReadReplyWithin(ShortPolicy(), false);
        if (!IsConnected()) {
            m_controlLoss = FailureReason::Cancelled;
        }
    } else {
        DropControl(LossFrom(m_replyWait));
    }
    return reply;
}

bool CFtpClient::CancelRequested() const
{
    return IsCancelled(Policy());
}

std::string CFtpClient::ReadReplyWithin(const WaitPolicy& policy, bool keepInStep)
{
    m_replyWait = IoResult::Error;
    if (!IsConnected()) {
        return kNoReply;
    }
    m_bReplyComplete = false;
    const CDeadline deadline(policy);
    std::string reply;
    std::string firstLine;
    bool complete = false;
    while (!complete) {
        std::string line;
        IoResult waited = IoResult::Ok;
        const LineStatus status = NextLine(line, deadline, policy, waited);
        m_replyWait = waited;
        if (status == LineStatus::Closed) {
            DropControl(FailureReason::ConnectionLost);
            return kClosedMidReply;
        }
        if (status == LineStatus::Failed || reply.size() + line.size() > kMaxReply) {
            if (keepInStep && reply.empty() &&
                (waited == IoResult::TimedOut || waited == IoResult::Cancelled)) {
                return kNoReply; // no line of the reply came: it is still due
            }
            // Time-out, cancel, socket error or an endless reply: keep what was complete and
            // close, since the stream can no longer be trusted to be in step.
            DropControl(LossFrom(waited), waited == IoResult::Error ? m_pControl->LastErrno() : 0);
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
    if (m_pLog != nullptr) {
        for (std::size_t at = 0; at < m_strReply.size();) {
            const std::size_t end = std::min(m_strReply.find('\n', at), m_strReply.size());
            m_pLog->Add(m_nLogConnection, ConversationLine::Kind::Reply,
                        std::string_view(m_strReply).substr(at, end - at));
            at = end + 1;
        }
    }
    m_bReplyComplete = complete;
    if (complete) {
        m_replyWait = IoResult::Ok;
    }
    return m_strReply;
}

bool CFtpClient::Exchange(const std::string& command, int expected)
{
    m_bReplyComplete = false;
    const bool sent = SendCommand(command);
    // A command that was never sent has no reply to wait for.
    if (!sent || !IsConnected()) {
        return false;
    }
    ReadReply();
    return m_bReplyComplete && m_nReplyCode == expected;
}

} // namespace tarnwick
