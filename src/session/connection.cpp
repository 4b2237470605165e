#include "session/connection.h"

#include <cerrno>
#include <utility>

#include "core/nameencoding.h"
#include "session/itemoutcome.h"
#include "session/reasontext.h"

namespace tarnwick {

namespace {

// A queue's connection met another certificate than the one the user agreed to.
const std::string kCertificateChanged = "サーバーの証明書が変わりました";
const std::string kDataUnprotected = "データ接続を暗号化できません";

} // namespace

FtpConnectOptions ConnectOptionsFor(const ServerTarget& target, FtpConnectOptions defaults)
{
    defaults.tls = target.tls;
    if (IsUsableEncoding(target.encoding)) {
        defaults.encoding = target.encoding;
    }
    if (target.passive) {
        defaults.passive = *target.passive;
    }
    if (target.timeout) {
        defaults.timeout = *target.timeout;
    }
    if (!target.fingerprint.empty()) {
        defaults.trustedFingerprint = target.fingerprint;
    }
    return defaults;
}

OpenOutcome OpenConnection(CFtpClient& engine, const ServerTarget& target,
                           const FtpConnectOptions& options, const std::string& certificate,
                           const std::function<void(const std::string&)>& greeted)
{
    OpenOutcome outcome;
    outcome.connect = engine.Connect(target.host, target.port, options);
    if (!outcome.connect) {
        outcome.step = OpenOutcome::Step::Connect;
        return outcome;
    }
    if (!certificate.empty() && engine.GetCertificate().sha256 != certificate) {
        static_cast<void>(engine.Quit());
        outcome.step = OpenOutcome::Step::Certificate;
        return outcome;
    }
    if (greeted) {
        greeted(outcome.connect.replyText);
    }
    outcome.command = engine.Login(target.user, target.password);
    if (!outcome.command) {
        outcome.step = OpenOutcome::Step::Login;
        return outcome;
    }
    outcome.welcome = outcome.command.replyText;
    // What the server can do decides how listings are asked for; the answer changes nothing
    // else, so a refusal is no failure.
    static_cast<void>(engine.NegotiateFeatures());
    if (engine.IsEncrypted()) {
        if (CommandOutcome protect = engine.ProtectDataConnections(); !protect) {
            static_cast<void>(engine.Quit());
            outcome.step = OpenOutcome::Step::Protect;
            outcome.command = std::move(protect);
        }
    }
    return outcome;
}

std::string NoAnswerText(const CFtpClient& engine)
{
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(engine.GetTimeout()).count();
    return std::to_string(seconds) + " 秒以内に応答がありません";
}

std::string ConnectFailureText(const ConnectOutcome& connect, const CFtpClient& engine,
                               const std::string& host, std::string& original)
{
    if (const std::string& tls = connect.tlsError; !tls.empty()) {
        // After the server agreed to TLS the connect never goes on in plain text by itself;
        // a server that cannot do TLS is told apart by the user.
        if (const CertificateInfo& certificate = engine.GetCertificate();
            !certificate.problem.empty()) {
            original = certificate.problem;
            const std::string headline = certificate.pinMismatch
                                             ? "以前に信頼した証明書と異なります"
                                             : "証明書を信頼できません";
            const std::string why = CertificateProblemText(certificate.problem);
            return why == headline ? headline : headline + " (" + why + ")";
        }
        original = tls;
        const bool handshake = tls.rfind("TLS handshake failed", 0) == 0;
        return "TLS: " + tls +
               (handshake ? " (TLS が使えないサーバーには、設定で「暗号化なし」を選んでください)"
                          : "");
    }
    switch (connect.failure) {
    case IoResult::Unresolved:
        return "ホスト名 " + host + " を解決できません";
    case IoResult::TimedOut:
        return NoAnswerText(engine);
    case IoResult::Cancelled:
        return "中止しました";
    case IoResult::Closed:
        return "サーバーが接続を閉じました";
    case IoResult::Error:
    case IoResult::NoSocket:
        switch (connect.localErrno) {
        case 0:
            return "ソケットのエラー";
        case ECONNREFUSED:
            return "接続を拒否されました";
        case ENETUNREACH:
            return "ネットワークに到達できません";
        case EHOSTUNREACH:
            return "ホストに到達できません";
        default:
            original = ErrnoOriginal(connect.localErrno);
            return ErrnoText(connect.localErrno);
        }
    case IoResult::Ok:
        break;
    }
    // Connected, but greeted with something other than 220 ("421 Too many users").
    const std::string reply = FirstReplyLine(connect.replyText);
    return reply.empty() ? std::string("サーバーが応答しません") : reply;
}

std::string LoginFailureText(const CommandOutcome& login, const CFtpClient& engine)
{
    switch (login.reason) {
    case FailureReason::Refused: {
        const std::string reply = FirstReplyLine(login.replyText);
        return reply.empty() ? std::string("サーバーが拒否しました") : reply;
    }
    case FailureReason::BadCommand:
        return FailureDetail(OutcomeOf(std::string(), login));
    case FailureReason::TimedOut:
        return NoAnswerText(engine);
    case FailureReason::Cancelled:
        return "中止しました";
    default:
        return "サーバーが接続を閉じました";
    }
}

std::string OpenFailureText(const OpenOutcome& outcome, const CFtpClient& engine,
                            const std::string& host, std::string& original)
{
    switch (outcome.step) {
    case OpenOutcome::Step::Opened:
        break;
    case OpenOutcome::Step::Connect:
        return "ConnectToServer に失敗: " +
               ConnectFailureText(outcome.connect, engine, host, original);
    case OpenOutcome::Step::Certificate:
        return "ConnectToServer に失敗: " + kCertificateChanged;
    case OpenOutcome::Step::Login:
        return "UserLogin に失敗: " + LoginFailureText(outcome.command, engine);
    case OpenOutcome::Step::Protect:
        return "ConnectToServer に失敗: " + kDataUnprotected + " (" +
               FirstReplyLine(outcome.command.replyText) + ")";
    }
    return std::string();
}

std::function<bool(CFtpClient&, int, std::string&)>
QueueConnectorLike(const CFtpClient& opened, const ServerTarget& target, FtpConnectOptions options)
{
    if (!opened.IsConnected()) {
        return {};
    }
    if (opened.IsAutoEncoding() && !opened.IsEncodingUndecided()) {
        options.encoding = opened.GetServerEncoding(); // what 自動 found
    }
    // Nobody is asked on a queue's connection.
    options.trust = [](const CertificateInfo&) { return false; };
    std::string certificate;
    if (opened.IsEncrypted()) {
        // TLS as this connection has it, and only the certificate it showed.
        options.tls =
            options.tls == TlsMode::Implicit ? TlsMode::Implicit : TlsMode::ExplicitRequired;
        certificate = opened.GetCertificate().sha256;
        options.trustedFingerprint = certificate;
    } else {
        options.tls = TlsMode::None;
    }
    return [target, options, certificate](CFtpClient& engine, int, std::string& why) {
        const OpenOutcome outcome = OpenConnection(engine, target, options, certificate);
        std::string original;
        switch (outcome.step) {
        case OpenOutcome::Step::Opened:
            return true;
        case OpenOutcome::Step::Connect:
            why = "接続できません: " +
                  ConnectFailureText(outcome.connect, engine, target.host, original);
            break;
        case OpenOutcome::Step::Certificate:
            why = kCertificateChanged;
            break;
        case OpenOutcome::Step::Login:
            why = "ログインできません: " + LoginFailureText(outcome.command, engine);
            break;
        case OpenOutcome::Step::Protect:
            why = kDataUnprotected + ": " + FirstReplyLine(outcome.command.replyText);
            break;
        }
        return false;
    };
}

} // namespace tarnwick
