#include "support/realserver.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <thread>
#include <vector>

#include "support/scriptedserver.h"
#include "support/stopprocess.h"

namespace tarnwick::testing {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kVsftpd = "/usr/sbin/vsftpd";
constexpr const char* kPython = "/usr/bin/python3";
constexpr const char* kPyftpdlibModule = "/usr/lib/python3/dist-packages/pyftpdlib/__init__.py";
constexpr const char* kVsftpdUser = "tarnwickftp";
constexpr const char* kVsftpdUserHome = "/var/lib/tarnwickftp";
// A fixed password: several test processes may start servers at the same time, and each one
// sets the password again. The user has no shell and the servers listen on loopback only.
constexpr const char* kVsftpdPassword = "tarnwick-test-pw";
constexpr const char* kPamService = "tarnwick-test-vsftpd";
// Debian's own service demands a login shell and consults /etc/ftpusers.
constexpr const char* kPamText = "auth required pam_unix.so\n"
                                 "account required pam_unix.so\n"
                                 "session required pam_permit.so\n";
constexpr auto kStartLimit = 10s;
#ifndef TARNWICK_PROFTPD_ROOT
#define TARNWICK_PROFTPD_ROOT "/nonexistent"
#endif
constexpr const char* kProftpdRoot = TARNWICK_PROFTPD_ROOT;

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool Accepts(const std::string& host, unsigned port)
{
    const bool ipv6 = host.find(':') != std::string::npos;
    const int fd = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_storage storage{};
    socklen_t len = 0;
    if (ipv6) {
        auto* addr = reinterpret_cast<sockaddr_in6*>(&storage);
        addr->sin6_family = AF_INET6;
        addr->sin6_port = htons(static_cast<std::uint16_t>(port));
        ::inet_pton(AF_INET6, host.c_str(), &addr->sin6_addr);
        len = sizeof(sockaddr_in6);
    } else {
        auto* addr = reinterpret_cast<sockaddr_in*>(&storage);
        addr->sin_family = AF_INET;
        addr->sin_port = htons(static_cast<std::uint16_t>(port));
        ::inet_pton(AF_INET, host.c_str(), &addr->sin_addr);
        len = sizeof(sockaddr_in);
    }
    // Loopback: a refusal or an acceptance comes back at once.
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&storage), len) == 0;
    ::close(fd);
    return ok;
}

// A passive port range of its own for each server, below Linux's ephemeral ports. Servers
// started at the same time may overlap; both servers try other ports of the range when one is
// taken.
std::pair<unsigned, unsigned> PassiveRange()
{
    std::random_device seed;
    const unsigned low = 20000 + (seed() % 300) * 40;
    return {low, low + 39};
}

// The pid of every process below `root`, children before grandchildren.
std::vector<pid_t> Descendants(pid_t root)
{
    std::multimap<pid_t, pid_t> children; // parent -> child
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        // "pid (comm) state ppid ...": comm may hold blanks and parentheses.
        const std::string stat = ReadText(entry.path().string() + "/stat");
        const std::size_t close = stat.rfind(')');
        if (close == std::string::npos) {
            continue;
        }
        std::istringstream rest(stat.substr(close + 1));
        char state = 0;
        pid_t ppid = 0;
        if (rest >> state >> ppid) {
            children.emplace(ppid, static_cast<pid_t>(std::stol(name)));
        }
    }
    std::vector<pid_t> found;
    std::vector<pid_t> queue{root};
    for (std::size_t i = 0; i < queue.size(); ++i) {
        const auto [first, last] = children.equal_range(queue[i]);
        for (auto it = first; it != last; ++it) {
            found.push_back(it->second);
            queue.push_back(it->second);
        }
    }
    return found;
}

