// CPasswordStore: where a saved profile's password lives when the settings file does not hold
// it, the desktop keyring. A password is found by the profile's name, server and user together,
// so it is only ever handed to the account it was saved for (a profile of the same name in
// another settings file, with another server, gets nothing).
#pragma once

#include <string>

namespace tarnwick {

// Whose password: a profile's name, its server (as stored, with any port) and its user name.
struct PasswordKey {
    std::string profile;
    std::string server;
    std::string user;
};

// What a keyring call came to. Ok and NotFound are answers; every other value says why the
// keyring could not be used, and the caller keeps the password in the 0600 settings file.
enum class KeyringStatus {
    Ok,
    NotFound,  // a lookup found no password for the key
    NoBus,     // there is no session bus to ask
    NoService, // the session bus has no Secret Service
    NoDefault, // the service has no default collection (making one needs a prompt)
    Locked,    // the collection or the item is locked (unlocking needs a prompt)
    TimedOut,  // no answer within the time limit
    Failed,    // any other error; the detail says which
};

struct KeyringResult {
    KeyringStatus status = KeyringStatus::Ok;
    std::string detail; // the service's own words, for Failed

    // True when the keyring answered, whether or not it held a password.
    [[nodiscard]] bool Answered() const
    {
        return status == KeyringStatus::Ok || status == KeyringStatus::NotFound;
    }
};

class CPasswordStore {
public:
    virtual ~CPasswordStore() = default;

    // The password saved for `key`: Ok with `password` set, NotFound, or why the keyring could
    // not be asked. `password` is left alone unless the result is Ok.
    virtual KeyringResult Lookup(const PasswordKey& key, std::string& password) = 0;
    // Saves `password` for `key`, replacing what was saved for the same key.
    virtual KeyringResult Store(const PasswordKey& key, const std::string& password) = 0;
    // Removes what is saved for `key`; Ok also when nothing was.
    virtual KeyringResult Remove(const PasswordKey& key) = 0;
    // Ok when a Store could succeed now; otherwise why not.
    virtual KeyringResult Probe() = 0;
};

} // namespace tarnwick
