// Creating a directory and deleting rows, on either side. Nothing is removed before the user
// has been asked with the items named: a server folder with contents is asked about before
// anything in it goes, and local items go to the trash, for good only after a second question.
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "core/strutil.h"
#include "files/pathjoin.h"
#include "files/rowtext.h"
#include "session/commandtexts.h"
#include "session/localfiles.h"
#include "session/localtrash.h"
#include "session/session.h"
#include "session/transferqueue.h"
#include "session/treetransfer.h"

namespace tarnwick {

void CSession::CreateLocalDirectory(const std::string& name)
{
    // An existing directory or a refused name shows in the refreshed pane, not in a message.
    std::error_code ignored;
    std::filesystem::create_directory(JoinPath(m_view.localDir, name), ignored);
    static_cast<void>(RefreshLocal());
}

bool CSession::CreateRemoteDirectory(const std::string& name)
{
    m_bLost = false;
    // The name as typed, relative to the server's current directory.
    if (!m_engine.MakeDir(name)) {
        m_ui.SetStatus("ディレクトリ作成に失敗しました");
        static_cast<void>(ConnectionLostNow());
        return false;
    }
    RefreshRemote(false);
    return true;
}

bool CSession::DeleteLocalRows(const std::vector<std::string>& rows)
{
    std::vector<std::string> names;
    for (const std::string& row : rows) {
        if (!IsSelfOrParentRow(row)) {
            names.push_back(RowName(row));
        }
    }
    // Without a trash the one question is about deleting for good.
    if (!StartCommand(m_pTrash != nullptr ? "%d 個の項目をごみ箱に移動しますか？"
                                          : "%d 個のファイルを削除しますか？",
                      rows.size(), names.size(), names)) {
        return false;
    }
    std::vector<ItemOutcome> outcomes;
    // What the trash could not take: deleted for good only after a second question.
    std::vector<std::pair<std::string, std::string>> untrashed; // row, why
    for (const std::string& row : rows) {
        if (IsSelfOrParentRow(row)) {
            continue;
        }
        const std::string name = IsDirectoryRow(row) ? DirectoryRowName(row) : row;
        const std::string path = JoinPath(m_view.localDir, name);
        if (MovedByQueue(path, true, name, outcomes)) {
            continue;
        }
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0) {
            const int error = errno; // gone since the pane was listed
            m_ui.SetStatus(FormatText("%s の削除に失敗しました", path));
            Record(LocalOutcome(name, false, error), outcomes);
            continue;
        }
        std::string why;
        if (m_pTrash != nullptr && m_pTrash->MoveToTrash(path, why)) {
            m_ui.SetStatus(FormatText("%s をごみ箱に移動しました", path));
            Record(LocalOutcome(name, true, 0), outcomes);
        } else if (m_pTrash != nullptr) {
            untrashed.emplace_back(row, why);
        } else {
            RemoveForGood(name, outcomes);
        }
    }
    if (!untrashed.empty()) {
        std::vector<std::string> left;
        for (const auto& item : untrashed) {
            left.push_back(RowName(item.first));
        }
        const std::string& why = untrashed.front().second;
        const bool forGood = m_ui.AskCaution(
            std::to_string(untrashed.size()) + " 個はごみ箱に移動できません" +
            (why.empty() ? std::string() : " (" + why + ")") +
            "。\n完全に削除しますか？元に戻せません。\n" + NamedLines(left));
        for (const auto& [row, reason] : untrashed) {
            const std::string name = IsDirectoryRow(row) ? DirectoryRowName(row) : row;
            if (forGood) {
                RemoveForGood(name, outcomes);
            } else {
                outcomes.push_back(SkippedOutcome(name));
            }
        }
    }
    static_cast<void>(RefreshLocal());
    ReportItems(outcomes, "削除が完了しました", "削除");
    return true;
}

bool CSession::MovedByQueue(const std::string& path, bool local, const std::string& name,
                            std::vector<ItemOutcome>& outcomes)
{
    const CTransferQueue* queue = m_runner.TransferQueue();
    if (queue == nullptr || !queue->Moves(path, local)) {
        return false;
    }
    ItemOutcome outcome;
    outcome.status = ItemOutcome::Status::Failed;
    outcome.name = name;
    outcome.note = "転送中のため削除できません";
    outcomes.push_back(outcome);
    return true;
}

void CSession::RemoveForGood(const std::string& name, std::vector<ItemOutcome>& outcomes)
{
    const std::string path = JoinPath(m_view.localDir, name);
    int error = 0;
    const bool deleted = RemoveLocalTree(path, error);
    // A file that could not be deleted is said to be so, not claimed deleted.
    m_ui.SetStatus(FormatText(deleted ? "%s を削除しました" : "%s の削除に失敗しました", path));
    Record(LocalOutcome(name, deleted, error), outcomes);
}

