// Lines of a remote listing in the long Unix layout, read by columns:
//
//   drwxr-xr-x   2 ftp      ftp          4096 Mar 14 09:12 src
//   -rw-r--r--   1 1000     1000       512000 Dec  1  2023 my file.txt
//   lrwxrwxrwx   1 root     root            7 Jan  2 03:04 latest -> v2.1
//   -rw-r--r--   1 owner            512 Jan  2 03:04 no-group.txt
//
// permissions, link count, owner, group (missing on some servers), size, the date (month,
// day, time or year), then the name, which keeps its blanks.
#pragma once

#include <string>
#include <string_view>

#include "files/remotefileentry.h"

namespace tarnwick {

// Fills `entry` from one listing line (its CR, if any, is dropped). The name is plain: a
// directory is not yet bracketed. False for lines that make no entry: empty lines, the
// "total N" summary, and the "." and ".." entries. A line that does not have the long layout
// gives an entry named by the whole line.
bool ParseListingLine(std::string_view line, RemoteFileEntry& entry);

// True when the line has the long layout: a permission column such as "-rw-r--r--" followed
// by the other columns. Tells a long listing from a list of bare names.
[[nodiscard]] bool IsLongListingLine(std::string_view line);

} // namespace tarnwick
