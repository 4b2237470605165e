// CKeyringSession: a private D-Bus session bus for one test, from a configuration of its own
// that names no service files (so nothing is started on demand), and on it, when asked, a real
// gnome-keyring-daemon whose login keyring is made and unlocked with a password given on its
// standard input, as a desktop login does. While the object lives DBUS_SESSION_BUS_ADDRESS
// names the bus. Both daemons are stopped by their process ids when it goes, and die with the
// test process if it is killed.
//
//   if (const std::string why = CKeyringSession::SkipReason(); !why.empty()) {
//       GTEST_SKIP() << why;
//   }
//   CKeyringSession session;
//   ASSERT_TRUE(session.StartBus() && session.StartKeyring()) << session.Error();
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "support/tempdir.h"

namespace tarnwick::testing {

class CKeyringSession {
public:
    // Empty when dbus-daemon and gnome-keyring-daemon are installed; otherwise what is missing.
    [[nodiscard]] static std::string SkipReason();

    CKeyringSession() = default;
    ~CKeyringSession();
    CKeyringSession(const CKeyringSession&) = delete;
    CKeyringSession& operator=(const CKeyringSession&) = delete;

    // Starts the bus and points DBUS_SESSION_BUS_ADDRESS at it. False with Error() saying why.
    bool StartBus();
    // Starts the keyring daemon on the bus and waits (bounded) until it owns its name.
    bool StartKeyring();
    // Locks the default collection, as a screen lock or a keyring manager does.
    bool LockKeyring();
    // Stops (SIGSTOP) or continues the keyring daemon: stopped, it owns its name but never
    // answers.
    bool PauseKeyring(bool pause);
    // The environment the daemons and the programs of a test run with (NAME=value).
    [[nodiscard]] const std::vector<std::string>& Environment() const { return m_environment; }
    [[nodiscard]] const std::string& Address() const { return m_address; }
    [[nodiscard]] const std::string& Error() const { return m_error; }

private:
    // Starts argv[0] with the session's environment, `input` on its standard input and the
    // write end `printFd` (when not -1) as descriptor 3; the process id, or -1.
    pid_t Spawn(const std::vector<std::string>& argv, const std::string& input, int printFd);
    bool Fail(const std::string& what);

    CTempDir m_dir;
    std::vector<std::string> m_environment;
    std::string m_address;
    std::string m_error;
    pid_t m_busPid = -1;
    pid_t m_keyringPid = -1;
    std::unique_ptr<CScopedEnv> m_busEnv;
};

} // namespace tarnwick::testing
