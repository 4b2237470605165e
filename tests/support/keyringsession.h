// CKeyringSession: a private D-Bus session bus for one test, from a configuration of its own
// that names no service files (nothing is started on demand), and on it, when asked, a real
// gnome-keyring-daemon whose login keyring is made and unlocked with a password on its standard
// input, as a desktop login does. While the object lives, HOME, the XDG folders and
// DBUS_SESSION_BUS_ADDRESS point at it; both daemons are stopped by their process ids when it
// goes, and die with the test process if that is killed.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "support/tempdir.h"

namespace tarnwick::testing {

class CKeyringSession {
public:
    // Empty when dbus-daemon, gnome-keyring-daemon and gdbus are installed; else what is not.
    [[nodiscard]] static std::string SkipReason();

    CKeyringSession() = default;
    ~CKeyringSession();
    CKeyringSession(const CKeyringSession&) = delete;
    CKeyringSession& operator=(const CKeyringSession&) = delete;

    // Each false with Error() saying why.
    bool StartBus();
    // Starts the keyring daemon and waits (bounded) until it owns its name on the bus.
    bool StartKeyring();
    // Locks the login keyring, as a screen lock or a keyring manager does.
    bool LockKeyring();
    // Stops (SIGSTOP) or continues the daemon: stopped, it owns its name but never answers.
    bool PauseKeyring(bool pause);
    [[nodiscard]] const std::string& Error() const { return m_error; }

private:
    bool Fail(const std::string& what);

    CTempDir m_dir;
    std::vector<std::unique_ptr<CScopedEnv>> m_env;
    std::string m_error;
    pid_t m_busPid = -1;
    pid_t m_keyringPid = -1;
};

} // namespace tarnwick::testing