bool CSession::DeleteRemoteRows(const std::vector<std::string>& rows)
{
    const std::vector<RemoteRow> items = ResolveRemoteRows(rows);
    // Each row named as the listing has it ("x/" only for a folder).
    const auto named = [&](std::size_t at) {
        const RemoteRow& item = items[at];
        return item.ambiguous ? rows[at] : item.directory ? item.name + "/" : item.name;
    };
    std::vector<std::string> names;
    for (std::size_t at = 0; at < rows.size(); ++at) {
        if (!IsSelfOrParentRow(rows[at])) {
            names.push_back(named(at));
        }
    }
    if (!StartCommand("%d 個のファイルまたは\nディレクトリを削除しますか？", rows.size(),
                      names.size(), names)) {
        return false;
    }
    std::vector<ItemOutcome> outcomes;
    for (std::size_t at = 0; at < rows.size(); ++at) {
        const std::string& row = rows[at];
        if (IsSelfOrParentRow(row)) {
            continue;
        }
        ItemOutcome outcome;
        const RemoteRow& item = items[at];
        if (item.ambiguous) {
            // Folder x and a file named "<x>" read alike: which one is meant cannot be told.
            outcome = AmbiguousRowOutcome(row);
            m_ui.SetStatus(FormatText("%s は削除しませんでした", row));
            if (Record(outcome, outcomes)) {
                break;
            }
            continue;
        }
        if (MovedByQueue(JoinPath(m_view.remoteDir, item.name), false, named(at), outcomes)) {
            continue;
        }
        if (item.directory) {
            // The bare name, relative to the server's current directory.
            const std::string& name = item.name;
            outcome = RemoveRemoteFolder(name);
            if (outcome.status == ItemOutcome::Status::Skipped) {
                m_ui.SetStatus(FormatText("%s は削除しませんでした", name));
                outcomes.push_back(outcome);
                continue;
            }
            m_ui.SetStatus(outcome.Failed() ? std::string("ディレクトリ削除に失敗しました")
                                            : FormatText("%s の削除が正常に終了しました", name));
        } else {
            const std::string path = JoinPath(m_view.remoteDir, row);
            outcome = m_runner.DeleteRemoteFile(path);
            m_ui.SetStatus(outcome.Failed() ? std::string("削除に失敗しました")
                                            : FormatText("%s の削除が正常に終了しました", path));
            outcome.name = row;
        }
        if (Record(outcome, outcomes)) {
            break;
        }
    }
    EndRemoteCommand(outcomes, "削除が完了しました", "削除");
    return true;
}

ItemOutcome CSession::RemoveRemoteFolder(const std::string& name)
{
    // Whether it holds anything is known before anything goes: a folder with contents is
    // removed only when the user says so, and no is no failure.
    const std::string path = JoinPath(m_view.remoteDir, name);
    CTreeTransfer tree(m_runner);
    // A row MLSD called a folder may be a link (pyftpdlib): it goes as a link, and nothing
    // it leads to is listed, asked about or removed.
    switch (tree.KindOf(m_view.remoteDir, name)) {
    case CTreeTransfer::RemoteKind::Link: {
        ItemOutcome outcome = m_runner.DeleteRemoteFile(path);
        outcome.name = name;
        return outcome;
    }
    case CTreeTransfer::RemoteKind::Unknown: {
        return FailedOutcome(name, m_engine.FailedBecause(FailureReason::Refused),
                             "リンクかどうか確かめられません");
    }
    case CTreeTransfer::RemoteKind::Folder:
        break;
    }
    std::vector<std::string> inside;
    const int count = tree.CountEntries(path, &inside);
    if (count <= 0) {
        // Empty, or it could not be listed: RMD, and the server says why when it refuses.
        return m_runner.RemoveRemoteDirectory(name);
    }
    if (!m_ui.AskCaution(FormatText("%s を中身ごと削除しますか？", name) + "\n\n" +
                         FormatText("中に %d 個の項目があります:", count) + NamedLines(inside))) {
        return SkippedOutcome(name);
    }
    tree.SetItemSink([this](const ItemOutcome& outcome) { m_ui.ItemDone(outcome); });
    tree.RemoveRemote(path);
    for (const ItemOutcome& outcome : tree.Outcomes()) {
        if (outcome.Failed()) {
            return outcome;
        }
    }
    ItemOutcome removed;
    removed.name = name;
    return removed;
}

} // namespace tarnwick
