// CRemoteFileList: the entries of the last remote listing, in the server's order, followed by
// an end marker whose displayName is "*end*". Pane rows find their entry by text
// (FindByDisplayName), never by position: the pane sorts its rows and has a ".." row of its
// own.
#pragma once

#include <cstdint>
#include <vector>

#include "files/remotefileentry.h"

namespace tarnwick {

class CRemoteFileList {
public:
    static constexpr const char* kEndMarker = "*end*";

    // Makes the list hold exactly `newSize` entries. A `growBy` other than -1 replaces the
    // stored grow step. When the block must grow it grows by the step, or with step 0 by
    // size / 8 kept between 4 and 1024, or to `newSize` when that is more. It never shrinks
    // except to nothing at size 0.
    void SetSize(int newSize, int growBy = -1);
    // Appends a copy and returns its index.
    int Add(const RemoteFileEntry& entry);
    void SetAtGrow(int index, const RemoteFileEntry& entry);
    void Clear() { SetSize(0); }
    // Room for `count` entries without moving them as the list grows; the logical capacity
    // rule of SetSize is unchanged.
    void Reserve(std::size_t count) { m_entries.reserve(count); }

    [[nodiscard]] const RemoteFileEntry& At(int index) const
    {
        return m_entries[static_cast<std::size_t>(index)];
    }
    [[nodiscard]] int GetSize() const { return static_cast<int>(m_entries.size()); }
    // The slots the growth rule has made room for (the storage behind may be larger).
    [[nodiscard]] int GetCapacity() const { return m_nCapacity; }

    // The index of the first entry whose displayName equals `text` exactly (case matters; a
    // directory is found by its bracketed text), or -1. The scan is bounded by the list's
    // size and passes over the end marker only, so a file really named "*end*" is found.
    [[nodiscard]] int FindByDisplayName(const std::string& text) const;

private:
    std::vector<RemoteFileEntry> m_entries;
    int m_nCapacity = 0;
    int m_nGrowBy = 0;
};

} // namespace tarnwick
