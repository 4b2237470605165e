// Real FTP servers on loopback for integration tests: vsftpd and pyftpdlib, each started with
// a configuration of its own in a scratch folder, serving a throw-away folder that the test
// fills. A server lives as long as its object (one test, or one suite when held statically).
//
//   if (const std::string why = CVsftpdServer::SkipReason(); !why.empty()) {
//       GTEST_SKIP() << why;
//   }
//   CVsftpdServer server;
//   ASSERT_TRUE(server.Start()) << server.Error();
//   server.PutFile("a.txt", "hello\n");
//   engine.Connect(server.Host(), server.Port());
//   engine.Login(server.User(), server.Password());
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

#include "support/tempdir.h"
#include "support/testcertificate.h"

namespace tarnwick::testing {

class CRealFtpServer {
public:
    struct Options {
        bool ipv6 = false; // listen on ::1 instead of 127.0.0.1
        bool asciiConversion =
            true;             // TYPE A converts line ends (vsftpd only; pyftpdlib always does)
        unsigned maxRate = 0; // bytes a second for each transfer (vsftpd only); 0: no limit
        // FTP over TLS with a certificate made at start (explicit; logins and data must be
        // encrypted; vsftpd also demands that data connections resume the session).
        bool tls = false;
        // vsftpd only: names are UTF-8 (utf8_filesystem: FEAT lists UTF8, OPTS UTF8 ON is
        // accepted). Off, as on a server whose names are Shift_JIS or EUC-JP.
        bool utf8 = true;
    };

    virtual ~CRealFtpServer(); // stops the server and removes its folders
    CRealFtpServer(const CRealFtpServer&) = delete;
    CRealFtpServer& operator=(const CRealFtpServer&) = delete;

    // Starts the server and waits (bounded) until its port accepts connections. False with
    // Error() saying why (the server's own log included).
    virtual bool Start() = 0;
    // Stops the server and every session process it started. Safe to call twice.
    void Stop();

    [[nodiscard]] virtual std::string Name() const = 0;
    [[nodiscard]] const std::string& Host() const { return m_host; }
    [[nodiscard]] unsigned Port() const { return m_port; }
    [[nodiscard]] const std::string& User() const { return m_user; }
    [[nodiscard]] const std::string& Password() const { return m_password; }
    // The login directory, empty when the server starts.
    [[nodiscard]] const std::string& Folder() const { return m_folder; }
    [[nodiscard]] std::string PathOf(const std::string& name) const
    {
        return m_folder + "/" + name;
    }
    // The folder as the server names it after login (what PWD answers).
    [[nodiscard]] virtual std::string LoginDir() const = 0;
    [[nodiscard]] const std::string& Error() const { return m_error; }
    // What the server wrote to its log so far.
    [[nodiscard]] std::string Log() const;
    // With Options::tls, the certificate the server shows ("AB:CD:..." fingerprint, PEM file).
    [[nodiscard]] const TestCertificate& Certificate() const { return m_certificate; }
    [[nodiscard]] std::string CertificateFile() const { return ScratchPath("cert.pem"); }

