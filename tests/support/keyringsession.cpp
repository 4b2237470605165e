#include "support/keyringsession.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include <gio/gio.h>

#include "support/stopprocess.h"

extern char** environ;

namespace tarnwick::testing {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr const char* kBusDaemon = "/usr/bin/dbus-daemon";
constexpr const char* kKeyringDaemon = "/usr/bin/gnome-keyring-daemon";
constexpr auto kStartLimit = 10s;
constexpr gint kCallLimitMs = 5000;

// A method call on the bus with a time limit; the reply, or null with `error` set.
GVariant* Call(GDBusConnection* bus, const char* name, const char* path, const char* interface,
               const char* method, GVariant* args, std::string& error)
{
    GError* raw = nullptr;
    GVariant* reply =
        g_dbus_connection_call_sync(bus, name, path, interface, method, args, nullptr,
                                    G_DBUS_CALL_FLAGS_NO_AUTO_START, kCallLimitMs, nullptr, &raw);
    if (reply == nullptr) {
        error = raw->message;
        g_error_free(raw);
    }
    return reply;
}

GDBusConnection* Connect(const std::string& address, std::string& error)
{
    GError* raw = nullptr;
    GDBusConnection* bus = g_dbus_connection_new_for_address_sync(
        address.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &raw);
    if (bus == nullptr) {
        error = raw->message;
        g_error_free(raw);
    }
    return bus;
}

} // namespace

std::string CKeyringSession::SkipReason()
{
    for (const char* program : {kBusDaemon, kKeyringDaemon}) {
        if (::access(program, X_OK) != 0) {
            return std::string(program) + " is not installed (packages dbus-daemon, gnome-keyring)";
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
    m_error = what;
    const std::string log = m_dir.File("daemons.log");
    if (std::filesystem::exists(log)) {
        m_error += "\n--- daemon log ---\n" + ReadWholeFile(log);
    }
    return false;
}

pid_t CKeyringSession::Spawn(const std::vector<std::string>& argv, const std::string& input,
                             int printFd)
{
    int inPipe[2] = {-1, -1};
    if (::pipe2(inPipe, O_CLOEXEC) != 0) {
        return -1;
    }
    // Everything exec needs is made before fork: only async-signal-safe calls after it.
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        env.emplace_back(*entry);
    }
    env.insert(env.end(), m_environment.begin(), m_environment.end());
    std::vector<char*> envp;
    for (std::string& entry : env) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    std::vector<std::string> args = argv;
    std::vector<char*> argp;
    for (std::string& arg : args) {
        argp.push_back(arg.data());
    }
    argp.push_back(nullptr);
    const std::string logPath = m_dir.File("daemons.log");

    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (log < 0 || ::dup2(inPipe[0], 0) < 0 || ::dup2(log, 1) < 0 || ::dup2(log, 2) < 0 ||
            (printFd >= 0 && ::dup2(printFd, 3) < 0)) {
            ::_exit(127);
        }
        ::execve(argp[0], argp.data(), envp.data());
        ::_exit(127);
    }
    ::close(inPipe[0]);
    if (pid > 0 && !input.empty()) {
        (void)!::write(inPipe[1], input.data(), input.size());
    }
    ::close(inPipe[1]);
    return pid;
}

