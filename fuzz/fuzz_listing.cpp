// Listing text: every line parses without reading outside it, the pane keeps its ".." row and
// the list its end marker, and the NLST -> LIST fallback decision agrees with the lines:
// "only bare names" exactly when some line counts and no counted line is in the long layout
// (blank lines and "total N" do not count), and never for a listing the pane would show
// entries from. Read in two pieces, it gives the same rows.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "files/listingparser.h"
#include "files/listingreader.h"
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

    // Read in two pieces, cut where the data says, the listing gives the same rows.
    std::vector<std::string> streamed{".."};
    tarnwick::CListingReader reader([&streamed](const tarnwick::RemoteFileEntry& entry) {
        streamed.push_back(entry.displayName);
        return true;
    });
    const std::size_t cut = size == 0 ? 0 : data[0] % (size + 1);
    Check(reader.Feed(std::string_view(text).substr(0, cut)), "the reader stopped");
    Check(reader.Feed(std::string_view(text).substr(cut)), "the reader stopped");
    Check(reader.Finish(), "the reader stopped");
    Check(streamed == rows.rows, "the listing read in pieces gives other rows");

    const bool bare = tarnwick::HasOnlyBareNames(text, &tarnwick::IsLongListingLine);
    Check(bare == OnlyBareNames(text), "the fallback decision disagrees with the lines");
    Check(!bare || list.GetSize() == 1, "a listing with entries taken for bare names");
    Check(!tarnwick::HasOnlyBareNames(text, nullptr), "bare names found without a line test");
    return 0;
}
