#include "files/localpane.h"

#include <dirent.h>
#include <sys/stat.h>

#include <memory>

namespace tarnwick {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

// A symbolic link to a directory is entered like a directory, as a file manager would; the
// type from readdir is used when the file system gives one, so most entries need no stat.
bool IsDirectory(const std::string& dir, const dirent& entry)
{
    if (entry.d_type == DT_DIR) {
        return true;
    }
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) {
        return false;
    }
    struct stat info {};
    const std::string path = (dir == "/" ? dir : dir + "/") + entry.d_name;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

bool RefreshLocalPane(CPaneRows& pane, const std::string& dir)
{
    pane.ResetContent();
    const bool root = dir.empty() || dir == "/";
    if (!root) {
        pane.AddString("..");
    }
    const std::string path = root ? std::string("/") : dir;
    std::unique_ptr<DIR, DirCloser> handle(opendir(path.c_str()));
    if (!handle) {
        return false;
    }
    while (const dirent* entry = readdir(handle.get())) {
        const std::string name = entry->d_name;
        // The pane has its own ".." row; "." would only re-enter the same directory.
        if (name == "." || name == "..") {
            continue;
        }
        pane.AddString(IsDirectory(path, *entry) ? "<" + name + ">" : name);
    }
    return true;
}

} // namespace tarnwick
