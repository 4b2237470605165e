// Text-mode line ends. Checked for any text, cut into pieces where the input says:
// - network to local turns each CR LF into LF and keeps every other byte, lone CRs included;
// - local to network puts a CR before each LF that does not follow a CR and keeps every other
//   byte;
// - either, fed in pieces, gives exactly what it gives fed whole (a CR LF split between two
//   pieces is still one line end);
// - local to network and back gives the text with each of its CR LF pairs turned into LF:
//   the round trip drops only CRs that stood right before an LF, never a lone CR.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ftp/textmode.h"
#include "fuzzsupport.h"

namespace {

using tarnwick::fuzz::Check;

std::string CrLfToLf(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue; // the LF that follows is written next
        }
        out += text[i];
    }
    return out;
}

std::string LfToCrLf(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
            out += '\r';
        }
        out += text[i];
    }
    return out;
}

std::string ToLocal(const std::vector<std::string_view>& pieces)
{
    tarnwick::CNetworkToLocalText converter;
    std::string out;
    for (const std::string_view piece : pieces) {
        converter.Convert(piece, out);
    }
    converter.Finish(out);
    return out;
}

std::string ToNetwork(const std::vector<std::string_view>& pieces)
{
    tarnwick::CLocalToNetworkText converter;
    std::string out;
    for (const std::string_view piece : pieces) {
        converter.Convert(piece, out);
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const tarnwick::fuzz::CutInput input = tarnwick::fuzz::TakeCuts(data, size);
    const std::vector<std::string_view> whole{input.text};

    const std::string local = ToLocal(whole);
    Check(local == CrLfToLf(input.text), "network to local: not each CR LF turned into LF");
    Check(ToLocal(input.pieces) == local, "network to local: pieces differ from the whole");

    const std::string network = ToNetwork(whole);
    Check(network == LfToCrLf(input.text), "local to network: not each bare LF given a CR");
    Check(ToNetwork(input.pieces) == network, "local to network: pieces differ from the whole");

    Check(ToLocal({network}) == CrLfToLf(input.text), "the round trip changed more than CR LF");
    return 0;
}
