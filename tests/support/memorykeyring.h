// CMemoryKeyring: a keyring for tests, in memory. It keeps one password per key, or, with
// `unusable` set, answers every call with that status as a keyring that cannot be used would.
#pragma once

#include <map>
#include <string>
#include <tuple>

#include "settings/passwordstore.h"

namespace tarnwick::testing {

class CMemoryKeyring : public CPasswordStore {
public:
    using Key = std::tuple<std::string, std::string, std::string>;

    KeyringResult Lookup(const PasswordKey& key, std::string& password) override
    {
        const auto found = items.find(KeyOf(key));
        if (unusable != KeyringStatus::Ok || found == items.end()) {
            return Answer(KeyringStatus::NotFound);
        }
        password = found->second;
        return Answer(KeyringStatus::Ok);
    }
    KeyringResult Store(const PasswordKey& key, const std::string& password) override
    {
        if (unusable == KeyringStatus::Ok) {
            items[KeyOf(key)] = password;
        }
        return Answer(KeyringStatus::Ok);
    }
    KeyringResult Remove(const PasswordKey& key) override
    {
        if (unusable == KeyringStatus::Ok) {
            items.erase(KeyOf(key));
        }
        return Answer(KeyringStatus::Ok);
    }
    KeyringResult Probe() override { return Answer(KeyringStatus::Ok); }

    std::map<Key, std::string> items;
    KeyringStatus unusable = KeyringStatus::Ok;
    int calls = 0;

private:
    static Key KeyOf(const PasswordKey& key) { return {key.profile, key.server, key.user}; }
    // `usable` when the keyring can be used, else why not.
    KeyringResult Answer(KeyringStatus usable)
    {
        ++calls;
        return {unusable != KeyringStatus::Ok ? unusable : usable, {}};
    }
};

} // namespace tarnwick::testing
