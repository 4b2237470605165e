#include "core/nameencoding.h"

#include <algorithm>

#include "core/strutil.h"
#include "core/textcodec.h"

namespace tarnwick {

namespace {

bool IsWellFormedUtf8(std::string_view bytes)
{
    // DecodeText keeps well-formed UTF-8 as it is and replaces every bad byte.
    return DecodeText(bytes, "UTF-8") == bytes;
}

// The code points of a UTF-8 text (well-formed: it comes from the decoder).
template <typename Visit> void ForEachCodePoint(std::string_view text, Visit visit)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        char32_t point = len == 1 ? c : len == 2 ? c & 0x1F : len == 3 ? c & 0x0F : c & 0x07;
        for (std::size_t k = 1; k < len && i + k < text.size(); ++k) {
            point = (point << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        visit(point);
        i += len;
    }
}

// Half-width katakana that take a following voiced or semi-voiced mark: ｳ, ｶ-ﾄ, ﾊ-ﾎ.
bool TakesSoundMark(char32_t c)
{
    return c == 0xFF73 || (c >= 0xFF76 && c <= 0xFF84) || (c >= 0xFF8A && c <= 0xFF8E);
}

// How much the decoded text reads like Japanese file names. A misread of the other
// encoding gives half-width punctuation (EUC-JP's kana rows read as CP932: "､｢"), marks
// after letters that take none, private-use characters, C1 controls or rare scripts.
int NameScore(std::string_view text)
{
    int score = 0;
    char32_t previous = 0;
    ForEachCodePoint(text, [&](char32_t c) {
        if (c < 0x80) {
            // Names are mostly ASCII: no weight either way.
        } else if (c >= 0x3041 && c <= 0x30FF) {
            score += 4; // hiragana, katakana (two bytes for one sound)
        } else if (c >= 0x4E00 && c <= 0x9FFF) {
            // Kanji: more than the two half-width letters its EUC-JP bytes read as in CP932.
            score += 3;
        } else if ((c >= 0x3000 && c <= 0x303F) || (c >= 0xFF01 && c <= 0xFF5E)) {
            score += 1; // Japanese punctuation, full-width letters and digits
        } else if (c == 0xFF9E || c == 0xFF9F) {
            // "ﾃﾞ": a mark after a letter that takes one is what half-width text looks like.
            score += TakesSoundMark(previous) ? 3 : -3;
        } else if (c == 0xFF70) {
            score += previous >= 0xFF66 && previous <= 0xFF9F ? 2 : 1; // "ｰ" after a letter
        } else if (c >= 0xFF66 && c <= 0xFF9D) {
            score += 1; // half-width katakana letters, one byte each
        } else if (c >= 0xFF61 && c <= 0xFF65) {
            score -= 3; // half-width punctuation: rare inside names
        } else if (c == 0xFFFD || (c >= 0x80 && c <= 0x9F) || (c >= 0xE000 && c <= 0xF8FF)) {
            score -= 8; // undecodable, C1 control, private use (user-defined rows)
        } else if (c < 0x0250) {
            // Accented Latin letters: as neutral as ASCII.
        } else {
            score -= 2; // Greek, Cyrillic, symbols, box drawing
        }
        previous = c;
    });
    return score;
}

// Well-formed UTF-8 that is not: CP932 and EUC-JP text can be valid UTF-8 by chance, and its
// UTF-8 reading then holds characters no file name uses. "凜子" in CP932 is EA A3 8E 71,
// U+A8CE (Saurashtra) then "q"; "表" in EUC-JP is C9 BD, U+027D (a phonetic letter). So: the
// phonetic alphabet and modifier letters (U+0250-U+02FF), the scripts of U+A000-U+ABFF (Yi,
// Vai, Saurashtra and their neighbours) and private use.
bool HasUnlikelyLetters(std::string_view utf8)
{
    bool unlikely = false;
    ForEachCodePoint(utf8, [&unlikely](char32_t c) {
        unlikely = unlikely || (c >= 0x0250 && c <= 0x02FF) || (c >= 0xA000 && c <= 0xABFF) ||
                   (c >= 0xE000 && c <= 0xF8FF);
    });
    return unlikely;
}

} // namespace

bool HasNonAscii(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return (c & 0x80) != 0; });
}

bool IsAutoEncoding(std::string_view encoding)
{
    return EqualsIgnoreAsciiCase(encoding, kAutoEncoding);
}

bool IsUsableEncoding(const std::string& encoding)
{
    return IsAutoEncoding(encoding) || (!encoding.empty() && IsKnownEncoding(encoding));
}

std::string GuessNameEncoding(std::string_view raw)
{
    raw = raw.substr(0, std::min(raw.size(), kMaxGuessBytes));
    if (!HasNonAscii(raw)) {
        return std::string();
    }
    // The cut may split a character: only whole lines are looked at when there are any.
    if (raw.size() == kMaxGuessBytes) {
        if (const std::size_t end = raw.rfind('\n'); end != std::string_view::npos) {
            raw = raw.substr(0, end + 1);
        }
    }
    const int cp932 = NameScore(DecodeText(raw, "CP932"));
    const int eucJp = NameScore(DecodeText(raw, "EUC-JP"));
    if (IsWellFormedUtf8(raw) && (std::max(cp932, eucJp) <= 0 || !HasUnlikelyLetters(raw))) {
        return "UTF-8";
    }
    return eucJp > cp932 ? "EUC-JP" : "CP932";
}

} // namespace tarnwick