    // Entries in the served folder (`name` relative to it), owned by the user the server's
    // sessions run as, so the server may change and delete them.
    void PutFile(const std::string& name, const std::string& bytes) const;
    void PutDir(const std::string& name) const;
    void PutSymlink(const std::string& name, const std::string& target) const;
    [[nodiscard]] std::string ReadFile(const std::string& name) const;

protected:
    CRealFtpServer(std::string user, std::string password, Options options);
    // Starts `argv` with stdin from /dev/null, stderr (and stdout unless `stdoutPipe` is
    // given) to the log file. `stdoutPipe` receives the read end of a pipe on the server's
    // stdout.
    bool Spawn(const char* const argv[], int* stdoutPipe = nullptr);
    // Polls until the port accepts a connection or the server exits, within a few seconds.
    bool WaitUntilListening();
    // One start on the port chosen: Started, Retry (it did not listen, and is stopped) or
    // GiveUp (it could not be run at all).
    enum class Launch { Started, Retry, GiveUp };
    Launch StartOnPort(const char* const argv[]);
    [[nodiscard]] std::string ScratchPath(const std::string& name) const
    {
        return m_scratch.File(name);
    }
    [[nodiscard]] const Options& GetOptions() const { return m_options; }
    // Sets up the system user the sessions run as (vsftpd's and proftpd's) and gives it the
    // served folder. False with Error() set when that fails.
    bool ServeAsTestUser();
    // Makes the certificate and writes cert.pem and key.pem into the scratch folder.
    void WriteCertificate();
    void Fail(const std::string& what);
    void OwnBy(uid_t uid, gid_t gid)
    {
        m_uid = uid;
        m_gid = gid;
    }

    std::string m_host;
    unsigned m_port = 0;

private:
    void Own(const std::string& path) const;

    Options m_options;
    TestCertificate m_certificate;
    std::string m_user;
    std::string m_password;
    CTempDir m_scratch; // configuration, log, the served folder
    std::string m_folder;
    std::string m_error;
    pid_t m_pid = -1;
    uid_t m_uid = static_cast<uid_t>(-1);
    gid_t m_gid = static_cast<gid_t>(-1);
};

// vsftpd in standalone mode with a configuration of its own: local user "tarnwickftp" (a system
// user created on first use, with a SHA-512 password and a PAM service of its own), write
// access, umask 022, no chroot, UTF-8 names, a passive port range, and TYPE A line-end
// conversion unless Options says otherwise.
class CVsftpdServer : public CRealFtpServer {
public:
    explicit CVsftpdServer(Options options = {});
    bool Start() override;
    [[nodiscard]] std::string Name() const override { return "vsftpd"; }
    // No chroot: the real path.
    [[nodiscard]] std::string LoginDir() const override { return Folder(); }
    // Why vsftpd cannot run here (not root, no binary); empty when it can.
    [[nodiscard]] static std::string SkipReason();
};

// pyftpdlib (Debian's python3-pyftpdlib under /usr/bin/python3) with one user holding every
// permission, the served folder as its home, an ephemeral port and a passive port range.
class CPyftpdlibServer : public CRealFtpServer {
public:
    explicit CPyftpdlibServer(Options options = {});
    bool Start() override;
    [[nodiscard]] std::string Name() const override { return "pyftpdlib"; }
    // The folder is the user's virtual root.
    [[nodiscard]] std::string LoginDir() const override { return "/"; }
    [[nodiscard]] static std::string SkipReason();
};

// proftpd unpacked from Debian's packages (scripts/fetch-proftpd.sh) in standalone mode, as
// vsftpd's user, chrooted to the served folder, with mod_tls as its defaults are: with
// Options::tls, TLS required on both connections and data connections that must reuse the
// control connection's session ("client did not reuse TLS session" otherwise).
class CProftpdServer : public CRealFtpServer {
public:
    // `tlsVersion`: the only TLS version it speaks ("TLSv1.2", "TLSv1.3"); empty: both.
    explicit CProftpdServer(Options options = {}, std::string tlsVersion = {});
    bool Start() override;
    [[nodiscard]] std::string Name() const override { return "proftpd"; }
    [[nodiscard]] std::string LoginDir() const override { return "/"; }
    // What mod_tls wrote to its own log.
    [[nodiscard]] std::string TlsLog() const;
    [[nodiscard]] static std::string SkipReason();

private:
    std::string m_tlsVersion;
};

enum class ServerKind { Vsftpd, Pyftpdlib };
[[nodiscard]] std::unique_ptr<CRealFtpServer> MakeRealServer(ServerKind kind,
                                                             CRealFtpServer::Options options = {});
[[nodiscard]] std::string RealServerSkipReason(ServerKind kind);

} // namespace tarnwick::testing