// Serializes the set-up of the shared user and PAM service between test processes.
class CSetupLock {
public:
    CSetupLock()
        : m_fd(::open("/tmp/tarnwick-test-vsftpd.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0600))
    {
        if (m_fd >= 0) {
            ::flock(m_fd, LOCK_EX);
        }
    }
    ~CSetupLock()
    {
        if (m_fd >= 0) {
            ::close(m_fd); // releases the lock
        }
    }
    CSetupLock(const CSetupLock&) = delete;
    CSetupLock& operator=(const CSetupLock&) = delete;

private:
    int m_fd;
};

// Creates the system user the vsftpd sessions run as (once), sets its password and writes the
// PAM service. Empty on success, else what failed.
std::string PrepareVsftpdUser()
{
    CSetupLock lock;
    if (::getpwnam(kVsftpdUser) == nullptr) {
        const std::string add =
            std::string("/usr/sbin/useradd --system --no-create-home --home-dir ") +
            kVsftpdUserHome + " --shell /usr/sbin/nologin " + kVsftpdUser;
        if (std::system(add.c_str()) != 0) {
            return "useradd " + std::string(kVsftpdUser) + " failed";
        }
    }
    const passwd* pw = ::getpwnam(kVsftpdUser);
    if (pw == nullptr) {
        return "no user " + std::string(kVsftpdUser);
    }
    // vsftpd changes into the home directory before local_root, so it must exist.
    std::error_code ec;
    std::filesystem::create_directories(pw->pw_dir, ec);
    if (::chown(pw->pw_dir, pw->pw_uid, pw->pw_gid) != 0) {
        return "cannot own " + std::string(pw->pw_dir);
    }
    // SHA-512 rather than Debian's default yescrypt, which costs the server ~170 ms per login.
    FILE* chpasswd = ::popen("/usr/sbin/chpasswd -c SHA512", "w");
    if (chpasswd == nullptr) {
        return "cannot run chpasswd";
    }
    std::fprintf(chpasswd, "%s:%s\n", kVsftpdUser, kVsftpdPassword);
    if (::pclose(chpasswd) != 0) {
        return "chpasswd failed";
    }
    const std::string pamPath = std::string("/etc/pam.d/") + kPamService;
    if (ReadText(pamPath) != kPamText) {
        std::ofstream(pamPath, std::ios::trunc) << kPamText;
        if (ReadText(pamPath) != kPamText) {
            return "cannot write " + pamPath;
        }
    }
    return {};
}

std::string GroupName(gid_t gid)
{
    const group* found = ::getgrgid(gid);
    return found != nullptr ? found->gr_name : std::to_string(gid);
}

constexpr const char* kPyftpdlibScript = R"(import sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

root, user, password, host = sys.argv[1:5]
low, high = int(sys.argv[5]), int(sys.argv[6])
certificate = sys.argv[7]
handler = FTPHandler
if certificate != "-":
    from pyftpdlib.handlers import TLS_FTPHandler
    handler = TLS_FTPHandler
    handler.certfile = certificate
    handler.tls_control_required = True
    handler.tls_data_required = True
authorizer = DummyAuthorizer()
authorizer.add_user(user, password, root, perm="elradfmwMT")
handler.authorizer = authorizer
handler.passive_ports = range(low, high + 1)
server = FTPServer((host, 0), handler)
# The fixture waits for this line: the socket is listening once it is printed.
print(server.address[1], flush=True)
server.serve_forever()
)";

} // namespace

// --- CRealFtpServer ---------------------------------------------------------------------

CRealFtpServer::CRealFtpServer(std::string user, std::string password, Options options)
    : m_options(options), m_user(std::move(user)), m_password(std::move(password))
{
    m_host = options.ipv6 ? "::1" : "127.0.0.1";
    // The sessions of vsftpd run as another user, who must reach the served folder.
    ::chmod(m_scratch.Path().c_str(), 0711);
    m_folder = m_scratch.File("root");
    std::filesystem::create_directory(m_folder);
}

CRealFtpServer::~CRealFtpServer()
{
    Stop();
}

void CRealFtpServer::Fail(const std::string& what)
{
    m_error = Name() + ": " + what;
    const std::string log = Log();
    if (!log.empty()) {
        m_error += "\n--- server log ---\n" + log;
    }
}

std::string CRealFtpServer::Log() const
{
    return ReadText(m_scratch.File("server.log"));
}

bool CRealFtpServer::Spawn(const char* const argv[], int* stdoutPipe)
{
    int pipeFds[2] = {-1, -1};
    if (stdoutPipe != nullptr && ::pipe2(pipeFds, O_CLOEXEC) != 0) {
        Fail("pipe failed");
        return false;
    }
    const std::string logPath = m_scratch.File("server.log");
    const pid_t pid = ::fork();
    if (pid < 0) {
        Fail("fork failed");
        return false;
    }
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec. The server dies with the test
        // process (a test killed by its time limit leaves no server behind).
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        const int in = ::open("/dev/null", O_RDONLY);
        const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (in < 0 || log < 0 || ::dup2(in, 0) < 0 || ::dup2(log, 2) < 0 ||
            ::dup2(stdoutPipe != nullptr ? pipeFds[1] : log, 1) < 0) {
            ::_exit(127);
        }
        ::execv(argv[0], const_cast<char* const*>(argv));
        ::_exit(127);
    }
    m_pid = pid;
    if (stdoutPipe != nullptr) {
        ::close(pipeFds[1]);
        *stdoutPipe = pipeFds[0];
    }
    return true;
}

