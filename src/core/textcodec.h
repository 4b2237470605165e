// Conversion between the program's UTF-8 texts and the server encoding (the encoding in which
// command lines travel and listings and replies arrive), through glibc iconv.
#pragma once

#include <iconv.h>

#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// The encoding used when the user chose none: the locale's charset, or UTF-8 when the locale
// names plain ASCII (as the C locale does) or names nothing.
[[nodiscard]] std::string DefaultServerEncoding();

// True when iconv knows the encoding name in both directions.
[[nodiscard]] bool IsKnownEncoding(const std::string& encoding);

// UTF-8 -> `encoding`. False (and `out` untouched) when the text holds a character the
// encoding cannot represent, or the encoding is unknown.
[[nodiscard]] bool EncodeText(std::string_view utf8, const std::string& encoding, std::string& out);

// `encoding` -> UTF-8 in one piece; undecodable bytes become U+FFFD. An unknown encoding
// decodes as UTF-8.
[[nodiscard]] std::string DecodeText(std::string_view bytes, const std::string& encoding);

// Decodes a byte stream that arrives in pieces: a multi-byte character split between two
// pieces is decoded whole. Undecodable bytes become U+FFFD.
class CTextDecoder {
public:
    explicit CTextDecoder(const std::string& encoding);
    ~CTextDecoder();
    CTextDecoder(const CTextDecoder&) = delete;
    CTextDecoder& operator=(const CTextDecoder&) = delete;

    // Decodes as much of `bytes` (after any bytes held back from the last call) as forms
    // whole characters, appending UTF-8 to `out`.
    void Feed(std::string_view bytes, std::string& out);
    // Flushes bytes held back at the end of the stream (each becomes U+FFFD).
    void Finish(std::string& out);

private:
    void Convert(std::string_view bytes, std::string& out, bool final);

    iconv_t m_cd;
    bool m_bUtf8Passthrough = false;
    std::string m_pending;
    std::vector<char> m_converted;
};

} // namespace tarnwick
