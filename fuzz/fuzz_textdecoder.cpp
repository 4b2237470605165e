// Decoding server text (UTF-8, CP932, EUC-JP; the first byte picks one): the bytes, fed to the
// decoder in the pieces the input names, decode to exactly what they decode to in one piece,
// and the result is well-formed UTF-8. Text that is well-formed UTF-8 already decodes from
// UTF-8 unchanged, and printable ASCII from any of the three.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/textcodec.h"
#include "fuzzsupport.h"

namespace {

using tarnwick::fuzz::Check;

const char* const kEncodings[] = {"UTF-8", "CP932", "EUC-JP"};

bool IsPrintableAscii(std::string_view text)
{
    for (const char c : text) {
        if (c < 0x20 || c > 0x7E) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const std::string encoding = kEncodings[data[0] % 3];
    // An encoding iconv does not know would decode as UTF-8 and check nothing of its own.
    static const bool known =
        tarnwick::IsKnownEncoding("CP932") && tarnwick::IsKnownEncoding("EUC-JP");
    Check(known, "iconv knows no CP932 or EUC-JP here");
    const tarnwick::fuzz::CutInput input = tarnwick::fuzz::TakeCuts(data + 1, size - 1);

    std::string whole;
    {
        tarnwick::CTextDecoder decoder(encoding);
        decoder.Feed(input.text, whole);
        decoder.Finish(whole);
    }
    std::string pieces;
    {
        tarnwick::CTextDecoder decoder(encoding);
        for (const std::string_view piece : input.pieces) {
            decoder.Feed(piece, pieces);
        }
        decoder.Finish(pieces);
    }
    Check(pieces == whole, "decoded in pieces differs from decoded whole");
    Check(tarnwick::fuzz::IsValidUtf8(whole), "the decoded text is not well-formed UTF-8");
    Check(tarnwick::DecodeText(input.text, encoding) == whole, "DecodeText differs from Feed");
    if (encoding == "UTF-8" && tarnwick::fuzz::IsValidUtf8(input.text)) {
        Check(whole == input.text, "well-formed UTF-8 changed by decoding");
    }
    if (IsPrintableAscii(input.text)) {
        Check(whole == input.text, "printable ASCII changed by decoding");
    }
    return 0;
}
