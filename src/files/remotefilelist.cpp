#include "files/remotefilelist.h"

#include <algorithm>

namespace tarnwick {

void CRemoteFileList::SetSize(int newSize, int growBy)
{
    if (growBy != -1) {
        m_nGrowBy = growBy;
    }
    newSize = std::max(newSize, 0);
    if (newSize == 0) {
        m_entries.clear();
        m_entries.shrink_to_fit(); // a refresh starts from nothing
        m_nCapacity = 0;
        return;
    }
    if (newSize > m_nCapacity) {
        int step = m_nGrowBy;
        if (step == 0) {
            step = std::clamp(GetSize() / 8, 4, 1024);
        }
        m_nCapacity = m_nCapacity == 0 ? newSize : std::max(m_nCapacity + step, newSize);
        // The storage itself grows geometrically: growing it by the small step would copy a
        // 20,000-entry listing twenty times over.
        if (static_cast<std::size_t>(m_nCapacity) > m_entries.capacity()) {
            m_entries.reserve(
                std::max(static_cast<std::size_t>(m_nCapacity), 2 * m_entries.capacity()));
        }
    }
    m_entries.resize(static_cast<std::size_t>(newSize));
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
    m_entries[static_cast<std::size_t>(index)] = entry;
}

int CRemoteFileList::FindByDisplayName(const std::string& text) const
{
    int end = GetSize();
    if (end > 0 && m_entries.back().displayName == kEndMarker) {
        --end;
    }
    for (int i = 0; i < end; ++i) {
        if (m_entries[static_cast<std::size_t>(i)].displayName == text) {
            return i;
        }
    }
    return -1;
}

} // namespace tarnwick
