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
        ++calls;
        if (unusable != KeyringStatus::Ok) {
            return {unusable, {}};
        }
        const auto found = items.find(KeyOf(key));
        if (found == items.end()) {
            return {KeyringStatus::NotFound, {}};
        }
        password = found->second;
        return {};
    }
    KeyringResult Store(const PasswordKey& key, const std::string& password) override
    {
        ++calls;
        if (unusable != KeyringStatus::Ok) {
            return {unusable, {}};
        }
        items[KeyOf(key)] = password;
        return {};
    }
    KeyringResult Remove(const PasswordKey& key) override
    {
        ++calls;
        if (unusable != KeyringStatus::Ok) {
            return {unusable, {}};
        }
        items.erase(KeyOf(key));
        return {};
    }
    KeyringResult Probe() override
    {
        ++calls;
        return {unusable, {}};
    }

    static Key KeyOf(const PasswordKey& key) { return {key.profile, key.server, key.user}; }

    std::map<Key, std::string> items;
    KeyringStatus unusable = KeyringStatus::Ok;
    int calls = 0;
};

} // namespace tarnwick::testing