bool CKeyringSession::StartBus()
{
    const std::string runtime = m_dir.File("run");
    const std::string services = m_dir.File("services");
    std::filesystem::create_directories(runtime);
    std::filesystem::create_directories(services);
    std::filesystem::create_directories(m_dir.File("data"));
    ::chmod(runtime.c_str(), 0700);
    // A session bus that starts nothing by itself: a test that wants a keyring starts one.
    const std::string config = m_dir.File("bus.conf");
    std::ofstream(config) << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus "
                             "Configuration 1.0//EN\"\n"
                             " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                             "<busconfig>\n"
                             "  <type>session</type>\n"
                             "  <listen>unix:dir="
                          << runtime
                          << "</listen>\n"
                             "  <auth>EXTERNAL</auth>\n"
                             "  <servicedir>"
                          << services
                          << "</servicedir>\n"
                             "  <policy context=\"default\">\n"
                             "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                             "    <allow eavesdrop=\"true\"/>\n"
                             "    <allow own=\"*\"/>\n"
                             "  </policy>\n"
                             "</busconfig>\n";
    m_environment = {"HOME=" + m_dir.Path(), "XDG_DATA_HOME=" + m_dir.File("data"),
                     "XDG_CONFIG_HOME=" + m_dir.File("config"), "XDG_RUNTIME_DIR=" + runtime};

    int addressPipe[2] = {-1, -1};
    if (::pipe2(addressPipe, O_CLOEXEC) != 0) {
        return Fail("pipe failed");
    }
    m_busPid = Spawn({kBusDaemon, "--config-file=" + config, "--nofork", "--print-address=3"},
                     std::string(), addressPipe[1]);
    ::close(addressPipe[1]);
    std::string printed;
    const auto deadline = Clock::now() + kStartLimit;
    while (printed.find('\n') == std::string::npos && Clock::now() < deadline) {
        pollfd wait{addressPipe[0], POLLIN, 0};
        if (::poll(&wait, 1, 100) <= 0) {
            continue;
        }
        char buffer[512];
        const ssize_t n = ::read(addressPipe[0], buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        printed.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(addressPipe[0]);
    if (m_busPid <= 0 || printed.find('\n') == std::string::npos) {
        return Fail("dbus-daemon printed no address");
    }
    m_address = printed.substr(0, printed.find('\n'));
    m_environment.push_back("DBUS_SESSION_BUS_ADDRESS=" + m_address);
    m_busEnv = std::make_unique<CScopedEnv>("DBUS_SESSION_BUS_ADDRESS", m_address);
    return true;
}

bool CKeyringSession::StartKeyring()
{
    // The login password on standard input makes and unlocks the login keyring, which
    // becomes the default collection.
    m_keyringPid = Spawn({kKeyringDaemon, "--foreground", "--unlock", "--components=secrets"},
                         "login-password", -1);
    if (m_keyringPid <= 0) {
        return Fail("gnome-keyring-daemon did not start");
    }
    std::string error;
    GDBusConnection* bus = Connect(m_address, error);
    if (bus == nullptr) {
        return Fail("no connection to the test bus: " + error);
    }
    bool ready = false;
    const auto deadline = Clock::now() + kStartLimit;
    while (!ready && Clock::now() < deadline) {
        if (GVariant* reply =
                Call(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                     "NameHasOwner", g_variant_new("(s)", "org.freedesktop.secrets"), error)) {
            gboolean owned = FALSE;
            g_variant_get(reply, "(b)", &owned);
            g_variant_unref(reply);
            ready = owned == TRUE;
        }
        if (!ready) {
            std::this_thread::sleep_for(20ms);
        }
    }
    g_object_unref(bus);
    return ready || Fail("gnome-keyring-daemon did not take its name on the bus in 10 s");
}

bool CKeyringSession::LockKeyring()
{
    std::string error;
    GDBusConnection* bus = Connect(m_address, error);
    if (bus == nullptr) {
        return Fail("no connection to the test bus: " + error);
    }
    bool locked = false;
    if (GVariant* alias = Call(bus, "org.freedesktop.secrets", "/org/freedesktop/secrets",
                               "org.freedesktop.Secret.Service", "ReadAlias",
                               g_variant_new("(s)", "default"), error)) {
        const gchar* path = nullptr;
        g_variant_get(alias, "(&o)", &path);
        const gchar* paths[] = {path, nullptr};
        if (GVariant* reply = Call(bus, "org.freedesktop.secrets", "/org/freedesktop/secrets",
                                   "org.freedesktop.Secret.Service", "Lock",
                                   g_variant_new("(^ao)", paths), error)) {
            g_variant_unref(reply);
            locked = true;
        }
        g_variant_unref(alias);
    }
    g_object_unref(bus);
    return locked || Fail("could not lock the default collection: " + error);
}

bool CKeyringSession::PauseKeyring(bool pause)
{
    return (m_keyringPid > 0 && ::kill(m_keyringPid, pause ? SIGSTOP : SIGCONT) == 0) ||
           Fail("no keyring daemon to stop or continue");
}

} // namespace tarnwick::testing
