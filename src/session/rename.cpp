// Renaming one item, on either side. A new name is a plain name in the same folder (the rule
// that keeps names from a listing inside the local folder), and an item of that name is
// replaced only after a question that names both.
#include <sys/stat.h>

#include <cerrno>

#include "core/strutil.h"
#include "files/pathjoin.h"
#include "files/rowtext.h"
#include "session/commandtexts.h"
#include "session/localfiles.h"
#include "session/runner.h"
#include "session/session.h"
#include "session/transferqueue.h"

namespace tarnwick {

namespace {

// The item a row stands for: a directory row's bare name, a file row as it is.
std::string RowItem(const std::string& row)
{
    return IsDirectoryRow(row) ? DirectoryRowName(row) : row;
}

} // namespace

bool CSession::CheckNewName(const std::string& from, const std::string& to)
{
    if (to.empty() || from == to) {
        return false; // nothing to do, and nothing to say
    }
    if (!IsSafeLocalName(to)) {
        m_ui.SetStatus(FormatText("%s は名前に使えません", to));
        return false;
    }
    return true;
}

bool CSession::AskReplace(const std::string& from, const std::string& to)
{
    return m_ui.AskCaution(RenameOverQuestion(from, to));
}

bool CSession::MovedNow(const std::string& dir, const std::string& from, const std::string& to,
                        bool local)
{
    const CTransferQueue* queue = m_runner.TransferQueue();
    if (queue == nullptr ||
        (!queue->Moves(JoinPath(dir, from), local) && !queue->Moves(JoinPath(dir, to), local))) {
        return false;
    }
    m_ui.SetStatus(FormatText("%s は転送中のため名前を変更できません", from));
    return true;
}

bool CSession::RenameLocalRow(const std::string& row, const std::string& newName)
{
    const std::string from = RowItem(row);
    if (IsSelfOrParentRow(row) || !CheckNewName(from, newName) ||
        MovedNow(m_view.localDir, from, newName, true)) {
        return false;
    }
    struct stat info {};
    const bool exists = ::lstat(JoinPath(m_view.localDir, newName).c_str(), &info) == 0;
    if (exists && !AskReplace(from, newName)) {
        return false;
    }
    int error = 0;
    const bool renamed = RenameLocal(m_view.localDir, from, newName, exists, error);
    static_cast<void>(RefreshLocal());
    ReportRename(LocalOutcome(from, renamed, error), newName);
    return renamed;
}

bool CSession::RenameRemoteRow(const std::string& row, const std::string& newName)
{
    if (IsSelfOrParentRow(row)) {
        return false;
    }
    const RemoteRow item = ResolveRemoteRow(row);
    if (item.ambiguous) {
        ReportRename(AmbiguousRowOutcome(row), newName);
        return false;
    }
    if (!CheckNewName(item.name, newName) ||
        MovedNow(m_view.remoteDir, item.name, newName, false)) {
        return false;
    }
    // Most servers replace an existing name without a word (vsftpd, pyftpdlib): the listing
    // shown decides whether to ask.
    const bool exists = m_remoteFiles.FindByDisplayName(newName) >= 0 ||
                        m_remoteFiles.FindByDisplayName("<" + newName + ">") >= 0;
    const ItemOutcome outcome = m_runner.RenameRemote(item.name, newName, exists);
    if (outcome.status == ItemOutcome::Status::Skipped) {
        return false;
    }
    if (!outcome.Failed()) {
        RefreshRemote(false);
    }
    ReportRename(outcome, newName);
    static_cast<void>(ConnectionLostNow());
    return !outcome.Failed();
}

void CSession::ReportRename(const ItemOutcome& outcome, const std::string& to)
{
    if (outcome.Failed()) {
        m_ui.SetStatus("名前の変更に失敗しました: " + FailureDetail(outcome));
        m_ui.SetStatusOriginal(FailureOriginal(outcome));
        return;
    }
    m_ui.SetStatus(FormatText("%s の名前を", outcome.name) + FormatText(" %s に変更しました", to));
}

} // namespace tarnwick
