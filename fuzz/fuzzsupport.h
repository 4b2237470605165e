// Small helpers shared by the fuzz targets.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick::fuzz {

// A failed check: says which, so a crash report names the broken rule, then aborts (which
// libFuzzer and the replay test both count as a failure).
[[noreturn]] inline void Fail(const char* what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

inline void Check(bool ok, const char* what)
{
    if (!ok) {
        Fail(what);
    }
}

// An input that carries its own cut points, so a target can feed a converter in pieces and
// compare with the whole: the first byte gives the number of cuts (0 to 7), the next bytes the
// length of each piece before a cut, and the last piece is whatever is left. Pieces may be
// empty, and lengths past the end are clipped.
struct CutInput {
    std::string_view text;
    std::vector<std::string_view> pieces;
};

inline CutInput TakeCuts(const std::uint8_t* data, std::size_t size)
{
    CutInput input;
    const std::size_t cuts = size > 0 ? data[0] % 8 : 0;
    const std::size_t head = size > 0 ? 1 + cuts : 0;
    if (head > size) {
        input.pieces.emplace_back();
        return input;
    }
    input.text = std::string_view(reinterpret_cast<const char*>(data) + head, size - head);
    std::string_view rest = input.text;
    for (std::size_t i = 0; i < cuts; ++i) {
        const std::size_t length = std::min<std::size_t>(data[1 + i], rest.size());
        input.pieces.push_back(rest.substr(0, length));
        rest.remove_prefix(length);
    }
    input.pieces.push_back(rest);
    return input;
}

// Whether `text` is well-formed UTF-8: shortest forms only, no surrogates, nothing past
// U+10FFFF.
inline bool IsValidUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        std::uint32_t code = 0;
        std::uint32_t least = 0;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if ((c & 0xE0) == 0xC0) {
            length = 2;
            code = c & 0x1F;
            least = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3;
            code = c & 0x0F;
            least = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4;
            code = c & 0x07;
            least = 0x10000;
        } else {
            return false;
        }
        if (i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

// Splits at `separator`: "a\0b" gives {"a", "b"}, "" gives {""}.
inline std::vector<std::string> SplitAt(std::string_view text, char separator)
{
    std::vector<std::string> parts(1);
    for (const char c : text) {
        if (c == separator) {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    return parts;
}

} // namespace tarnwick::fuzz
