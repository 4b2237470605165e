#include "files/remotepane.h"

#include <algorithm>

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
    CListingReader reader(
        [&](const RemoteFileEntry& entry) {
            list.Add(entry);
            pane.AddString(entry.displayName);
            return true;
        },
        format);
    static_cast<void>(reader.Feed(listing));
    static_cast<void>(reader.Finish());
    RemoteFileEntry end;
    end.displayName = CRemoteFileList::kEndMarker;
    list.Add(end);
    // The block doubled as it grew: up to half of it would stay unused while the pane shows it.
    list.ShrinkToFit();
    return reader.Unparsed();
}

} // namespace tarnwick
