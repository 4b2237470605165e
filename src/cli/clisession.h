// tarnwick-cli's work: one session on one server, running the commands in order and stopping
// at the first that fails. The connection is opened and the files are moved as in the window
// (OpenConnection, CRunner); this front end only reads the command line and writes to the
// terminal.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "ftp/ftpclient.h"
#include "ftp/progresssink.h"
#include "session/servertarget.h"
#include "settings/profiles.h"

namespace tarnwick {

class CCancelToken;
class CFtpProgressClient;
class CSessionSettings;

struct CliOptions {
    enum class Mode { FromSettings, Passive, Active };
    enum class Type { Binary, Text, Auto };
    Mode mode = Mode::FromSettings;
    Type type = Type::Binary;
    // Empty: the profile's, else the settings' (with a profile), else 自動 (kAutoEncoding).
    std::string encoding{};
    bool quiet = false;
    // --timeout: the limit of every network wait in seconds (0 for none); unset, the
    // settings' (with --profile) or 60.
    std::optional<unsigned> timeoutSeconds{};
    // Where connection options and the text-mode endings come from: the settings store (with
    // --profile), or none: the defaults, and the settings file is never read or created.
    CSessionSettings* settings = nullptr;
    std::string caFile{};             // --cacert: PEM certificates trusted beside the system's
    std::string trustedFingerprint{}; // --fingerprint, or the one stored for a profile's server
    // --parallel: the files of get -r and put -r move on this many connections of their own
    // (the same login, TLS and certificate); 1 moves them on the session's connection.
    unsigned parallel = 1;
};

// One command and its arguments: {"get", "a.txt"}.
using CliCommand = std::vector<std::string>;

// Splits the words after the target at lone ";" words. False (and a message in `error`)
// for an unknown command or a wrong number of arguments.
bool ParseCliCommands(const std::vector<std::string>& words, std::vector<CliCommand>& commands,
                      std::string& error);

class CTerminalProgress;

// The target as the options have it: their trusted certificate, passive mode,
// time limit and encoding (the command line's, the profile's when iconv knows it, the
// settings' with a profile, else 自動).
[[nodiscard]] ServerTarget TargetWithOptions(ServerTarget target, const CliOptions& options);

// The text of --timeout: whole seconds, 0 to a day. False for anything else.
[[nodiscard]] bool ParseTimeoutSeconds(const std::string& text, std::optional<unsigned>& seconds);

// The exit status of a session stopped by Ctrl-C, as a shell reports a SIGINT.
inline constexpr int kExitInterrupted = 130;
// The exit status when the server's certificate is not trusted (as for a usage error: the
// command line must say what to trust).
inline constexpr int kExitUntrusted = 2;

// Connects, logs in, changes into the target's directory and runs the commands. Listings go
// to `out`; failures to `err` as the command, what failed and why; transfers draw on
// `progress` when given. `cancel` (when given) stops the running transfer, which is aborted
// on the server. Returns the exit status: 0 when everything succeeded, 130 when cancelled,
// 2 when the server's certificate is not trusted, 1 otherwise.
int RunCliSession(CFtpProgressClient& engine, const ServerTarget& target,
                  const std::vector<CliCommand>& commands, const CliOptions& options,
                  std::ostream& out, std::ostream& err, CTerminalProgress* progress = nullptr,
                  const CCancelToken* cancel = nullptr);

// A one-line progress bar on a terminal: name, bytes, percent when the size is known, rate.
class CTerminalProgress : public CProgressSink {
public:
    explicit CTerminalProgress(std::ostream& stream) : m_stream(stream) {}
    void SetName(const std::string& name) { m_name = name; }
    void Begin(const std::string& text) override;
    void Update(const std::string& text, std::int64_t done, std::int64_t total) override;
    void End() override;

private:
    std::ostream& m_stream;
    std::string m_name;
    std::int64_t m_startMs = 0;
    bool m_bDrawn = false;
};

} // namespace tarnwick
