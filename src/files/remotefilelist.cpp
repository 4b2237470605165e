#include "files/remotefilelist.h"

#include <algorithm>
#include <limits>

namespace tarnwick {

void CRemoteFileList::SetSize(int newSize, int growBy)
{
    if (growBy != -1) {
        m_nGrowBy = growBy;
    }
    newSize = std::max(newSize, 0);
    if (newSize == 0) {
        // A refresh starts from nothing.
        std::vector<EntryRecord>().swap(m_records);
        std::string().swap(m_texts);
        m_nCapacity = 0;
        return;
    }
    if (newSize > m_nCapacity) {
        int step = m_nGrowBy;
        if (step == 0) {
            step = std::clamp(GetSize() / 8, 4, 1024);
        }
        m_nCapacity = m_nCapacity == 0 ? newSize : std::max(m_nCapacity + step, newSize);
    }
    // The storage itself grows geometrically, and only when it is full: growing it by the
    // small step would copy a 20,000-entry listing twenty times over, and growing it ahead of
    // the logical step would double a listing that Reserve made room for.
    if (static_cast<std::size_t>(newSize) > m_records.capacity()) {
        m_records.reserve(std::max(static_cast<std::size_t>(newSize), 2 * m_records.capacity()));
    }
    m_records.resize(static_cast<std::size_t>(newSize));
}

int CRemoteFileList::Add(const RemoteFileEntry& entry)
{
    const int index = GetSize();
    SetAtGrow(index, entry);
    return index;
}

void CRemoteFileList::SetAtGrow(int index, const RemoteFileEntry& entry)
{
    if (index < 0) {
        return;
    }
    if (index >= GetSize()) {
        SetSize(index + 1);
    }
    // The texts go at the end of the block; those of an entry written over stay unused there
    // until the list is cleared.
    EntryRecord& record = m_records[static_cast<std::size_t>(index)];
    record.begin = m_texts.size();
    const std::string* texts[kTextCount] = {&entry.displayName, &entry.permissions, &entry.sizeText,
                                            &entry.dateText,    &entry.linkTarget,  &entry.unique};
    for (int field = 0; field < kTextCount; ++field) {
        // A listing is far below 4 GiB (its size is capped); a longer text is cut, not wrapped.
        const std::size_t length =
            std::min<std::size_t>(texts[field]->size(), std::numeric_limits<std::uint32_t>::max());
        record.length[field] = static_cast<std::uint32_t>(length);
        m_texts.append(*texts[field], 0, length);
    }
    record.modifyTime = entry.modifyTime;
    record.isDirectory = entry.isDirectory == 1;
    record.isLink = entry.isLink == 1;
}

std::string_view CRemoteFileList::Text(int index, TextField field) const
{
    const EntryRecord& record = Record(index);
    std::size_t begin = record.begin;
    for (int before = 0; before < field; ++before) {
        begin += record.length[before];
    }
    return std::string_view(m_texts).substr(begin, record.length[field]);
}

RemoteFileEntry CRemoteFileList::At(int index) const
{
    const EntryRecord& record = Record(index);
    RemoteFileEntry entry;
    entry.displayName.assign(Text(index, kName));
    entry.permissions.assign(Text(index, kPerm));
    entry.sizeText.assign(Text(index, kSize));
    entry.dateText.assign(Text(index, kDate));
    entry.linkTarget.assign(Text(index, kTarget));
    entry.unique.assign(Text(index, kUnique));
    entry.modifyTime = record.modifyTime;
    entry.isDirectory = record.isDirectory ? 1 : 0;
    entry.isLink = record.isLink ? 1 : 0;
    return entry;
}

int CRemoteFileList::EntriesEnd() const
{
    const int end = GetSize();
    return end > 0 && DisplayName(end - 1) == kEndMarker ? end - 1 : end;
}

int CRemoteFileList::FindByDisplayName(std::string_view text) const
{
    const int end = EntriesEnd();
    for (int i = 0; i < end; ++i) {
        if (DisplayName(i) == text) {
            return i;
        }
    }
    return -1;
}

} // namespace tarnwick
