// The settings store on disk: one text file in the registry-export layout, for example
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\kestrum\Tarnwick\Settings]
//   "AutoTransferModeList"="txt html htm cgi pl"
//   "UsePASV"=dword:00000001
//
// Texts are UTF-8 with '\' and '"' escaped; a text holding a control character is written as
// hex(1): (UTF-16LE bytes), as regedit does. Key paths compare without regard to ASCII case;
// value names compare exactly.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarnwick {

struct RegistryValue {
    enum class Kind { Dword, Text };
    std::string name;
    Kind kind = Kind::Text;
    std::uint32_t dword = 0;
    std::string text; // UTF-8
};

struct RegistryKeyData {
    std::string path; // below HKEY_CURRENT_USER, spelled as first created
    std::vector<RegistryValue> values;

    [[nodiscard]] const RegistryValue* FindValue(std::string_view name) const;
    // Replaces the value of the same name, or appends it.
    void PutValue(RegistryValue value);
};

struct RegistryDocument {
    std::vector<RegistryKeyData> keys;

    [[nodiscard]] const RegistryKeyData* FindKey(std::string_view path) const;
    [[nodiscard]] RegistryKeyData* FindKey(std::string_view path);
    // Creates the key and every missing parent; returns the key.
    RegistryKeyData& CreateKey(std::string_view path);

private:
    // Lower-cased path -> index in `keys`, so that a lookup does not scan every key. Built
    // again whenever `keys` was changed from outside.
    mutable std::unordered_map<std::string, std::size_t> m_index;
    void IndexKeys() const;
};

// Limits of a store file a person would write: past them the file is not a store (it is set
// aside like any unparsable file). They keep a hostile or broken file from costing time and
// memory on every read.
inline constexpr std::size_t kMaxRegistryBytes = 16 * 1024 * 1024;
inline constexpr std::size_t kMaxKeyDepth = 64; // parts of a key path

// Parses the file's text. False for anything that is not the layout above.
[[nodiscard]] bool ParseRegistryText(std::string_view text, RegistryDocument& doc);
[[nodiscard]] std::string SerializeRegistry(const RegistryDocument& doc);

// The folder of the store: $TARNWICK_CONFIG_DIR, else ${XDG_CONFIG_HOME:-~/.config}/tarnwick.
[[nodiscard]] std::string RegistryDirectory();
[[nodiscard]] std::string RegistryFilePath();

enum class StoreStatus { Ok, IoError };

// Reads the store. A missing file is an empty store. A file that cannot be parsed, or is not a
// regular file (a FIFO, a device, a link to one), or is larger than kMaxRegistryBytes, is
// moved aside to registry.reg.bad (or .bad.2, .bad.3, ... so no earlier copy is lost) and
// the store starts empty.
[[nodiscard]] StoreStatus ReadRegistry(RegistryDocument& doc);

// Reads the store under an exclusive lock, lets `change` modify it and, when `change`
// returns true, replaces the file atomically (temporary file, fsync, rename; mode 0600).
[[nodiscard]] StoreStatus ModifyRegistry(const std::function<bool(RegistryDocument&)>& change);

// For tests: called after the temporary file is written and synced, just before the rename.
void SetRegistryBeforeRenameHook(std::function<void()> hook);

} // namespace tarnwick
