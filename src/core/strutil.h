// Text helpers shared by every subsystem. All texts are UTF-8 std::string; where the
// system counts "characters" it counts Unicode code points, and where the settings store
// measures a length it counts UTF-16 code units.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnwick {

// Reads a decimal integer the way C's atoi does: leading white space skipped, an optional
// sign, then digits up to the first other character. No digits give 0. Saturates instead of
// overflowing.
[[nodiscard]] std::int64_t ParseLeadingInt(std::string_view text);

// Number of UTF-16 code units the text would take (a character outside the BMP counts two).
// Invalid UTF-8 bytes count one unit each.
[[nodiscard]] std::size_t Utf16Length(std::string_view utf8);

// UTF-8 -> UTF-16LE bytes, no terminator. Invalid UTF-8 bytes become U+FFFD.
[[nodiscard]] std::string EncodeUtf16Le(std::string_view utf8);
// UTF-16LE bytes -> UTF-8, up to the first 0 unit. Lone surrogates become U+FFFD.
[[nodiscard]] std::string DecodeUtf16Le(std::string_view bytes);

// Number of characters (code points) in the text.
[[nodiscard]] std::size_t CharCount(std::string_view utf8);

// The first `count` characters (all of them when the text is shorter).
[[nodiscard]] std::string LeftChars(std::string_view utf8, std::size_t count);

// The last `count` characters (all of them when the text is shorter).
[[nodiscard]] std::string RightChars(std::string_view utf8, std::size_t count);

[[nodiscard]] bool StartsWith(std::string_view text, std::string_view prefix);
[[nodiscard]] bool EndsWith(std::string_view text, std::string_view suffix);

// ASCII-only case folding, for key paths and protocol words.
[[nodiscard]] std::string AsciiLower(std::string_view text);
[[nodiscard]] bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);

// The text with every control character (C0, DEL and the C1 range U+0080-U+009F) written as
// "\xNN", so that text from a server (a reply, a listed name) printed on a terminal cannot
// move the cursor, retitle the window or clear the screen. Tabs stay.
[[nodiscard]] std::string EscapeControlCharacters(std::string_view utf8);

// A SHA-256 fingerprint in one spelling: hexadecimal digits only, upper case ("AB12..."),
// whatever colons, blanks or case it was written with; empty for text that is not 64 digits.
[[nodiscard]] std::string NormalizeFingerprint(std::string_view text);

// printf-style "%d"/"%s" filling without printf: each "%s" or "%d" in `pattern` is replaced,
// in order, by the next argument. Used for the system's message texts.
[[nodiscard]] std::string FormatText(std::string_view pattern, std::string_view arg);
[[nodiscard]] std::string FormatText(std::string_view pattern, std::int64_t arg);

} // namespace tarnwick
