// Where the decoded text of a listing goes while it arrives, so a caller can parse and show
// lines without the engine ever holding the whole listing.
#pragma once

#include <string_view>

namespace tarnwick {

class CListingTextSink {
public:
    virtual ~CListingTextSink() = default;
    // A fetch is about to send its text: `mlsd` when its lines are MLSD facts. Said again
    // when the engine falls back to another command; nothing of the earlier fetch was given
    // then, except that a failed fetch gives what arrived.
    virtual void Begin(bool mlsd) = 0;
    // The next piece of text, decoded to UTF-8; a line may be split between two pieces and
    // the last line may lack its line feed. False stops the listing.
    virtual bool Text(std::string_view piece) = 0;
};

} // namespace tarnwick
