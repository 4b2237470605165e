// Joining names to directories. Both sides use "/" as separator and "/" as the root; no
// second separator is added after the root.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

// "/" + name at the root, dir + "/" + name elsewhere.
[[nodiscard]] std::string JoinPath(const std::string& dir, const std::string& name);

// True when a name from a remote listing may become a local file name: not empty, not "."
// or "..", no "/" or "\", no control character. A hostile listing line "../x" or "a/b" must
// never write outside the local directory.
[[nodiscard]] bool IsSafeLocalName(std::string_view name);

// The text after the last "/" (the whole text when there is none).
[[nodiscard]] std::string BaseName(const std::string& path);

// The text before the last "/" (empty when there is none, and for a directory right below
// the root): "/a/b" gives "/a", "/a" gives "".
[[nodiscard]] std::string ParentDir(const std::string& dir);

} // namespace tarnwick
