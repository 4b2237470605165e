// CRemoteFileList: the entries of the last remote listing, in the server's order, followed by
// an end marker whose displayName is "*end*". Pane rows find their entry by text
// (FindByDisplayName), never by position: the pane sorts its rows and has a ".." row of its
// own.
//
// A listing may hold hundreds of thousands of entries, so none of them owns a string: each is
// a fixed-size record (where its texts start and how long they are, its time and its kind),
// and the texts of all of them lie end to end in one block.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
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
    void Reserve(std::size_t count) { m_records.reserve(count); }
    // Gives back the room the text block grew into beyond its texts, once a listing is in.
    void ShrinkToFit() { m_texts.shrink_to_fit(); }

    // A copy of entry `index`. Loops over a whole listing read the fields below instead.
    [[nodiscard]] RemoteFileEntry At(int index) const;
    [[nodiscard]] std::string_view DisplayName(int index) const { return Text(index, kName); }
    [[nodiscard]] std::string_view Permissions(int index) const { return Text(index, kPerm); }
    [[nodiscard]] std::string_view SizeText(int index) const { return Text(index, kSize); }
    [[nodiscard]] std::string_view DateText(int index) const { return Text(index, kDate); }
    [[nodiscard]] std::string_view LinkTarget(int index) const { return Text(index, kTarget); }
    [[nodiscard]] bool IsDirectory(int index) const { return Record(index).isDirectory; }
    [[nodiscard]] bool IsLink(int index) const { return Record(index).isLink; }
    [[nodiscard]] std::int64_t ModifyTime(int index) const { return Record(index).modifyTime; }

    [[nodiscard]] int GetSize() const { return static_cast<int>(m_records.size()); }
    // The slots the growth rule has made room for (the storage behind may be larger).
    [[nodiscard]] int GetCapacity() const { return m_nCapacity; }
    // Bytes held for the entries: the records and the text block (benchmarks report it).
    [[nodiscard]] std::size_t HeldBytes() const
    {
        return m_records.capacity() * sizeof(EntryRecord) + m_texts.capacity();
    }

    // The number of entries before the end marker (all of them when there is none).
    [[nodiscard]] int EntriesEnd() const;
    // The index of the first entry whose displayName equals `text` exactly (case matters; a
    // directory is found by its bracketed text), or -1. The scan is bounded by the list's
    // size and passes over the end marker only, so a file really named "*end*" is found.
    [[nodiscard]] int FindByDisplayName(std::string_view text) const;
    // A copy of the entry FindByDisplayName finds, or nothing.
    [[nodiscard]] std::optional<RemoteFileEntry> FindEntry(std::string_view text) const
    {
        const int index = FindByDisplayName(text);
        return index < 0 ? std::nullopt : std::optional<RemoteFileEntry>(At(index));
    }

private:
    // The texts of an entry, in the order they lie in the block.
    enum TextField { kName, kPerm, kSize, kDate, kTarget, kUnique, kTextCount };
    struct EntryRecord {
        std::uint64_t begin = 0; // where the entry's first text starts in m_texts
        std::uint32_t length[kTextCount] = {};
        std::int64_t modifyTime = -1;
        bool isDirectory = false;
        bool isLink = false;
    };

    [[nodiscard]] const EntryRecord& Record(int index) const
    {
        return m_records[static_cast<std::size_t>(index)];
    }
    [[nodiscard]] std::string_view Text(int index, TextField field) const;

    std::vector<EntryRecord> m_records;
    std::string m_texts;
    int m_nCapacity = 0;
    int m_nGrowBy = 0;
};

} // namespace tarnwick