bool CRealFtpServer::WaitUntilListening()
{
    const auto deadline = Clock::now() + kStartLimit;
    while (Clock::now() < deadline) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            Fail("exited at start (status " + std::to_string(status) + ")");
            return false;
        }
        if (Accepts(m_host, m_port)) {
            return true;
        }
        std::this_thread::sleep_for(20ms);
    }
    Fail("port " + std::to_string(m_port) + " not accepting after 10 s");
    return false;
}

void CRealFtpServer::Stop()
{
    if (m_pid <= 0) {
        return;
    }
    // vsftpd puts each session into a process group of its own: the sessions are found as
    // descendants before the listener goes (afterwards they would belong to init).
    for (const pid_t child : Descendants(m_pid)) {
        ::kill(child, SIGKILL);
    }
    StopProcess(m_pid);
}

void CRealFtpServer::Own(const std::string& path) const
{
    if (m_uid != static_cast<uid_t>(-1)) {
        (void)::lchown(path.c_str(), m_uid, m_gid);
    }
}

void CRealFtpServer::PutFile(const std::string& name, const std::string& bytes) const
{
    const std::string path = PathOf(name);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    Own(path);
}

void CRealFtpServer::PutDir(const std::string& name) const
{
    const std::string path = PathOf(name);
    std::filesystem::create_directory(path);
    Own(path);
}

void CRealFtpServer::PutSymlink(const std::string& name, const std::string& target) const
{
    const std::string path = PathOf(name);
    std::filesystem::create_symlink(target, path);
    Own(path);
}

std::string CRealFtpServer::ReadFile(const std::string& name) const
{
    return ReadText(PathOf(name));
}

// --- CVsftpdServer ----------------------------------------------------------------------

CVsftpdServer::CVsftpdServer(Options options)
    : CRealFtpServer(kVsftpdUser, kVsftpdPassword, options)
{
}

std::string CVsftpdServer::SkipReason()
{
    if (::geteuid() != 0) {
        return "vsftpd tests need root (a system user and a PAM service are set up); "
               "scripts/test.sh runs them as root";
    }
    if (::access(kVsftpd, X_OK) != 0) {
        return "vsftpd is not installed (scripts/test.sh installs it)";
    }
    return {};
}

bool CVsftpdServer::Start()
{
    if (!ServeAsTestUser()) {
        return false;
    }
    // Where the unprivileged helper chroots: root's, empty, not writable by the user.
    const std::string emptyDir = ScratchPath("empty");
    std::filesystem::create_directory(emptyDir);
    ::chmod(emptyDir.c_str(), 0555);

    const Options& options = GetOptions();
    if (options.tls) {
        WriteCertificate();
    }
    const std::string conf = ScratchPath("vsftpd.conf");
    for (int attempt = 0; attempt < 5; ++attempt) {
        // Free on 127.0.0.1 a moment ago, and almost always on ::1 too; another process may
        // take it before vsftpd binds it, and vsftpd then ends at once.
        m_port = UnusedPort();
        const auto [pasvLow, pasvHigh] = PassiveRange();
        std::ofstream out(conf, std::ios::trunc);
        if (options.ipv6) {
            out << "listen=NO\nlisten_ipv6=YES\nlisten_address6=::1\n";
        } else {
            out << "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\n";
        }
        const char* ascii = options.asciiConversion ? "YES" : "NO";
        out << "listen_port=" << m_port << "\n"
            << "background=NO\n"
            << "anonymous_enable=NO\nlocal_enable=YES\nwrite_enable=YES\nlocal_umask=022\n"
            << "chroot_local_user=NO\nchmod_enable=YES\n"
            << "pasv_enable=YES\npasv_min_port=" << pasvLow << "\npasv_max_port=" << pasvHigh
            << "\nport_enable=YES\nconnect_from_port_20=NO\n"
            << "ascii_upload_enable=" << ascii << "\nascii_download_enable=" << ascii << "\n"
            << "utf8_filesystem=" << (options.utf8 ? "YES" : "NO") << "\n"
            << "local_max_rate=" << options.maxRate << "\n"
            << "pam_service_name=" << kPamService << "\n"
            << "secure_chroot_dir=" << emptyDir << "\n"
            << "local_root=" << Folder()
            << "\n"
            // A loopback test server needs no system-call filter; without it vsftpd also runs
            // where the filter cannot be installed ("500 OOPS: prctl PR_SET_SECCOMP failed").
            << "seccomp_sandbox=NO\n"
            << "xferlog_enable=YES\nxferlog_std_format=NO\nlog_ftp_protocol=YES\n"
            << "vsftpd_log_file=" << ScratchPath("server.log") << "\n";
        if (options.tls) {
            // What FTPS users meet in the field: encryption forced, and data connections that
            // must resume the control connection's TLS session.
            out << "ssl_enable=YES\nrsa_cert_file=" << CertificateFile()
                << "\nrsa_private_key_file=" << ScratchPath("key.pem")
                << "\nforce_local_logins_ssl=YES\nforce_local_data_ssl=YES\nrequire_ssl_reuse=YES\n"
                << "ssl_tlsv1=YES\nssl_sslv2=NO\nssl_sslv3=NO\n";
        }
        out.close();
        const std::string confArg = conf;
        const char* argv[] = {kVsftpd, confArg.c_str(), nullptr};
        if (const Launch launch = StartOnPort(argv); launch != Launch::Retry) {
            return launch == Launch::Started;
        }
    }
    return false;
}

