#pragma once

#include <cstdint>
#include <string>

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
};

} // namespace tarnwick
