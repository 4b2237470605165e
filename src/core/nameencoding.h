// Telling the encoding of a server's file names from the raw bytes of a listing, for servers
// that do not say (no UTF8 in FEAT): old Japanese servers send Shift_JIS (CP932) or EUC-JP.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

// The encoding value that asks for detection: the names' encoding is decided per connection,
// from FEAT and the first listing that holds a byte above 0x7F.
inline constexpr std::string_view kAutoEncoding = "AUTO";

// True when `text` holds a byte above 0x7F.
[[nodiscard]] bool HasNonAscii(std::string_view text);

// True for kAutoEncoding (any case).
[[nodiscard]] bool IsAutoEncoding(std::string_view encoding);

// True for a names' encoding a connection can be told: 自動, or a name iconv knows (not the
// empty name, which means "the settings'" wherever it is stored).
[[nodiscard]] bool IsUsableEncoding(const std::string& encoding);

// The encoding of the names in `raw` (a listing as it arrived): "UTF-8" when the bytes are
// well-formed UTF-8 (unless read so they hold letters no name uses, and read as CP932 or
// EUC-JP they hold Japanese), otherwise "CP932" or "EUC-JP", whichever reads as more kana and kanji
// and fewer characters no name would hold (half-width katakana count for CP932; a tie goes
// to CP932, the more common of the two). Empty when the bytes are all ASCII: nothing is
// known yet. Only the first kMaxGuessBytes are looked at.
[[nodiscard]] std::string GuessNameEncoding(std::string_view raw);

inline constexpr std::size_t kMaxGuessBytes = 1024 * 1024;

} // namespace tarnwick
