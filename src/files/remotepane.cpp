#include "files/remotepane.h"

#include <algorithm>

#include <string_view>

#include "files/listingparser.h"

namespace tarnwick {

int FillRemotePane(CPaneRows& pane, const std::string& listing, CRemoteFileList& list,
                   ListingFormat format)
{
    pane.ResetContent();
    list.Clear();
    // One entry a line at most: the storage is made once instead of growing under the
    // listing (a 20,000-entry listing moved its entries about fifteen times).
    list.Reserve(static_cast<std::size_t>(std::count(listing.begin(), listing.end(), '\n')) + 2);
    pane.AddString(".."); // always there, at the root too; it has no entry
    int skipped = 0;
    RemoteFileEntry entry;
    std::string_view rest = listing;
    while (!rest.empty()) {
        const std::size_t lf = rest.find('\n');
        const std::string_view line = rest.substr(0, lf);
        rest = lf == std::string_view::npos ? std::string_view() : rest.substr(lf + 1);
        const ParsedLine parsed = format == ListingFormat::MlsdFacts
                                      ? ParseMlsdLine(line, entry)
                                      : ParseListingLine(line, entry);
        if (parsed == ParsedLine::Unparsed) {
            ++skipped;
        }
        if (parsed != ParsedLine::Entry) {
            continue;
        }
        if (entry.isDirectory == 1) {
            entry.displayName.insert(entry.displayName.begin(), '<');
            entry.displayName.push_back('>');
        }
        list.Add(entry);
        pane.AddString(entry.displayName);
    }
    RemoteFileEntry end;
    end.displayName = CRemoteFileList::kEndMarker;
    list.Add(end);
    return skipped;
}

} // namespace tarnwick
