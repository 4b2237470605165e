#pragma once

#include <string>

namespace tarnwick {

// What the last remote listing said about one directory entry.
struct RemoteFileEntry {
    std::string permissions; // "drwxr-xr-x": characters 1-9 are owner, group, others
    std::string displayName; // the name; "<" + name + ">" for a directory
    int isDirectory = 0;     // 1 when permissions begins with 'd'
    std::string sizeText;    // the size column as written, "----" for a directory
    std::string dateText;    // the date columns as written ("Jan  1 12:00")
};

} // namespace tarnwick
