// The file commands: download and upload, change attributes; each item with its own outcome,
// and the command's status text at the end (creating and deleting: createdelete.cpp).
#include <algorithm>
#include <cerrno>

#include "core/strutil.h"
#include "files/pathjoin.h"
#include "files/rowtext.h"
#include "session/commandtexts.h"
#include "session/localfiles.h"
#include "session/session.h"
#include "session/treetransfer.h"

namespace tarnwick {

namespace {

constexpr std::size_t kFailuresNamed = 3;

} // namespace

bool CSession::Record(const ItemOutcome& outcome, std::vector<ItemOutcome>& outcomes)
{
    m_ui.ItemDone(outcome);
    outcomes.push_back(outcome);
    return outcome.reason == FailureReason::Cancelled || ConnectionLostNow();
}

void CSession::ReportItems(const std::vector<ItemOutcome>& outcomes, const std::string& done,
                           const std::string& what)
{
    if (m_bLost) {
        return; // the status line says the connection was lost
    }
    std::vector<const ItemOutcome*> failures;
    std::int64_t skipped = 0;
    std::int64_t queued = 0;
    for (const ItemOutcome& outcome : outcomes) {
        if (outcome.Failed()) {
            failures.push_back(&outcome);
        }
        skipped += outcome.status == ItemOutcome::Status::Skipped ? 1 : 0;
        queued += outcome.queued ? 1 : 0;
    }
    if (failures.empty() && queued > 0) {
        // Nothing has moved yet: the queue's panel shows how it goes.
        m_ui.SetStatus(FormatText("%d 個のファイルを転送キューに追加しました", queued) +
                       (skipped == 0 ? std::string()
                                     : FormatText(" (%d 個はスキップしました)", skipped)));
    } else if (failures.empty()) {
        // What the user chose to keep is no failure, but the command did not do it all.
        m_ui.SetStatus(skipped == 0 ? done
                                    : done + FormatText(" (%d 個はスキップしました)", skipped));
    } else if (outcomes.back().reason == FailureReason::Cancelled) {
        m_ui.SetStatus(what + "を中止しました: " + outcomes.back().name);
    } else {
        // The first failure with its reason, a few more by name, then how many besides.
        std::string text = std::to_string(outcomes.size()) + " 個中 " +
                           std::to_string(failures.size()) + " 個の" + what + "に失敗しました: " +
                           failures.front()->name + " (" + FailureDetail(*failures.front()) + ")";
        const std::size_t named = std::min(failures.size(), kFailuresNamed);
        for (std::size_t i = 1; i < named; ++i) {
            text += "、" + failures[i]->name;
        }
        if (failures.size() > named) {
            text += " ほか " + std::to_string(failures.size() - named) + " 個";
        }
        m_ui.SetStatus(text);
        if (const std::string original = FailureOriginal(*failures.front()); !original.empty()) {
            m_ui.SetStatusOriginal(original);
        }
    }
}

void CSession::EndRemoteCommand(const std::vector<ItemOutcome>& outcomes, const std::string& done,
                                const std::string& what)
{
    if (!m_bLost) {
        RefreshRemote(false);
    }
    ReportItems(outcomes, done, what);
}

// --- download and upload -------------------------------------------------------------------

bool CSession::StartCommand(const char* question, std::size_t count, std::size_t items,
                            const std::vector<std::string>& names)
{
    if (count == 0 || !m_ui.Ask(NamedQuestion(question, count, names))) {
        return false;
    }
    m_bLost = false;
    BeginItems(std::min(count, items) > 1);
    return true;
}

void CSession::BeginItems(bool more)
{
    m_runner.BeginItems(more);
    m_tree = TreeCounts();
}

ItemOutcome CSession::UploadFile(const std::string& localPath, const std::string& remoteName)
{
    // The list of the last remote refresh answers; a directory's entry is bracketed and case
    // matters, so neither asks.
    const std::optional<RemoteFileEntry> existing = m_remoteFiles.FindEntry(remoteName);
    return m_runner.UploadOver(localPath, remoteName, existing ? &*existing : nullptr);
}

void CSession::ExplainLinkFailure(const std::string& row, ItemOutcome& outcome)
{
    if (outcome.reason != FailureReason::Refused || !IsLinkRow(row) || !m_engine.ChangeDir(row)) {
        return;
    }
    // It is a directory: back to the folder shown, which the commands go on working in.
    static_cast<void>(m_engine.ChangeDir(m_view.remoteDir));
    outcome.note = "ディレクトリへのリンクはダウンロードできません";
}

bool CSession::DownloadRows(const std::vector<std::string>& rows)
{
    std::size_t count = 0;
    for (const std::string& row : rows) {
        count += IsSelfOrParentRow(row) ? 0 : 1;
    }
    if (!StartCommand("%d 個のファイルをダウンロードしますか？", rows.size(), count, {})) {
        return false;
    }
    std::vector<ItemOutcome> outcomes;
    std::size_t number = 0;
    const std::vector<RemoteRow> items = ResolveRemoteRows(rows);
    for (std::size_t at = 0; at < rows.size(); ++at) {
        const std::string& row = rows[at];
        if (IsSelfOrParentRow(row)) {
            continue;
        }
        m_ui.BeginItem(++number, count);
        const RemoteRow& item = items[at];
        const bool directory = item.directory;
        const std::string& name = item.name;
        ItemOutcome outcome;
        // A name such as "..", "../x" or "a/b" from the server would write outside the local
        // directory: it is never joined into a local path.
        if (item.ambiguous) {
            outcome = AmbiguousRowOutcome(row);
        } else if (!IsSafeLocalName(name)) {
            outcome = LocalOutcome(name, false, EINVAL);
            outcome.note = "ローカルに置けない名前";
        } else if (directory) {
            if (MoveTree(TransferDirection::Download, JoinPath(m_view.localDir, name),
                         JoinPath(m_view.remoteDir, name), outcomes)) {
                break;
            }
            continue;
        } else {
            const std::string remotePath = JoinPath(m_view.remoteDir, row);
            const std::optional<RemoteFileEntry> entry =
                item.entry >= 0 ? std::optional(m_remoteFiles.At(item.entry)) : std::nullopt;
            outcome = m_runner.DownloadFile(
                remotePath, JoinPath(m_view.localDir, row), entry ? ListedSize(*entry) : -1,
                entry ? entry->modifyTime : -1, entry ? entry->dateText : std::string());
            if (outcome.status == ItemOutcome::Status::Skipped) {
                continue;
            }
            outcome.name = row;
            if (outcome.Failed()) {
                ExplainLinkFailure(row, outcome);
            }
        }
        m_ui.SetStatus(outcome.Failed()   ? std::string("ダウンロードに失敗しました")
                       : outcome.queued ? FormatText("%s を転送キューに追加しました",
                                                     JoinPath(m_view.remoteDir, row))
                                        : FormatText("%s のダウンロードが正常に終了しました",
                                                     JoinPath(m_view.remoteDir, row)));
        if (Record(outcome, outcomes)) {
            break;
        }
    }
    static_cast<void>(RefreshLocal());
    ReportItems(outcomes, "ダウンロードが完了しました", "ダウンロード");
    return true;
}

bool CSession::UploadRows(const std::vector<std::string>& rows)
{
    std::vector<std::pair<std::string, std::string>> items;
    for (const std::string& row : rows) {
        if (!IsSelfOrParentRow(row)) {
            const std::string name = IsDirectoryRow(row) ? DirectoryRowName(row) : row;
            items.emplace_back(JoinPath(m_view.localDir, name), name);
        }
    }
    return UploadItems(items, rows.size());
}

bool CSession::UploadPaths(const std::vector<std::string>& paths)
{
    std::vector<std::pair<std::string, std::string>> items;
    for (const std::string& path : paths) {
        items.emplace_back(path, BaseName(path));
    }
    return UploadItems(items, paths.size());
}

bool CSession::MoveTree(TransferDirection direction, const std::string& localPath,
                        const std::string& remotePath, std::vector<ItemOutcome>& outcomes)
{
    m_runner.SetMoreItems(true); // a tree holds more files than the one asked about
    CTreeTransfer tree(m_runner);
    tree.SetItemSink([this](const ItemOutcome& outcome) { TreeItem(outcome); });
    // The walk is over: what will move. Then each file as it starts.
    tree.SetTotalsSink([this](std::size_t files, std::int64_t bytes) {
        m_tree = TreeCounts();
        m_tree.filesTotal = files;
        m_tree.bytesTotal = bytes;
        m_ui.TreeProgress(m_tree);
    });
    tree.SetFileSink([this](const std::string& name, std::int64_t size) {
        m_tree.current = name;
        m_nTreeFileSize = size;
        m_ui.TreeProgress(m_tree);
    });
    if (direction == TransferDirection::Download) {
        tree.Download(remotePath, localPath);
    } else {
        tree.Upload(localPath, remotePath);
    }
    // Files and failures count; what was passed over on purpose (links, answers) does not.
    for (const ItemOutcome& outcome : tree.Outcomes()) {
        if (outcome.status != ItemOutcome::Status::Skipped) {
            outcomes.push_back(outcome);
        }
    }
    // Cancelled, or the connection is gone (which the status line then says).
    if (tree.Stopped()) {
        static_cast<void>(ConnectionLostNow());
        return true;
    }
    return false;
}

void CSession::TreeItem(const ItemOutcome& outcome)
{
    m_ui.ItemDone(outcome);
    if (m_tree.current.empty()) {
        return; // not a file that moved: a folder, a link left out
    }
    // A file counts with its whole size, moved now or before (a resumed part), so the bar
    // reaches its end; a failed or skipped one is dealt with all the same.
    ++m_tree.files;
    m_tree.bytes += m_nTreeFileSize >= 0 ? m_nTreeFileSize : outcome.bytes;
    m_tree.current.clear();
    m_ui.TreeProgress(m_tree);
}

bool CSession::UploadItems(const std::vector<std::pair<std::string, std::string>>& items,
                           std::size_t asked)
{
    if (!StartCommand("%d 個のファイルをアップロードしますか？", asked, items.size(), {})) {
        return false;
    }
    std::vector<ItemOutcome> outcomes;
    std::size_t number = 0;
    for (const auto& [localPath, name] : items) {
        m_ui.BeginItem(++number, items.size());
        if (IsLocalDirectory(localPath)) {
            if (MoveTree(TransferDirection::Upload, localPath, JoinPath(m_view.remoteDir, name),
                         outcomes)) {
                break;
            }
            continue;
        }
        ItemOutcome outcome = UploadFile(localPath, name);
        if (outcome.status == ItemOutcome::Status::Skipped) {
            continue;
        }
        outcome.name = name;
        m_ui.SetStatus(outcome.Failed() ? FormatText("%s のアップロードに失敗しました\r\n", name)
                       : outcome.queued
                           ? FormatText("%s を転送キューに追加しました", localPath)
                           : FormatText("%s のアップロードが正常に終了しました", localPath));
        if (Record(outcome, outcomes)) {
            break;
        }
    }
    EndRemoteCommand(outcomes, "アップロードが完了しました", "アップロード");
    return true;
}

// --- attributes ------------------------------------------------------------------------

int CSession::FindAttribEntry(const std::string& row)
{
    if (IsSelfOrParentRow(row)) {
        return -1;
    }
    const int index = m_remoteFiles.FindByDisplayName(row);
    if (index < 0) {
        m_ui.SetStatus("指定されたファイルがリストにありません\r\n");
    }
    return index;
}

void CSession::ChangeAttributes(int index, const std::string& mode)
{
    m_bLost = false;
    // Relative to the server's current directory; a directory goes by its bare name.
    const std::string displayName = m_remoteFiles.At(index).displayName;
    const std::string name =
        m_remoteFiles.IsDirectory(index) ? DirectoryRowName(displayName) : displayName;
    const CommandOutcome answer = m_engine.ChangeMode(name, mode);
    if (!answer) {
        m_ui.SetStatus("ChangeFileAttrib に失敗\r\n");
        static_cast<void>(ConnectionLostNow());
        return;
    }
    // Whatever the server answered, a refusal included.
    m_ui.SetStatus(answer.replyText);
    RefreshRemote(false);
}

} // namespace tarnwick
