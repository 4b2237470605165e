#include "settings/profiles.h"

#include "settings/registrykey.h"
#include "settings/settings.h"

namespace tarnwick {

namespace {

std::string Slotted(const char* name, int slot)
{
    return name + std::to_string(slot);
}

// Opens the product key for the slot named `name`; the slot, or 0 when there is none or the
// key cannot be opened.
int OpenNamedSlot(const std::string& name, CRegistryKey& key)
{
    const int slot = FindProfileSlot(name);
    if (slot == 0 || key.Open(RegistryRoot::CurrentUser, kProductKeyPath) != kRegOk) {
        return 0;
    }
    return slot;
}

// The key of the password saved with a slot; false when the slot is free or the key cannot be
// opened.
bool SlotPasswordKey(CRegistryKey& key, int slot, PasswordKey& passwordKey)
{
    PasswordKey read;
    if (key.GetString(Slotted("SettingName", slot), read.profile) != kRegOk ||
        read.profile.empty()) {
        return false;
    }
    (void)key.GetString(Slotted("Server", slot), read.server);
    (void)key.GetString(Slotted("Name", slot), read.user);
    passwordKey = read;
    return true;
}

bool SameKey(const PasswordKey& a, const PasswordKey& b)
{
    return a.profile == b.profile && a.server == b.server && a.user == b.user;
}

// Empties the file's password of every slot saved for `passwordKey`; a slot with another
// server or user keeps its own.
void ClearFilePasswords(const PasswordKey& passwordKey)
{
    CRegistryKey key;
    if (key.Open(RegistryRoot::CurrentUser, kProductKeyPath) != kRegOk) {
        return;
    }
    for (int slot = 1; slot <= kProfileSlots; ++slot) {
        PasswordKey held;
        std::string password;
        if (SlotPasswordKey(key, slot, held) && SameKey(held, passwordKey) &&
            key.GetString(Slotted("Pass", slot), password) == kRegOk && !password.empty()) {
            (void)key.SetString(Slotted("Pass", slot), std::string());
        }
    }
}

bool AnySlotHolds(const PasswordKey& passwordKey)
{
    CRegistryKey key;
    if (key.Open(RegistryRoot::CurrentUser, kProductKeyPath) != kRegOk) {
        return false;
    }
    for (int slot = 1; slot <= kProfileSlots; ++slot) {
        PasswordKey held;
        if (SlotPasswordKey(key, slot, held) && SameKey(held, passwordKey)) {
            return true;
        }
    }
    return false;
}

} // namespace

std::string ReadProfileName(int slot)
{
    CRegistryKey key;
    std::string name;
    if (key.Open(RegistryRoot::CurrentUser, kProductKeyPath) == kRegOk) {
        (void)key.GetString(Slotted("SettingName", slot), name);
    }
    return name;
}

int FindProfileSlot(const std::string& name)
{
    CRegistryKey key;
    if (key.Open(RegistryRoot::CurrentUser, kProductKeyPathUpper) != kRegOk) {
        return 0;
    }
    for (int slot = 1; slot <= kProfileSlots; ++slot) {
        std::string stored;
        (void)key.GetString(Slotted("SettingName", slot), stored); // missing reads as empty
        if (stored == name) {
            return slot;
        }
    }
    return 0;
}

bool LoadProfile(const std::string& name, ServerProfile& profile)
{
    CRegistryKey key;
    const int slot = OpenNamedSlot(name, key);
    if (slot == 0) {
        return false;
    }
    ServerProfile loaded;
    if (key.GetString(Slotted("Server", slot), loaded.server) == kRegOk) {
        (void)key.GetString(Slotted("Name", slot), loaded.userName);
        (void)key.GetString(Slotted("Pass", slot), loaded.password);
        (void)key.GetString(Slotted("LocalInitDir", slot), loaded.localInitDir);
        (void)key.GetString(Slotted("RemoteInitDir", slot), loaded.remoteInitDir);
        std::uint32_t encryption = 0;
        if (key.GetDword(Slotted("Encryption", slot), encryption) == kRegOk && encryption <= 3) {
            loaded.encryption = static_cast<ProfileEncryption>(encryption);
        }
        (void)key.GetString(Slotted("ServerEncoding", slot), loaded.encoding);
    }
    profile = loaded;
    return true;
}

SaveProfileResult SaveProfile(const std::string& name, const ServerProfile& profile)
{
    const int slot = FindProfileSlot(std::string());
    if (slot == 0) {
        return SaveProfileResult::NoFreeSlot;
    }
    CRegistryKey key;
    if (key.Open(RegistryRoot::CurrentUser, kProductKeyPath) != kRegOk) {
        return SaveProfileResult::StoreFailed;
    }
    const long results[] = {
        key.SetString(Slotted("SettingName", slot), name),
        key.SetString(Slotted("Server", slot), profile.server),
        key.SetString(Slotted("Name", slot), profile.userName),
        key.SetString(Slotted("Pass", slot), profile.password),
        key.SetString(Slotted("LocalInitDir", slot), profile.localInitDir),
        key.SetString(Slotted("RemoteInitDir", slot), profile.remoteInitDir),
        key.SetDword(Slotted("Encryption", slot), static_cast<std::uint32_t>(profile.encryption)),
        key.SetString(Slotted("ServerEncoding", slot), profile.encoding),
    };
    for (const long result : results) {
        if (result != kRegOk) {
            return SaveProfileResult::StoreFailed;
        }
    }
    return SaveProfileResult::Saved;
}

bool DeleteProfile(const std::string& name)
{
    CRegistryKey key;
    const int slot = OpenNamedSlot(name, key);
    if (slot == 0) {
        return false;
    }
    // The values stay, empty, rather than being removed.
    for (const char* value :
         {"SettingName", "Server", "Name", "Pass", "LocalInitDir", "RemoteInitDir"}) {
        (void)key.SetString(Slotted(value, slot), std::string());
    }
    return true;
}

PasswordKey PasswordKeyOf(const std::string& name, const ServerProfile& profile)
{
    return {name, profile.server, profile.userName};
}

KeyringResult LoadProfilePassword(const std::string& name, ServerProfile& profile,
                                  CPasswordStore& passwords)
{
    if (!profile.password.empty()) {
        return {};
    }
    // A profile without a server (unreadable) is not asked about: there is nothing to log in to.
    if (profile.server.empty()) {
        return {KeyringStatus::NotFound, {}};
    }
    return passwords.Lookup(PasswordKeyOf(name, profile), profile.password);
}

SaveProfileResult SaveProfile(const std::string& name, const ServerProfile& profile,
                              CPasswordStore& passwords, KeyringResult& keyring)
{
    keyring = {};
    if (profile.password.empty() || FindProfileSlot(std::string()) == 0) {
        return SaveProfile(name, profile);
    }
    const PasswordKey passwordKey = PasswordKeyOf(name, profile);
    keyring = passwords.Store(passwordKey, profile.password);
    if (keyring.status != KeyringStatus::Ok) {
        return SaveProfile(name, profile);
    }
    ServerProfile withoutPassword = profile;
    withoutPassword.password.clear();
    const SaveProfileResult saved = SaveProfile(name, withoutPassword);
    if (saved == SaveProfileResult::Saved) {
        ClearFilePasswords(passwordKey);
    }
    return saved;
}

bool DeleteProfile(const std::string& name, CPasswordStore& passwords, KeyringResult& keyring)
{
    keyring = {};
    ServerProfile profile;
    if (!LoadProfile(name, profile) || !DeleteProfile(name)) {
        return false;
    }
    // Two slots of one name, server and user share their keyring item.
    const PasswordKey passwordKey = PasswordKeyOf(name, profile);
    if (!AnySlotHolds(passwordKey)) {
        keyring = passwords.Remove(passwordKey);
    }
    return true;
}

bool GetSavePassFlag()
{
    CRegistryKey key;
    std::uint32_t value = 0;
    return key.Open(RegistryRoot::CurrentUser, kProductKeyPathUpper) == kRegOk &&
           key.GetDword("SavePass", value) == kRegOk && value == 1;
}

bool SetSavePassFlag(bool save)
{
    CRegistryKey key;
    if (key.Open(RegistryRoot::CurrentUser, kProductKeyPathUpper) != kRegOk) {
        return false;
    }
    (void)key.SetDword("SavePass", save ? 1 : 0);
    return true;
}

std::string GetLastProfileName()
{
    CRegistryKey key;
    std::string name;
    if (key.Open(RegistryRoot::CurrentUser, kProductKeyPath) == kRegOk) {
        (void)key.GetString("LastSettingName", name);
    }
    return name;
}

void SetLastProfileName(const std::string& name)
{
    if (GetLastProfileName() == name) {
        return; // nothing changes: the store is not written
    }
    CRegistryKey key;
    if (key.Open(RegistryRoot::CurrentUser, kProductKeyPath) == kRegOk) {
        (void)key.SetString("LastSettingName", name);
    }
}

} // namespace tarnwick
