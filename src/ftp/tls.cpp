// FTP over TLS (RFC 4217): AUTH TLS, the certificate check, PBSZ/PROT, and TLS data
// connections that resume the control connection's session.
#include <utility>

#include "core/strutil.h"
#include "ftp/ftpclient.h"
#include "ftp/transport/tlscontext.h"
#include "ftp/transport/tlsstream.h"

namespace tarnwick {

bool CFtpClient::StartTls(const std::string& host)
{
    if (!m_inbuf.empty()) {
        // Bytes after the 234 line would be read as plain text on a TLS connection.
        m_strTlsError = "the server sent data before the TLS handshake";
        return false;
    }
    auto context = std::make_shared<CTlsContext>();
    if (!context->Init(m_strCaFile, m_strTlsError)) {
        return false;
    }
    auto tls = std::make_unique<CTlsStream>(std::move(m_pControl->Socket()), *context, host, false);
    m_pControl.reset();
    const IoResult shaken = tls->Handshake(Policy());
    if (shaken != IoResult::Ok) {
        m_strTlsError = shaken == IoResult::TimedOut    ? "no TLS handshake within the time limit"
                        : shaken == IoResult::Cancelled ? "cancelled"
                                                        : "TLS handshake failed: " + tls->ErrorText();
        return false;
    }
    m_certificate = tls->PeerCertificate();
    const std::string trusted = NormalizeFingerprint(m_strTrustedFingerprint);
    const std::string presented = NormalizeFingerprint(m_certificate.sha256);
    bool accepted = !trusted.empty() && trusted == presented;
    if (!accepted) {
        if (!trusted.empty()) {
            // Another certificate than the one trusted before: the server changed it, or
            // someone stands between. Never accepted without asking.
            m_certificate.pinMismatch = true;
            if (m_certificate.problem.empty()) {
                m_certificate.problem = "the certificate differs from the one trusted before";
            }
        }
        accepted = m_certificate.problem.empty() || (m_trust && m_trust(m_certificate));
    }
    if (!accepted) {
        m_strTlsError = "certificate not trusted: " + m_certificate.problem;
        return false;
    }
    m_tls = std::move(context);
    m_strTlsHost = host;
    m_strTlsProtocol = tls->Protocol();
    m_pControl = std::move(tls);
    m_bControlTls = true;
    return true;
}

bool CFtpClient::NegotiateExplicitTls(const std::string& host)
{
    if (m_tlsMode != TlsMode::ExplicitIfAvailable && m_tlsMode != TlsMode::ExplicitRequired) {
        return true;
    }
    // The greeting stays the last reply, as a plain connection leaves it.
    const std::string greeting = m_strReply;
    const int greetingCode = m_nReplyCode;
    if (!Exchange("AUTH TLS", 234)) {
        if (!IsConnected() || !LastReplyComplete()) {
            m_strTlsError = "no answer to AUTH TLS";
            return false;
        }
        if (m_tlsMode == TlsMode::ExplicitRequired) {
            m_strTlsError = "the server refused AUTH TLS: " + m_strReply.substr(0, m_strReply.find('\r'));
            return false;
        }
        m_bTlsRefused = true;
        m_strReply = greeting;
        m_nReplyCode = greetingCode;
        return true;
    }
    // After 234 the connection is TLS or nothing: falling back to plain text is exactly what
    // someone in between would provoke.
    if (!StartTls(host)) {
        return false;
    }
    m_strReply = greeting;
    m_nReplyCode = greetingCode;
    return true;
}

CommandOutcome CFtpClient::ProtectDataConnections()
{
    if (!IsEncrypted()) {
        // Nothing to protect them with; nothing is sent.
        CommandOutcome outcome;
        outcome.reason = FailedBecause(FailureReason::Refused);
        return outcome;
    }
    m_bProtectData = Exchange("PBSZ 0", 200) && Exchange("PROT P", 200);
    return Answered(m_bProtectData);
}

bool CFtpClient::SessionRefusedAfterAbort(const TransferOutcome& outcome) const
{
    // 522 is vsftpd's word for it, 425 proftpd's.
    const bool spoilt = m_bTlsSessionSpoilt && outcome.replyCode == 522;
    const bool unresumed = m_bDataNotResumed &&
                           outcome.reason != FailureReason::ForeignCertificate &&
                           (outcome.replyCode == 522 || outcome.replyCode == 425);
    return (spoilt || unresumed) && IsDataProtected() && !m_strUser.empty();
}

bool CFtpClient::FreshSessionNeeded() const
{
    return IsDataProtected() && m_tls != nullptr && !m_strUser.empty() && m_tls->NothingToResume();
}

bool CFtpClient::RenewSessionIfSpent()
{
    return !FreshSessionNeeded() || RenewTlsSession();
}

bool CFtpClient::RenewTlsSession()
{
    const std::string dir = GetCurrentDir();
    const std::string type = m_strTypeCommand;
    const std::string user = m_strUser;
    const std::string password = m_strPassword;
    // The same certificate as a moment ago needs no question; another one still gets it.
    const std::string trusted = std::exchange(m_strTrustedFingerprint, m_certificate.sha256);
    const bool noUploadTickets = m_bNoUploadTickets;
    static_cast<void>(Quit());
    bool renewed = Connect(m_strHost, m_nPort) && Login(user, password) && IsEncrypted();
    m_strTrustedFingerprint = trusted;
    m_bNoUploadTickets = noUploadTickets;
    if (renewed) {
        static_cast<void>(NegotiateFeatures()); // the listing rules depend on it
        renewed = ProtectDataConnections().Ok();
    }
    if (renewed && !dir.empty()) {
        static_cast<void>(ChangeDir(dir));
    }
    m_strTypeCommand = type;
    return renewed;
}

} // namespace tarnwick
