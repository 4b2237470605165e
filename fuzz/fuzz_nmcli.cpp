// nmcli's terse lines: any line splits without a crash, and fields escaped as nmcli escapes
// them ("\:" and "\\") and joined with ":" split back into exactly those fields. The input
// is read both as one line and as a list of fields separated by NUL.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dialup/nmclibackend.h"
#include "fuzzsupport.h"

namespace {

using tarnwick::fuzz::Check;

std::string Joined(const std::vector<std::string>& fields)
{
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            line += ':';
        }
        for (const char c : fields[i]) {
            if (c == ':' || c == '\\') {
                line += '\\';
            }
            line += c;
        }
    }
    return line;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const std::vector<std::string> split = tarnwick::CNmcliBackend::SplitTerse(text);
    Check(!split.empty(), "a line with no fields");
    Check(tarnwick::CNmcliBackend::SplitTerse(Joined(split)) == split,
          "the fields of a line, escaped again, split differently");

    const std::vector<std::string> fields = tarnwick::fuzz::SplitAt(text, '\0');
    Check(tarnwick::CNmcliBackend::SplitTerse(Joined(fields)) == fields,
          "escaped fields do not split back into themselves");
    return 0;
}
