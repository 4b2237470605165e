#pragma once

#include <cstdint>
#include <string>

#include "files/rowtext.h"

namespace tarnwick {

// What the last remote listing said about one directory entry.
struct RemoteFileEntry {
    std::string permissions; // "drwxr-xr-x": characters 1-9 are owner, group, others; empty
                             // when the listing gave none (DOS lines, MLSD without UNIX.mode)
    std::string displayName; // the name; "<" + name + ">" for a directory
    int isDirectory = 0;     // 1 for a directory ('d' permissions, <DIR>, MLSD type=dir)
    std::string sizeText;    // the size column as written, "----" for a directory
    std::string dateText;    // the date columns as written ("Jan  1 12:00", "3月 14 09:12",
                             // "03-14-23  09:12AM"); MLSD's modify as "2023-11-30 18:45" UTC
    int isLink = 0;          // 1 for a symbolic link ('l' permissions, MLSD OS.unix=slink)
    std::string linkTarget;  // where the link points, when the listing says ("a -> b")
    // Seconds since 1970 UTC when the listing gave an exact time (MLSD modify), -1 otherwise.
    std::int64_t modifyTime = -1;
    // MLSD's "unique" fact: the same for every name of one file or directory (a directory
    // reached again through a link has it too); empty when the listing gave none.
    std::string unique;
};

// The bare name of an entry (a directory's display name is bracketed).
[[nodiscard]] inline std::string EntryName(const RemoteFileEntry& entry)
{
    return entry.isDirectory == 1 ? DirectoryRowName(entry.displayName) : entry.displayName;
}

// The size a listing gives a file, -1 when it gives none: a directory, a link (its size is
// the link's own, not that of the file a download fetches), a device ("4, 1").
[[nodiscard]] inline std::int64_t ListedSize(const RemoteFileEntry& entry)
{
    const std::string& text = entry.sizeText;
    if (text.empty() || entry.isDirectory == 1 || entry.isLink == 1 ||
        (!entry.permissions.empty() && entry.permissions.front() == 'l') ||
        text.find_first_not_of("0123456789") != std::string::npos || text.size() > 18) {
        return -1;
    }
    std::int64_t size = 0;
    for (const char c : text) {
        size = size * 10 + (c - '0');
    }
    return size;
}

} // namespace tarnwick
