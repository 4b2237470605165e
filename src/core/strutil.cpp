#include "core/strutil.h"

#include <cctype>
#include <limits>

namespace tarnwick {

std::int64_t ParseLeadingInt(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        if (value > (kMax - digit) / 10) {
            value = kMax;
            continue;
        }
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

namespace {

// Length in bytes of the UTF-8 sequence that starts with `lead`; 1 for a stray byte.
std::size_t SequenceLength(std::string_view text, std::size_t pos)
{
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t len = 1;
    if (lead >= 0xF0 && lead <= 0xF4) {
        len = 4;
    } else if (lead >= 0xE0) {
        len = 3;
    } else if (lead >= 0xC2 && lead < 0xE0) {
        len = 2;
    }
    if (len == 1 || pos + len > text.size()) {
        return 1;
    }
    for (std::size_t k = 1; k < len; ++k) {
        if ((static_cast<unsigned char>(text[pos + k]) & 0xC0) != 0x80) {
            return 1;
        }
    }
    return len;
}

} // namespace

std::size_t Utf16Length(std::string_view utf8)
{
    std::size_t units = 0;
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::size_t len = SequenceLength(utf8, pos);
        units += len == 4 ? 2 : 1;
        pos += len;
    }
    return units;
}

namespace {

// The code point of the well-formed sequence at `pos` (see SequenceLength), U+FFFD for a
// stray byte.
std::uint32_t DecodeAt(std::string_view text, std::size_t pos, std::size_t len)
{
    const auto byte = [&](std::size_t k) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(text[pos + k]));
    };
    switch (len) {
    case 2:
        return ((byte(0) & 0x1F) << 6) | (byte(1) & 0x3F);
    case 3:
        return ((byte(0) & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
    case 4:
        return ((byte(0) & 0x07) << 18) | ((byte(1) & 0x3F) << 12) | ((byte(2) & 0x3F) << 6) |
               (byte(3) & 0x3F);
    default:
        return byte(0) < 0x80 ? byte(0) : 0xFFFD;
    }
}

void AppendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::uint32_t Utf16UnitAt(std::string_view bytes, std::size_t i)
{
    return static_cast<unsigned char>(bytes[i]) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8);
}

} // namespace

std::string EncodeUtf16Le(std::string_view utf8)
{
    std::string out;
    const auto put = [&out](std::uint32_t unit) {
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
    };
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::size_t len = SequenceLength(utf8, pos);
        const std::uint32_t cp = DecodeAt(utf8, pos, len);
        if (cp >= 0x10000) {
            put(0xD800 + ((cp - 0x10000) >> 10));
            put(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            put(cp);
        }
        pos += len;
    }
    return out;
}

std::string DecodeUtf16Le(std::string_view bytes)
{
    std::string out;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const std::uint32_t unit = Utf16UnitAt(bytes, i);
        if (unit == 0) {
            break;
        }
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
            const std::uint32_t low = Utf16UnitAt(bytes, i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        AppendUtf8(out, (unit >= 0xD800 && unit < 0xE000) ? 0xFFFD : unit);
    }
    return out;
}

std::size_t CharCount(std::string_view utf8)
{
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < utf8.size(); pos += SequenceLength(utf8, pos)) {
        ++count;
    }
    return count;
}

std::string LeftChars(std::string_view utf8, std::size_t count)
{
    std::size_t pos = 0;
    for (std::size_t n = 0; n < count && pos < utf8.size(); ++n) {
        pos += SequenceLength(utf8, pos);
    }
    return std::string(utf8.substr(0, pos));
}

std::string RightChars(std::string_view utf8, std::size_t count)
{
    const std::size_t total = CharCount(utf8);
    if (count >= total) {
        return std::string(utf8);
    }
    std::size_t pos = 0;
    for (std::size_t n = 0; n < total - count; ++n) {
        pos += SequenceLength(utf8, pos);
    }
    return std::string(utf8.substr(pos));
}

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::string AsciiLower(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && AsciiLower(a) == AsciiLower(b);
}

namespace {

std::string ReplaceFirstPlaceholder(std::string_view pattern, std::string_view value)
{
    for (std::size_t i = 0; i + 1 < pattern.size(); ++i) {
        if (pattern[i] == '%' && (pattern[i + 1] == 's' || pattern[i + 1] == 'd')) {
            std::string out(pattern.substr(0, i));
            out += value;
            out += pattern.substr(i + 2);
            return out;
        }
    }
    return std::string(pattern);
}

} // namespace

std::string FormatText(std::string_view pattern, std::string_view arg)
{
    return ReplaceFirstPlaceholder(pattern, arg);
}

std::string FormatText(std::string_view pattern, std::int64_t arg)
{
    return ReplaceFirstPlaceholder(pattern, std::to_string(arg));
}

std::string EscapeControlCharacters(std::string_view utf8)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(utf8.size());
    const auto escape = [&out](unsigned char byte) {
        out += "\\x";
        out += kDigits[byte >> 4];
        out += kDigits[byte & 0xF];
    };
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if ((c < 0x20 && c != '\t') || c == 0x7F) {
            escape(c);
        } else if (c == 0xC2 && i + 1 < utf8.size() &&
                   static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) {
            // U+0080-U+009F: CSI and the other C1 controls in their UTF-8 form.
            escape(c);
            escape(static_cast<unsigned char>(utf8[++i]));
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string NormalizeFingerprint(std::string_view text)
{
    std::string digits;
    for (const char c : text) {
        if (c == ':' || c == ' ') {
            continue;
        }
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!hex) {
            return std::string();
        }
        digits += static_cast<char>(c >= 'a' ? c - 'a' + 'A' : c);
    }
    return digits.size() == 64 ? digits : std::string();
}

} // namespace tarnwick
