#include "core/textcodec.h"

#include <langinfo.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "core/strutil.h"

namespace tarnwick {

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);
constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

bool IsUtf8Name(const std::string& encoding)
{
    const std::string lower = AsciiLower(encoding);
    return lower == "utf-8" || lower == "utf8";
}

// Appends `bytes` to `out` keeping only well-formed UTF-8: each bad byte becomes U+FFFD, and
// valid runs go over whole.
void AppendSanitizedUtf8(std::string_view bytes, std::string& out)
{
    std::size_t i = 0;
    std::size_t run = 0; // where the valid bytes not yet appended start
    while (i < bytes.size()) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        std::size_t len = 0;
        if (c < 0x80) {
            len = 1;
        } else if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
        }
        bool ok = len != 0 && i + len <= bytes.size();
        for (std::size_t k = 1; ok && k < len; ++k) {
            ok = (static_cast<unsigned char>(bytes[i + k]) & 0xC0) == 0x80;
        }
        if (ok && len == 3) {
            const auto c1 = static_cast<unsigned char>(bytes[i + 1]);
            ok = !(c == 0xE0 && c1 < 0xA0) && !(c == 0xED && c1 >= 0xA0); // overlong, surrogate
        } else if (ok && len == 4) {
            const auto c1 = static_cast<unsigned char>(bytes[i + 1]);
            ok = !(c == 0xF0 && c1 < 0x90) && !(c == 0xF4 && c1 >= 0x90);
        }
        if (ok) {
            i += len;
        } else {
            out.append(bytes.substr(run, i - run));
            out += kReplacement;
            run = ++i;
        }
    }
    out.append(bytes.substr(run));
}

// `bytes` with only well-formed UTF-8 kept.
std::string SanitizeUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    AppendSanitizedUtf8(bytes, out);
    return out;
}

} // namespace

std::string DefaultServerEncoding()
{
    const char* codeset = nl_langinfo(CODESET);
    if (codeset == nullptr || *codeset == '\0') {
        return "UTF-8";
    }
    const std::string name = codeset;
    const std::string lower = AsciiLower(name);
    if (lower == "ansi_x3.4-1968" || lower == "ascii" || lower == "us-ascii") {
        return "UTF-8";
    }
    return name;
}

bool IsKnownEncoding(const std::string& encoding)
{
    if (IsUtf8Name(encoding)) {
        return true;
    }
    iconv_t to = iconv_open(encoding.c_str(), "UTF-8");
    if (to == kNoConverter) {
        return false;
    }
    iconv_close(to);
    iconv_t from = iconv_open("UTF-8", encoding.c_str());
    if (from == kNoConverter) {
        return false;
    }
    iconv_close(from);
    return true;
}

bool EncodeText(std::string_view utf8, const std::string& encoding, std::string& out)
{
    if (IsUtf8Name(encoding)) {
        if (SanitizeUtf8(utf8) != utf8) {
            return false;
        }
        out.assign(utf8);
        return true;
    }
    iconv_t cd = iconv_open(encoding.c_str(), "UTF-8");
    if (cd == kNoConverter) {
        return false;
    }
    std::string result;
    std::vector<char> buffer(utf8.size() * 4 + 16);
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    bool ok = true;
    while (ok && inLeft > 0) {
        char* outPtr = buffer.data();
        std::size_t outLeft = buffer.size();
        const std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        result.append(buffer.data(), static_cast<std::size_t>(outPtr - buffer.data()));
        ok = rc != static_cast<std::size_t>(-1) || errno == E2BIG;
    }
    if (ok) {
        // Stateful encodings (ISO-2022-JP) need a shift back to their initial state.
        char* outPtr = buffer.data();
        std::size_t outLeft = buffer.size();
        iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
        result.append(buffer.data(), static_cast<std::size_t>(outPtr - buffer.data()));
    }
    iconv_close(cd);
    if (ok) {
        out = std::move(result);
    }
    return ok;
}

std::string DecodeText(std::string_view bytes, const std::string& encoding)
{
    CTextDecoder decoder(encoding);
    std::string out;
    decoder.Feed(bytes, out);
    decoder.Finish(out);
    return out;
}

CTextDecoder::CTextDecoder(const std::string& encoding) : m_cd(kNoConverter)
{
    if (IsUtf8Name(encoding)) {
        m_bUtf8Passthrough = true;
        return;
    }
    m_cd = iconv_open("UTF-8", encoding.c_str());
    if (m_cd == kNoConverter) {
        m_bUtf8Passthrough = true;
    }
}

CTextDecoder::~CTextDecoder()
{
    if (m_cd != kNoConverter) {
        iconv_close(m_cd);
    }
}

void CTextDecoder::Feed(std::string_view bytes, std::string& out)
{
    Convert(bytes, out, false);
}

void CTextDecoder::Finish(std::string& out)
{
    Convert({}, out, true);
}

void CTextDecoder::Convert(std::string_view bytes, std::string& out, bool final)
{
    m_pending.append(bytes);
    if (m_bUtf8Passthrough) {
        // Hold back an incomplete sequence at the end unless the stream is over.
        std::size_t keep = 0;
        if (!final) {
            for (std::size_t back = 1; back <= 3 && back <= m_pending.size(); ++back) {
                const auto c = static_cast<unsigned char>(m_pending[m_pending.size() - back]);
                if ((c & 0xC0) == 0x80) {
                    continue;
                }
                const std::size_t need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
                if (need > back) {
                    keep = back;
                }
                break;
            }
        }
        AppendSanitizedUtf8(std::string_view(m_pending).substr(0, m_pending.size() - keep), out);
        m_pending.erase(0, m_pending.size() - keep);
        return;
    }
    char* in = m_pending.data();
    std::size_t inLeft = m_pending.size();
    // Kept between pieces: a fresh buffer for each piece of a listing costs its pages anew.
    std::vector<char>& buffer = m_converted;
    buffer.resize(std::max(buffer.size(), inLeft * 4 + 64));
    while (inLeft > 0) {
        char* outPtr = buffer.data();
        std::size_t outLeft = buffer.size();
        const std::size_t rc = iconv(m_cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer.data(), static_cast<std::size_t>(outPtr - buffer.data()));
        if (rc != static_cast<std::size_t>(-1)) {
            continue;
        }
        if (errno == E2BIG) {
            continue;
        }
        if (errno == EINVAL && !final) {
            break; // an incomplete character at the end: wait for the rest
        }
        // An invalid byte (or an incomplete one at the very end): replace it and go on.
        out += kReplacement;
        ++in;
        --inLeft;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    }
    m_pending.erase(0, m_pending.size() - inLeft);
}

} // namespace tarnwick
