// Listing text: every line parses without reading outside it, the pane keeps its ".." row and
// the list its end marker, and the NLST -> LIST fallback decision agrees with the lines:
// "only bare names" exactly when some line counts and no counted line is in the long layout
// (blank lines and "total N" do not count), and never for a listing the pane would show
// entries from.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "files/listingparser.h"
#include "files/panerows.h"
#include "files/remotepane.h"
#include "ftp/ftpclient.h"
#include "fuzzsupport.h"

namespace {

using tarnwick::fuzz::Check;

// The fallback rule stated over the lines one by one.
bool OnlyBareNames(const std::string& text)
{
    std::istringstream lines(text);
    std::string line;
    bool counted = false;
    while (std::getline(lines, line)) {
        // The line test sees the line as the parser does, with its CR.
        std::string bare = line;
        if (!bare.empty() && bare.back() == '\r') {
            bare.pop_back();
        }
        if (bare.empty() || bare.starts_with("total ")) {
            continue;
        }
        if (tarnwick::IsLongListingLine(line)) {
            return false;
        }
        counted = true;
    }
    return counted;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    tarnwick::CRowList rows;
    tarnwick::CRemoteFileList list;
    tarnwick::FillRemotePane(rows, text, list);
    Check(!rows.rows.empty() && rows.rows.front() == "..", "no \"..\" row first");
    Check(list.GetSize() >= 1 && list.At(list.GetSize() - 1).displayName == "*end*",
          "no end marker last");
    Check(static_cast<int>(rows.rows.size()) == list.GetSize(), "rows and entries differ");
    for (int i = 0; i + 1 < list.GetSize(); ++i) {
        Check(!list.At(i).displayName.empty(), "an entry without a name");
    }

    const bool bare = tarnwick::HasOnlyBareNames(text, &tarnwick::IsLongListingLine);
    Check(bare == OnlyBareNames(text), "the fallback decision disagrees with the lines");
    Check(!bare || list.GetSize() == 1, "a listing with entries taken for bare names");
    Check(!tarnwick::HasOnlyBareNames(text, nullptr), "bare names found without a line test");
    return 0;
}