CRealFtpServer::Launch CRealFtpServer::StartOnPort(const char* const argv[])
{
    if (!Spawn(argv)) {
        return Launch::GiveUp;
    }
    if (WaitUntilListening()) {
        return Launch::Started;
    }
    Stop();
    return Launch::Retry;
}

bool CRealFtpServer::ServeAsTestUser()
{
    static const std::string userError = PrepareVsftpdUser(); // once per process
    if (!userError.empty()) {
        Fail(userError);
        return false;
    }
    const passwd* pw = ::getpwnam(kVsftpdUser);
    OwnBy(pw->pw_uid, pw->pw_gid);
    if (::chown(Folder().c_str(), pw->pw_uid, pw->pw_gid) != 0) {
        Fail("cannot own " + Folder());
        return false;
    }
    return true;
}

void CRealFtpServer::WriteCertificate()
{
    m_certificate = MakeTestCertificate();
    WriteWholeFile(CertificateFile(), m_certificate.certificatePem);
    WriteWholeFile(ScratchPath("key.pem"), m_certificate.keyPem);
    WriteWholeFile(ScratchPath("both.pem"), m_certificate.certificatePem + m_certificate.keyPem);
    // vsftpd reads them as root; pyftpdlib as this user.
    ::chmod(ScratchPath("key.pem").c_str(), 0600);
    ::chmod(ScratchPath("both.pem").c_str(), 0600);
}

// --- CPyftpdlibServer -------------------------------------------------------------------

CPyftpdlibServer::CPyftpdlibServer(Options options)
    : CRealFtpServer("tarnwick", "tarnwick-py", options)
{
}

std::string CPyftpdlibServer::SkipReason()
{
    if (::access(kPython, X_OK) != 0 || ::access(kPyftpdlibModule, R_OK) != 0) {
        return "python3-pyftpdlib is not installed (scripts/test.sh installs it)";
    }
    return {};
}

