// What the file commands ask of local files.
#pragma once

#include <cstdint>
#include <string>

namespace tarnwick {

// A local file exists when it opens for reading.
[[nodiscard]] bool LocalFileOpens(const std::string& path);

// The length of a local file; 0 when it cannot be measured (a directory, a vanished file).
[[nodiscard]] std::int64_t LocalFileLength(const std::string& path);

// True for a directory (or a link to one).
[[nodiscard]] bool IsLocalDirectory(const std::string& path);

// Size and modification time of a local file, for the overwrite question; -1 when it cannot
// be measured.
void LocalFileFacts(const std::string& path, std::int64_t& size, std::int64_t& modifyTime);

// Deletes `path` for good: a file or a link (never what it points at), or a folder with
// everything below it, where no link is followed and nothing outside the folder is reached
// even when the folder changes meanwhile. False with `error` (an errno) at the first thing that
// could not be removed.
bool RemoveLocalTree(const std::string& path, int& error);

// Renames the item `from` in the folder `dir` to `to` (both plain names). The names are
// taken inside the folder as opened, so a link is renamed itself, never what it points at.
// Without `replace` an item named `to` is never replaced (EEXIST). False with `error`.
bool RenameLocal(const std::string& dir, const std::string& from, const std::string& to,
                 bool replace, int& error);

// Gives the file the modification time `seconds` (since 1970 UTC); false when it cannot.
bool SetLocalModifyTime(const std::string& path, std::int64_t seconds);

} // namespace tarnwick
