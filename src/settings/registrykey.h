// CRegistryKey: one open key of the settings store, for one access. Every read re-reads the
// store file; every write replaces it, so a value written anywhere is seen by the next read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tarnwick {

struct RegistryValue;

// The store has one root, the current user's.
enum class RegistryRoot { CurrentUser };
inline constexpr RegistryRoot HKEY_CURRENT_USER_ROOT = RegistryRoot::CurrentUser;

// Status codes as the registry gives them; 0 is success.
enum RegistryStatus : long {
    kRegOk = 0,
    kRegNotFound = 2,      // no such value (or the key vanished)
    kRegAccessDenied = 5,  // the store file could not be read or written
    kRegInvalidHandle = 6, // the key is not open
    kRegMoreData = 234,    // the value is larger than the reader's buffer
};

class CRegistryKey {
public:
    CRegistryKey() = default;
    virtual ~CRegistryKey();
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    // Opens the key. One that does not exist yet (nor its parents) is created by the first
    // value written to it, so that reading never writes the store. Key paths compare without
    // regard to case. Returns the status; on failure the key stays closed.
    long Open(RegistryRoot root, const std::string& path);
    // Harmless when already closed.
    void Close();
    [[nodiscard]] bool IsOpen() const { return m_handle.has_value(); }

    // Reads at most 4 bytes: a value whose data is longer counts as missing. `value` is
    // assigned only on success.
    long GetDword(const std::string& name, std::uint32_t& value);
    // Reads at most 200 bytes of UTF-16 (99 code units and the terminating 0): a longer text
    // counts as missing. `value` is the text on success and empty on any failure.
    long GetString(const std::string& name, std::string& value);
    long SetDword(const std::string& name, std::uint32_t value);
    long SetString(const std::string& name, const std::string& value);

    static constexpr std::size_t kDwordBufferBytes = 4;
    static constexpr std::size_t kStringBufferBytes = 200;

private:
    // The data of a value as the registry holds it: 4 little-endian bytes for an integer,
    // UTF-16LE with a terminating 0 for a text. Readers look at the bytes, not the kind.
    long ReadValueBytes(const std::string& name, std::string& bytes);
    // Stores the value in this key, replacing one of the same name.
    long WriteValue(RegistryValue value);

    std::optional<std::string> m_handle; // the key path while open
};

} // namespace tarnwick
