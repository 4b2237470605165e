#include "files/remotepane.h"

#include <string_view>

#include "files/listingparser.h"

namespace tarnwick {

void FillRemotePane(CPaneRows& pane, const std::string& listing, CRemoteFileList& list)
{
    pane.ResetContent();
    list.Clear();
    pane.AddString(".."); // always there, at the root too; it has no entry
    RemoteFileEntry entry;
    std::string_view rest = listing;
    while (!rest.empty()) {
        const std::size_t lf = rest.find('\n');
        const std::string_view line = rest.substr(0, lf);
        rest = lf == std::string_view::npos ? std::string_view() : rest.substr(lf + 1);
        if (!ParseListingLine(line, entry)) {
            continue;
        }
        if (entry.isDirectory == 1) {
            entry.displayName = "<" + entry.displayName + ">";
        }
        list.Add(entry);
        pane.AddString(entry.displayName);
    }
    RemoteFileEntry end;
    end.displayName = CRemoteFileList::kEndMarker;
    list.Add(end);
}

} // namespace tarnwick
