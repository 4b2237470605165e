// The permissions the attributes dialog starts from, where the listing gave none (DOS lines,
// MLSD without UNIX.mode): a mode is never made up, since OK would send it.
#include <string_view>

#include "core/strutil.h"
#include "files/listingparser.h"
#include "files/remotepane.h"
#include "files/rowtext.h"
#include "session/session.h"

namespace tarnwick {

namespace {

// "-rw-r--r--": a type and nine permission letters, each as a long listing writes it.
bool HasPermissionBits(std::string_view permissions)
{
    if (permissions.size() < 10) {
        return false;
    }
    for (std::size_t i = 1; i < 10; ++i) {
        if (std::string_view("-rwxsStT").find(permissions[i]) == std::string_view::npos) {
            return false;
        }
    }
    return true;
}

// The permissions of `name` in the lines of a STAT reply:
//   213-Status of "a.txt":
//    -rw-r--r--   1 anna  anna  512 Mar 14 09:12 a.txt
//   213 End of status
std::string PermissionsInStatus(std::string_view lines, const std::string& name)
{
    while (!lines.empty()) {
        const std::size_t end = std::min(lines.find('\n'), lines.size());
        std::string_view line = lines.substr(0, end);
        lines.remove_prefix(std::min(end + 1, lines.size()));
        while (!line.empty() && line.front() == ' ') {
            line.remove_prefix(1);
        }
        RemoteFileEntry entry;
        if (ParseListingLine(line, entry) == ParsedLine::Entry && entry.displayName == name &&
            HasPermissionBits(entry.permissions)) {
            return entry.permissions;
        }
    }
    return std::string();
}

} // namespace

bool CSession::AttribPermissions(int index, std::string& permissions)
{
    m_bLost = false;
    const RemoteFileEntry& listed = m_remoteFiles.At(index);
    permissions = listed.permissions;
    if (HasPermissionBits(permissions)) {
        return true;
    }
    const bool directory = listed.isDirectory == 1;
    const std::string name = directory ? DirectoryRowName(listed.displayName) : listed.displayName;
    // MLST: the facts of the one entry, without a data connection.
    if (const std::string line = m_engine.RemoteFactLine(name); !line.empty()) {
        RemoteFileEntry entry;
        if (ParseMlsdLine(line, entry) == ParsedLine::Entry &&
            HasPermissionBits(entry.permissions)) {
            permissions = entry.permissions;
            return true;
        }
    }
    // STAT of a file gives its long line; of a folder, the folder's contents instead.
    if (!directory && m_engine.IsConnected()) {
        permissions = PermissionsInStatus(m_engine.RemoteStatus(name), name);
        if (!permissions.empty()) {
            return true;
        }
    }
    // The long listing of the folder shown, where the server is.
    std::string text;
    if (m_engine.IsConnected() && m_engine.ListLongLines(text)) {
        CRowList rows;
        CRemoteFileList entries;
        FillRemotePane(rows, text, entries, ListingFormat::LongLines);
        const int found = entries.FindByDisplayName(listed.displayName);
        if (found >= 0 && HasPermissionBits(entries.At(found).permissions)) {
            permissions = entries.At(found).permissions;
            return true;
        }
    }
    permissions.clear();
    if (!ConnectionLostNow()) {
        m_ui.SetStatus(FormatText("%s の属性が分かりません (サーバーが答えません)", name));
    }
    return false;
}

} // namespace tarnwick