bool CPyftpdlibServer::Start()
{
    const std::string script = ScratchPath("server.py");
    std::ofstream(script, std::ios::trunc) << kPyftpdlibScript;
    const auto [pasvLow, pasvHigh] = PassiveRange();
    const std::string low = std::to_string(pasvLow);
    const std::string high = std::to_string(pasvHigh);
    std::string certificate = "-";
    if (GetOptions().tls) {
        WriteCertificate();
        certificate = ScratchPath("both.pem");
    }
    const char* argv[] = {
        kPython,        script.c_str(), Folder().c_str(), User().c_str(),      Password().c_str(),
        m_host.c_str(), low.c_str(),    high.c_str(),     certificate.c_str(), nullptr};
    int out = -1;
    if (!Spawn(argv, &out)) {
        return false;
    }
    // The port comes as one line once the socket listens.
    std::string line;
    const auto deadline = Clock::now() + kStartLimit;
    while (line.find('\n') == std::string::npos && Clock::now() < deadline) {
        pollfd pfd{out, POLLIN, 0};
        if (::poll(&pfd, 1, 100) <= 0) {
            continue;
        }
        char buffer[64];
        const ssize_t n = ::read(out, buffer, sizeof buffer);
        if (n <= 0) {
            break; // the server ended before telling its port
        }
        line.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(out);
    m_port = static_cast<unsigned>(std::atoi(line.c_str()));
    if (m_port == 0) {
        Fail("no port announced");
        Stop();
        return false;
    }
    return WaitUntilListening();
}

// --- CProftpdServer ---------------------------------------------------------------------

CProftpdServer::CProftpdServer(Options options, std::string tlsVersion)
    : CRealFtpServer(kVsftpdUser, kVsftpdPassword, options), m_tlsVersion(std::move(tlsVersion))
{
}

std::string CProftpdServer::SkipReason()
{
    if (::geteuid() != 0) {
        return "proftpd tests need root (the server changes to the test user)";
    }
    const std::string root = kProftpdRoot;
    if (::access((root + "/usr/sbin/proftpd").c_str(), X_OK) != 0 ||
        ::access((root + "/usr/lib/proftpd/mod_tls.so").c_str(), R_OK) != 0) {
        return "proftpd is not unpacked in " + root +
               " (scripts/test.sh runs scripts/fetch-proftpd.sh)";
    }
    return {};
}

std::string CProftpdServer::TlsLog() const
{
    return ReadText(ScratchPath("tls.log"));
}

bool CProftpdServer::Start()
{
    if (!ServeAsTestUser()) {
        return false;
    }
    const passwd* pw = ::getpwnam(kVsftpdUser);
    const Options& options = GetOptions();
    if (options.tls) {
        WriteCertificate();
    }
    const std::string root = kProftpdRoot;
    const std::string conf = ScratchPath("proftpd.conf");
    for (int attempt = 0; attempt < 5; ++attempt) {
        m_port = UnusedPort();
        const auto [pasvLow, pasvHigh] = PassiveRange();
        std::ofstream out(conf, std::ios::trunc);
        out << "ServerType standalone\nServerName \"tarnwick test\"\n"
            << "DefaultAddress " << m_host << "\nSocketBindTight on\nPort " << m_port << "\n"
            << "UseIPv6 " << (options.ipv6 ? "on" : "off") << "\n"
            << "User " << kVsftpdUser << "\nGroup " << GroupName(pw->pw_gid) << "\n"
            << "PidFile " << ScratchPath("proftpd.pid") << "\n"
            << "ScoreboardFile " << ScratchPath("scoreboard") << "\n"
            << "DelayTable none\nDelayEngine off\nWtmpLog off\nUseReverseDNS off\nUseSendfile off\n"
            << "RequireValidShell off\nAuthOrder mod_auth_unix.c\n"
            << "DefaultRoot " << Folder() << "\n"
            << "PassivePorts " << pasvLow << " " << pasvHigh << "\n"
            << "Umask 022\nAllowOverwrite on\nAllowStoreRestart on\nAllowRetrieveRestart on\n"
            << "SystemLog " << ScratchPath("server.log") << "\nTransferLog none\n"
            << "ModulePath " << root << "/usr/lib/proftpd\n";
        if (options.tls) {
            out << "LoadModule mod_tls.c\n"
                << "TLSEngine on\nTLSRequired on\nTLSVerifyClient off\n"
                << "TLSRSACertificateFile " << CertificateFile() << "\n"
                << "TLSRSACertificateKeyFile " << ScratchPath("key.pem") << "\n"
                << "TLSProtocol " << (m_tlsVersion.empty() ? "TLSv1.2 TLSv1.3" : m_tlsVersion)
                << "\nTLSLog " << ScratchPath("tls.log") << "\n";
        }
        out.close();
        const std::string libraries = "LD_LIBRARY_PATH=" + root + "/usr/lib/x86_64-linux-gnu";
        const std::string binary = root + "/usr/sbin/proftpd";
        const char* argv[] = {"/usr/bin/env", libraries.c_str(), binary.c_str(), "--nodaemon",
                              "-c",           conf.c_str(),      nullptr};
        if (const Launch launch = StartOnPort(argv); launch != Launch::Retry) {
            return launch == Launch::Started;
        }
    }
    return false;
}

// --- choice by kind ---------------------------------------------------------------------

std::unique_ptr<CRealFtpServer> MakeRealServer(ServerKind kind, CRealFtpServer::Options options)
{
    if (kind == ServerKind::Vsftpd) {
        return std::make_unique<CVsftpdServer>(options);
    }
    return std::make_unique<CPyftpdlibServer>(options);
}

std::string RealServerSkipReason(ServerKind kind)
{
    return kind == ServerKind::Vsftpd ? CVsftpdServer::SkipReason()
                                      : CPyftpdlibServer::SkipReason();
}

} // namespace tarnwick::testing
