// Server profiles: ten numbered slots in the product key, each six texts (SettingName%d,
// Server%d, Name%d, Pass%d, LocalInitDir%d, RemoteInitDir%d) and the encryption (a number,
// Encryption%d; a profile saved before it existed has none and reads as the default) and the
// names' encoding (ServerEncoding%d, a text). A slot
// is free while its name reads as empty. Profiles are found by name, compared exactly; of two slots
// with one name the lower wins.
#pragma once

#include <string>

#include "settings/passwordstore.h"

namespace tarnwick {

inline constexpr int kProfileSlots = 10;

// How a profile's connection is encrypted (FTP over TLS): none, explicit TLS when the server
// offers it (the default), explicit TLS required, implicit TLS. The numbers are stored.
enum class ProfileEncryption {
    None = 0,
    ExplicitIfAvailable = 1,
    ExplicitRequired = 2,
    Implicit = 3
};

struct ServerProfile {
    std::string server;
    std::string userName;
    std::string password;
    std::string localInitDir;
    std::string remoteInitDir;
    ProfileEncryption encryption = ProfileEncryption::ExplicitIfAvailable;
    // The server's name encoding (ServerEncoding%d): an iconv name or kAutoEncoding; empty
    // (also for a profile saved before it existed) follows the options sheet's.
    std::string encoding = std::string();
};

// The slot's profile name; empty when the slot is free or the key cannot be opened.
[[nodiscard]] std::string ReadProfileName(int slot);
// The lowest slot (1 to 10) named `name`, 0 when none is or the key cannot be opened.
// The empty name finds the lowest free slot.
[[nodiscard]] int FindProfileSlot(const std::string& name);
// Fills `profile` from the slot named `name`. False (and `profile` untouched) when there is
// no such slot or the key cannot be opened. When the server value cannot be read (missing,
// or 100 characters and more) every field becomes empty.
bool LoadProfile(const std::string& name, ServerProfile& profile);

enum class SaveProfileResult { Saved, NoFreeSlot, StoreFailed };
// Stores the profile under `name` in the lowest free slot; never replaces a profile.
SaveProfileResult SaveProfile(const std::string& name, const ServerProfile& profile);
// Empties the six values of the slot named `name`. False when there is no such slot.
bool DeleteProfile(const std::string& name);

// Passwords in the keyring. A slot whose Pass%d is empty may have its password in the keyring,
// under the profile's name, server and user; a password still in the file (saved before the
// keyring was used, or while none could be) wins.

// The key a profile's password is saved under.
[[nodiscard]] PasswordKey PasswordKeyOf(const std::string& name, const ServerProfile& profile);

// Completes `profile`, as LoadProfile filled it for `name`, with the keyring's password when
// the file holds none. Ok when the password is known (from either place), NotFound when neither
// holds one, else why the keyring could not be read (the password then stays empty).
KeyringResult LoadProfilePassword(const std::string& name, ServerProfile& profile,
                                  CPasswordStore& passwords);

// SaveProfile with a non-empty password put into the keyring: the new slot then holds no
// password, nor do the other slots of the same name, server and user (theirs moved to the
// keyring too, replaced by this one). When the keyring cannot take it, the password goes into
// the file as before and `keyring` says why. An empty password leaves the keyring alone.
SaveProfileResult SaveProfile(const std::string& name, const ServerProfile& profile,
                              CPasswordStore& passwords, KeyringResult& keyring);
// DeleteProfile, and the keyring's item once no other slot holds the same name, server and
// user. `keyring` says why when the item could not be removed.
bool DeleteProfile(const std::string& name, CPasswordStore& passwords, KeyringResult& keyring);

// The name of the profile the last confirmed login dialog was on (LastSettingName in the
// product key), for the next opening to select; empty when none was.
[[nodiscard]] std::string GetLastProfileName();
void SetLastProfileName(const std::string& name);

// "パスワードを保存する": true only when SavePass reads as 1.
[[nodiscard]] bool GetSavePassFlag();
// False when the key cannot be opened.
bool SetSavePassFlag(bool save);

} // namespace tarnwick
