// The settings functions. Every read opens the Settings key, reads one value and closes it
// again; nothing is cached, so a value written anywhere is seen by the next read.
#pragma once

#include <cstdint>
#include <string>

namespace tarnwick {

// The product key holds the server profiles and SavePass; the Settings subkey every other
// option. The operations spell the paths differently; the store folds case, so each pair
// reaches one key.
inline const std::string kProductKeyPath = "Software\\kestrum\\Tarnwick";
inline const std::string kProductKeyPathUpper = "SOFTWARE\\kestrum\\Tarnwick";
inline const std::string kSettingsKeyPath = "Software\\kestrum\\Tarnwick\\Settings";
inline const std::string kSettingsKeyPathUpper = "SOFTWARE\\kestrum\\Tarnwick\\Settings";

// True only if the key opens, the value exists and its integer is exactly 1.
[[nodiscard]] bool GetSettingFlag(const std::string& name);
// A flag whose missing value means `fallback`: a stored value is true only when it is 1.
[[nodiscard]] bool GetSettingFlagOr(const std::string& name, bool fallback);
// Writes 1 for true and 0 for false. False without writing when the key cannot be opened.
bool SetSettingFlag(const std::string& name, bool value);
// The stored text; empty when the key cannot be opened or the value is missing or holds 100
// UTF-16 units or more.
[[nodiscard]] std::string GetSettingText(const std::string& name);
// Writes the text; writes nothing when the key cannot be opened.
void SetSettingText(const std::string& name, const std::string& value);

// An integer setting; `fallback` when it is missing or unreadable.
[[nodiscard]] std::uint32_t GetSettingInt(const std::string& name, std::uint32_t fallback);
bool SetSettingInt(const std::string& name, std::uint32_t value);

// Ask before a transfer replaces a file: CheckOverwrite, which a fresh store (no value) reads
// as set.
[[nodiscard]] bool GetCheckOverwrite();

// Time limit in seconds for every network wait; 0 means none.
inline constexpr std::uint32_t kDefaultTimeoutSeconds = 60;
[[nodiscard]] std::uint32_t GetTimeoutSeconds();

// How many connections of its own the window's transfer queue opens: QueueConnections, 2 when
// missing, at most kMaxQueueConnections; 0 moves files on the window's own connection.
inline constexpr std::uint32_t kDefaultQueueConnections = 2;
inline constexpr std::uint32_t kMaxQueueConnections = 8;
[[nodiscard]] std::uint32_t GetQueueConnections();

// The encoding of command lines, listings and replies: the ServerEncoding text (kAutoEncoding
// for 自動), or the locale's charset when it is empty or names no encoding iconv knows.
[[nodiscard]] std::string GetServerEncodingSetting();

} // namespace tarnwick
