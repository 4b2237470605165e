// Listing text: every line parses without reading outside it, and the pane keeps its ".." row
// and the list its end marker.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "files/listingparser.h"
#include "files/panerows.h"
#include "files/remotepane.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    tarnwick::CRowList rows;
    tarnwick::CRemoteFileList list;
    tarnwick::FillRemotePane(rows, text, list);
    if (rows.rows.empty() || rows.rows.front() != ".." || list.GetSize() < 1 ||
        list.At(list.GetSize() - 1).displayName != "*end*" ||
        static_cast<int>(rows.rows.size()) != list.GetSize()) {
        std::abort();
    }
    for (int i = 0; i + 1 < list.GetSize(); ++i) {
        const tarnwick::RemoteFileEntry& entry = list.At(i);
        if (entry.displayName.empty()) {
            std::abort();
        }
    }
    (void)tarnwick::IsLongListingLine(text);
    return 0;
}
