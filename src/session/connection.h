// Opening a connection: connect (checking the certificate), log in, ask what the server can
// do and, over TLS, protect the data connections. The one sequence of the window's session,
// tarnwick-cli and the queue's connections, answering at which step it stopped and why.
#pragma once

#include <functional>
#include <string>

#include "ftp/ftpclient.h"
#include "session/servertarget.h"

namespace tarnwick {

struct OpenOutcome {
    enum class Step { Opened, Connect, Certificate, Login, Protect };
    Step step = Step::Opened;
    ConnectOutcome connect;
    CommandOutcome command; // the login's, or PBSZ/PROT's when they refused
    std::string welcome;    // the login's reply

    [[nodiscard]] bool Ok() const { return step == Step::Opened; }
    explicit operator bool() const { return Ok(); }
};

// The engine's options for `target`: `defaults` (the settings') with what the target sets.
[[nodiscard]] FtpConnectOptions ConnectOptionsFor(const ServerTarget& target,
                                                  FtpConnectOptions defaults);

// Opens the connection to `target` with `options`. `certificate`, when not empty, is the
// only certificate accepted, even one the system trusts: a queue's connection meets the one
// the user agreed to. `greeted` is told the greeting before the login. A refused login
// leaves the control connection open (the next connect drops it); a refused PBSZ/PROT ends
// it, as nothing may move in plain text.
OpenOutcome OpenConnection(CFtpClient& engine, const ServerTarget& target,
                           const FtpConnectOptions& options,
                           const std::string& certificate = std::string(),
                           const std::function<void(const std::string&)>& greeted = {});

// Why opening stopped, as the status line and the terminal say it: the step's headline, then
// why ("ConnectToServer に失敗: 接続を拒否されました", "UserLogin に失敗: 530 Login incorrect.").
// `original` receives the system's or the library's own words when there are any.
[[nodiscard]] std::string OpenFailureText(const OpenOutcome& outcome, const CFtpClient& engine,
                                          const std::string& host, std::string& original);
// Why a connect failed, for a person ("接続を拒否されました", "証明書を信頼できません (…)");
// `original` receives the system's or the library's own words when there are any.
[[nodiscard]] std::string ConnectFailureText(const ConnectOutcome& connect,
                                             const CFtpClient& engine, const std::string& host,
                                             std::string& original);
// Why a login failed: the server's refusal, or what became of the connection.
[[nodiscard]] std::string LoginFailureText(const CommandOutcome& login, const CFtpClient& engine);
// "60 秒以内に応答がありません", with the engine's time limit.
[[nodiscard]] std::string NoAnswerText(const CFtpClient& engine);

// How the queue's connections are opened: to the server `opened` is logged in to, as
// `target` and `options` say, with the names' encoding 自動 found, and over TLS only with
// the certificate `opened` showed. The text says why one could not be opened. Empty when
// `opened` is not connected.
[[nodiscard]] std::function<bool(CFtpClient&, int, std::string&)>
QueueConnectorLike(const CFtpClient& opened, const ServerTarget& target, FtpConnectOptions options);

} // namespace tarnwick
