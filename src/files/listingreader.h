// CListingReader: a listing's text parsed while it arrives. Pieces of text go in, split
// anywhere, lines even; each entry comes out as soon as its line is whole, with a directory's
// displayName in angle brackets as the pane shows it. Only an unfinished line is kept.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "files/remotefileentry.h"

namespace tarnwick {

// What the listing text holds: the lines of LIST or "NLST -alL", or the fact lines of MLSD.
enum class ListingFormat { LongLines, MlsdFacts };

class CListingReader {
public:
    // Told each entry; the entry is reused for the next line. False stops the reading.
    using EntryHandler = std::function<bool(const RemoteFileEntry&)>;

    explicit CListingReader(EntryHandler handler, ListingFormat format = ListingFormat::LongLines)
        : m_handler(std::move(handler)), m_format(format)
    {
    }

    // Starts a new listing in `format`: an unfinished line and the count are dropped.
    void Reset(ListingFormat format);
    // Parses every line that `piece` finishes. False when the handler stopped the reading.
    bool Feed(std::string_view piece);
    // The end of the text: the last line counts even without its line feed.
    bool Finish();
    // Lines of no known form so far; blank lines, "total", "." and ".." are not counted.
    [[nodiscard]] int Unparsed() const { return m_nUnparsed; }

private:
    bool Line(std::string_view line);

    EntryHandler m_handler;
    ListingFormat m_format;
    std::string m_partial;
    RemoteFileEntry m_entry;
    int m_nUnparsed = 0;
};

} // namespace tarnwick
