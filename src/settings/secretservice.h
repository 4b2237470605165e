// CSecretServiceStore: profile passwords in the desktop keyring, through the freedesktop Secret
// Service (GNOME Keyring, KWallet) by libsecret. One item per profile, in the collection with
// the alias "default". A collection is never made and nothing is ever unlocked, since both ask
// through a prompt that nobody may be there to answer: a missing or locked default collection
// is an answer (NoDefault, Locked), and the caller keeps the settings file.
//
// The store speaks to the session bus named by DBUS_SESSION_BUS_ADDRESS, else
// $XDG_RUNTIME_DIR/bus. Without either it answers NoBus at once and starts nothing (no bus is
// launched on the side). A bus that goes away never ends the program: GLib would, by default,
// for its process-wide connection.
//
// Every call is bounded: it runs on a thread of its own with a private GLib main context while
// the caller waits in slices of at most 50 ms, calling the pump between them (the window
// repaints). At the limit the call is cancelled and answers TimedOut; after that the same store
// answers TimedOut at once, so a keyring that hangs costs one wait, not one per call.
#pragma once

#include <chrono>
#include <functional>

#include "settings/passwordstore.h"

namespace tarnwick {

class CSecretServiceStore : public CPasswordStore {
public:
    // Long enough for the bus to start a keyring daemon on first use.
    static constexpr std::chrono::milliseconds kDefaultLimit{5000};

    explicit CSecretServiceStore(std::chrono::milliseconds limit = kDefaultLimit) : m_limit(limit)
    {
    }

    // Called between the slices of every wait (the GUI repaints); none by default.
    void SetPump(std::function<void()> pump) { m_pump = std::move(pump); }

    KeyringResult Lookup(const PasswordKey& key, std::string& password) override;
    KeyringResult Store(const PasswordKey& key, const std::string& password) override;
    KeyringResult Remove(const PasswordKey& key) override;
    KeyringResult Probe() override;

private:
    class COperation;
    // Runs `work` on a thread of its own with a bound, pumping meanwhile.
    KeyringResult Run(const std::function<KeyringResult(COperation&)>& work);

    std::chrono::milliseconds m_limit;
    std::function<void()> m_pump;
    bool m_bTimedOut = false;
};

// The session bus address the store uses; empty when there is none.
[[nodiscard]] std::string SessionBusAddress();

} // namespace tarnwick
