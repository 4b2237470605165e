#include "support/keyringsession.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/stopprocess.h"

namespace tarnwick::testing {

namespace {

constexpr const char* kBusDaemon = "/usr/bin/dbus-daemon";
constexpr const char* kKeyringDaemon = "/usr/bin/gnome-keyring-daemon";
constexpr const char* kGdbus = "/usr/bin/gdbus";

// Starts `argv` with `input` on its standard input, its output in `log` and `printFd` (when
// not -1) as descriptor 3; the process id, or -1.
pid_t Spawn(std::vector<std::string> argv, const std::string& input, const std::string& log,
            int printFd)
{
    int in[2] = {-1, -1};
    if (::pipe2(in, O_CLOEXEC) != 0) {
        return -1;
    }
    std::vector<char*> args;
    for (std::string& arg : argv) {
        args.push_back(arg.data());
    }
    args.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (out < 0 || ::dup2(in[0], 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(out, 2) < 0 ||
            (printFd >= 0 && ::dup2(printFd, 3) < 0)) {
            ::_exit(127);
        }
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::close(in[0]);
    (void)!::write(in[1], input.data(), input.size());
    ::close(in[1]);
    return pid;
}

} // namespace

std::string CKeyringSession::SkipReason()
{
    for (const char* program : {kBusDaemon, kKeyringDaemon, kGdbus}) {
        if (::access(program, X_OK) != 0) {
            return std::string(program) +
                   " is not installed (packages dbus-daemon, gnome-keyring, libglib2.0-bin)";
        }
    }
    return std::string();
}

CKeyringSession::~CKeyringSession()
{
    if (m_keyringPid > 0) {
        ::kill(m_keyringPid, SIGCONT); // a stopped daemon does not act on SIGTERM
    }
    StopProcess(m_keyringPid);
    StopProcess(m_busPid);
}

bool CKeyringSession::Fail(const std::string& what)
{
    m_error = what + "\n--- daemon log ---\n" + ReadWholeFile(m_dir.File("daemons.log"));
    return false;
}

bool CKeyringSession::StartBus()
{
    const std::string runtime = m_dir.File("run");
    for (const char* folder : {"run", "services", "data", "config"}) {
        std::filesystem::create_directories(m_dir.File(folder));
    }
    ::chmod(runtime.c_str(), 0700);
    for (const auto& [name, value] :
         {std::pair{"HOME", m_dir.Path()}, std::pair{"XDG_DATA_HOME", m_dir.File("data")},
          std::pair{"XDG_CONFIG_HOME", m_dir.File("config")},
          std::pair{"XDG_RUNTIME_DIR", runtime}}) {
        m_env.push_back(std::make_unique<CScopedEnv>(name, value));
    }
    const std::string config = m_dir.File("bus.conf");
    std::ofstream(config) << "<busconfig><type>session</type><listen>unix:dir=" << runtime
                          << "</listen><auth>EXTERNAL</auth><servicedir>" << m_dir.File("services")
                          << "</servicedir><policy context=\"default\"><allow send_destination="
                             "\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow "
                             "own=\"*\"/></policy></busconfig>\n";
    int address[2] = {-1, -1};
    if (::pipe2(address, O_CLOEXEC) != 0) {
        return Fail("pipe failed");
    }
    m_busPid = Spawn({kBusDaemon, "--config-file=" + config, "--nofork", "--print-address=3"}, "",
                     m_dir.File("daemons.log"), address[1]);
    ::close(address[1]);
    std::string printed;
    char buffer[512];
    pollfd wait{address[0], POLLIN, 0};
    while (printed.find('\n') == std::string::npos && ::poll(&wait, 1, 10000) == 1) {
        const ssize_t n = ::read(address[0], buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        printed.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(address[0]);
    if (m_busPid <= 0 || printed.find('\n') == std::string::npos) {
        return Fail("dbus-daemon printed no address in 10 s");
    }
    m_env.push_back(std::make_unique<CScopedEnv>("DBUS_SESSION_BUS_ADDRESS",
                                                 printed.substr(0, printed.find('\n'))));
    return true;
}

bool CKeyringSession::StartKeyring()
{
    m_keyringPid = Spawn({kKeyringDaemon, "--foreground", "--unlock", "--components=secrets"},
                         "login-password", m_dir.File("daemons.log"), -1);
    const std::string wait = std::string(kGdbus) +
                             " wait --session --timeout 10 org.freedesktop.secrets >>'" +
                             m_dir.File("daemons.log") + "' 2>&1";
    return (m_keyringPid > 0 && std::system(wait.c_str()) == 0) ||
           Fail("gnome-keyring-daemon did not take its name on the bus in 10 s");
}

bool CKeyringSession::LockKeyring()
{
    const std::string lock =
        std::string(kGdbus) +
        " call --session --timeout 5 --dest org.freedesktop.secrets --object-path "
        "/org/freedesktop/secrets --method org.freedesktop.Secret.Service.Lock "
        "\"['/org/freedesktop/secrets/collection/login']\" >>'" +
        m_dir.File("daemons.log") + "' 2>&1";
    return std::system(lock.c_str()) == 0 || Fail("could not lock the login keyring");
}

bool CKeyringSession::PauseKeyring(bool pause)
{
    return (m_keyringPid > 0 && ::kill(m_keyringPid, pause ? SIGSTOP : SIGCONT) == 0) ||
           Fail("no keyring daemon to stop or continue");
}

} // namespace tarnwick::testing
