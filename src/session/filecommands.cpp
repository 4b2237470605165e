// The file commands: download and upload, create and delete on either side, change
// attributes; each item with its own outcome, and the command's status text at the end.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "core/strutil.h"
#include "files/pathjoin.h"
#include "files/rowtext.h"
#include "ftp/localfile.h"
#include "session/localfiles.h"
#include "session/session.h"
#include "session/treetransfer.h"
#include "settings/transfermode.h"

namespace tarnwick {

namespace {

// The name on a line of its own first, so the question says which file it is about.
std::string OverwriteQuestion(const std::string& name)
{
    return name + "\nそのファイルはすでに存在します。\n上書きしますか？";
}
const std::string kParentRow = "..";
constexpr std::size_t kFailuresNamed = 3;

// Rows that stand for the folder shown or its parent: never an item of a command.
bool IsSelfOrParentRow(const std::string& row)
{
    return row == kParentRow || row == "." || row == "<..>" || row == "<.>";
}

ItemOutcome Skipped(const std::string& name)
{
    ItemOutcome outcome;
    outcome.status = ItemOutcome::Status::Skipped;
    outcome.name = name;
    return outcome;
}

} // namespace

TransferType CSession::ChooseType(const std::string& name)
{
    if (!m_settings.AutoTransferMode()) {
        return m_engine.GetType(); // as the transfer-mode menu left it
    }
    return EndsWithListedEnding(name, m_settings.TextModeList()) ? TransferType::Text
                                                                 : TransferType::Binary;
}

ItemOutcome CSession::CommandOutcome(const std::string& name, bool ok) const
{
    ItemOutcome outcome;
    outcome.name = name;
    outcome.replyCode = m_engine.GetReplyCode();
    outcome.replyText = m_engine.GetLastReply();
    if (ok) {
        return outcome;
    }
    outcome.status = ItemOutcome::Status::Failed;
    if (m_engine.IsConnected()) {
        outcome.reason = FailureReason::Refused;
    } else {
        outcome.reason = m_engine.GetControlLoss() == FailureReason::None
                             ? FailureReason::ConnectionLost
                             : m_engine.GetControlLoss();
        outcome.localErrno = m_engine.GetControlErrno();
    }
    return outcome;
}

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
    for (const ItemOutcome& outcome : outcomes) {
        if (outcome.Failed()) {
            failures.push_back(&outcome);
        }
    }
    if (failures.empty()) {
        m_ui.SetStatus(done);
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
    }
}

void CSession::EndRemoteCommand(const std::vector<ItemOutcome>& outcomes, const std::string& done,
                                const std::string& what)
{
    if (!m_bLost) {
        RefreshRemote();
    }
    ReportItems(outcomes, done, what);
}

// --- download and upload -------------------------------------------------------------------

bool CSession::StartCommand(const char* question, std::size_t count, std::size_t items)
{
    if (count == 0 || !m_ui.Ask(FormatText(question, static_cast<std::int64_t>(count)))) {
        return false;
    }
    m_bLost = false;
    BeginItems(std::min(count, items) > 1);
    return true;
}

void CSession::BeginItems(bool more)
{
    m_existingForAll.reset();
    m_bMoreItems = more;
    m_nTreeFiles = 0;
    m_nTreeBytes = 0;
}

ExistingAnswer CSession::AskExisting(const std::string& name, bool exists, bool canResume)
{
    // "Resume" for all cannot be the answer for a file that has no part.
    if (m_existingForAll && (*m_existingForAll != ExistingAnswer::Resume || canResume)) {
        return *m_existingForAll;
    }
    ExistingFile file{name, exists, canResume, m_bMoreItems, std::string()};
    if (!exists) {
        file.question = name + "\n途中まで受信したファイル (" + name +
                        ".part) があります。\n続きから再開しますか？";
    } else {
        file.question = OverwriteQuestion(name);
        if (canResume) {
            file.question += "\n(途中まで受信した部分から再開することもできます)";
        }
    }
    bool forAll = false;
    const ExistingAnswer answer = m_ui.AskExisting(file, forAll);
    if (forAll) {
        m_existingForAll = answer;
    }
    return answer;
}

ItemOutcome CSession::DownloadFile(const std::string& remotePath, const std::string& localPath,
                                   std::int64_t expectedSize, std::int64_t modifyTime)
{
    const TransferType type = ChooseType(localPath);
    const bool exists = m_settings.CheckOverwrite() && LocalFileOpens(localPath);
    // Only a binary file goes on byte for byte from where it stopped.
    const std::int64_t part = type == TransferType::Binary
                                  ? LocalFileLength(CDownloadTarget::PartialPath(localPath))
                                  : 0;
    const bool canResume = part > 0 && (expectedSize < 0 || part < expectedSize);
    bool resume = false;
    if (exists || canResume) {
        const ExistingAnswer answer = AskExisting(BaseName(localPath), exists, canResume);
        if (answer == ExistingAnswer::Skip) {
            return Skipped(remotePath);
        }
        resume = answer == ExistingAnswer::Resume && canResume;
    }
    ItemOutcome outcome =
        resume ? ResumeDownload(remotePath, localPath, expectedSize)
               : OutcomeOf(remotePath, m_engine.Transfer({TransferDirection::Download, remotePath,
                                                          localPath, type, expectedSize}));
    if (!outcome.Failed()) {
        if (modifyTime < 0) {
            modifyTime = m_engine.RemoteModificationTime(remotePath);
        }
        if (modifyTime >= 0) {
            static_cast<void>(SetLocalModifyTime(localPath, modifyTime));
        }
    }
    return outcome;
}

ItemOutcome CSession::ResumeDownload(const std::string& remotePath, const std::string& localPath,
                                     std::int64_t listedSize)
{
    const std::int64_t have = LocalFileLength(CDownloadTarget::PartialPath(localPath));
    std::int64_t size = m_engine.RemoteSize(remotePath);
    if (size < 0 && m_engine.IsConnected()) {
        size = listedSize;
    }
    if (size < 0) {
        ItemOutcome outcome = CommandOutcome(remotePath, false);
        outcome.note = "再開できません: サーバーがファイルのサイズを答えません";
        return outcome;
    }
    TransferRequest request{TransferDirection::Download, remotePath, localPath,
                            TransferType::Binary, size};
    // A part larger than the file is not this file's: it starts over.
    request.restartOffset = have > 0 && have <= size ? have : 0;
    return OutcomeOf(remotePath, m_engine.Transfer(request));
}

ItemOutcome CSession::UploadFile(const std::string& localPath, const std::string& remoteName)
{
    // The list of the last remote refresh answers; a directory's entry is bracketed and case
    // matters, so neither asks.
    if (m_settings.CheckOverwrite() && m_remoteFiles.FindByDisplayName(remoteName) >= 0 &&
        AskExisting(remoteName, true, false) == ExistingAnswer::Skip) {
        return Skipped(localPath);
    }
    const TransferType type = ChooseType(remoteName);
    const TransferRequest request{TransferDirection::Upload, remoteName, localPath, type,
                                  LocalFileLength(localPath)};
    return OutcomeOf(localPath, m_engine.Transfer(request));
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
    if (!StartCommand("%d 個のファイルをダウンロードしますか？", rows.size(), count)) {
        return false;
    }
    std::vector<ItemOutcome> outcomes;
    std::size_t number = 0;
    for (const std::string& row : rows) {
        if (IsSelfOrParentRow(row)) {
            continue;
        }
        m_ui.BeginItem(++number, count);
        const bool directory = IsDirectoryRow(row);
        const std::string name = directory ? DirectoryRowName(row) : row;
        ItemOutcome outcome;
        // A name such as "..", "../x" or "a/b" from the server would write outside the local
        // directory: it is never joined into a local path.
        if (!IsSafeLocalName(name)) {
            outcome = LocalOutcome(name, false, EINVAL);
            outcome.note = "ローカルに置けない名前";
        } else if (directory) {
            if (MoveTree(TransferDirection::Download, JoinPath(m_view.localDir, name),
                         JoinPath(m_view.remoteDir, name), outcomes)) {
                break;
            }
            continue;
        } else {
            const int index = m_remoteFiles.FindByDisplayName(row);
            const std::string remotePath = JoinPath(m_view.remoteDir, row);
            outcome = DownloadFile(remotePath, JoinPath(m_view.localDir, row),
                                   index < 0 ? -1 : ListedSize(m_remoteFiles.At(index)),
                                   index < 0 ? -1 : m_remoteFiles.At(index).modifyTime);
            if (outcome.status == ItemOutcome::Status::Skipped) {
                continue;
            }
            outcome.name = row;
            if (outcome.Failed()) {
                ExplainLinkFailure(row, outcome);
            }
        }
        m_ui.SetStatus(outcome.Failed()
                           ? std::string("ダウンロードに失敗しました")
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
    m_bMoreItems = true; // a tree holds more files than the one asked about
    CTreeTransfer tree(m_engine, *this);
    tree.SetItemSink([this](const ItemOutcome& outcome) { TreeItem(outcome); });
    // As for single files: asked only when the settings say so.
    if (m_settings.CheckOverwrite()) {
        tree.SetOverwriteQuestion([this](const std::string& file) {
            return AskExisting(file, true, false) != ExistingAnswer::Skip;
        });
    }
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
    if (outcome.status == ItemOutcome::Status::Done) {
        ++m_nTreeFiles;
        m_nTreeBytes += outcome.bytes;
        m_ui.TreeProgress(m_nTreeFiles, m_nTreeBytes);
    }
}

bool CSession::UploadItems(const std::vector<std::pair<std::string, std::string>>& items,
                           std::size_t asked)
{
    if (!StartCommand("%d 個のファイルをアップロードしますか？", asked)) {
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
        m_ui.SetStatus(outcome.Failed()
                           ? FormatText("%s のアップロードに失敗しました\r\n", name)
                           : FormatText("%s のアップロードが正常に終了しました", localPath));
        if (Record(outcome, outcomes)) {
            break;
        }
    }
    EndRemoteCommand(outcomes, "アップロードが完了しました", "アップロード");
    return true;
}

// --- create and delete -----------------------------------------------------------------

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
    RefreshRemote();
    return true;
}

ItemOutcome CSession::MakeRemoteDirectory(const std::string& name)
{
    return CommandOutcome(name, m_engine.MakeDir(name));
}

ItemOutcome CSession::RemoveRemoteDirectory(const std::string& name)
{
    return CommandOutcome(name, m_engine.RemoveDir(name));
}

ItemOutcome CSession::DeleteRemoteFile(const std::string& path)
{
    return CommandOutcome(path, m_engine.DeleteRemoteFile(path));
}

bool CSession::DeleteLocalRows(const std::vector<std::string>& rows)
{
    if (!StartCommand("%d 個のファイルを削除しますか？", rows.size())) {
        return false;
    }
    std::vector<ItemOutcome> outcomes;
    for (const std::string& row : rows) {
        if (IsSelfOrParentRow(row)) {
            continue;
        }
        if (IsDirectoryRow(row)) {
            // Only an empty directory goes; one that holds anything stays and is named at the
            // end.
            const std::string name = DirectoryRowName(row);
            const bool removed = ::rmdir(JoinPath(m_view.localDir, name).c_str()) == 0;
            Record(LocalOutcome(name, removed, errno), outcomes);
            continue;
        }
        const std::string path = JoinPath(m_view.localDir, row);
        // A file that could not be deleted is said to be so, not claimed deleted.
        const bool deleted = ::unlink(path.c_str()) == 0;
        const int error = errno;
        m_ui.SetStatus(
            FormatText(deleted ? "%s を削除しました" : "%s の削除に失敗しました", path));
        Record(LocalOutcome(row, deleted, error), outcomes);
    }
    static_cast<void>(RefreshLocal());
    ReportItems(outcomes, "削除が完了しました", "削除");
    return true;
}

bool CSession::DeleteRemoteRows(const std::vector<std::string>& rows)
{
    if (!StartCommand("%d 個のファイルまたは\nディレクトリを削除しますか？", rows.size())) {
        return false;
    }
    std::vector<ItemOutcome> outcomes;
    for (const std::string& row : rows) {
        if (IsSelfOrParentRow(row)) {
            continue;
        }
        ItemOutcome outcome;
        if (IsDirectoryRow(row)) {
            // The bare name, relative to the server's current directory.
            const std::string name = DirectoryRowName(row);
            outcome = RemoveRemoteDirectory(name);
            if (outcome.Failed() && m_engine.IsConnected()) {
                outcome = RemoveRemoteTree(name, outcome);
            }
            m_ui.SetStatus(outcome.Failed() ? std::string("ディレクトリ削除に失敗しました")
                                            : FormatText("%s の削除が正常に終了しました", name));
        } else {
            const std::string path = JoinPath(m_view.remoteDir, row);
            outcome = DeleteRemoteFile(path);
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

ItemOutcome CSession::RemoveRemoteTree(const std::string& name, const ItemOutcome& refused)
{
    // RMD refuses a directory that holds anything; only then, and only when the user says so,
    // does everything in it go.
    const std::string path = JoinPath(m_view.remoteDir, name);
    CTreeTransfer tree(m_engine, *this);
    if (tree.CountEntries(path) <= 0 ||
        !m_ui.Ask(FormatText("%s を中身ごと削除しますか？", name))) {
        return refused;
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
        IsDirectoryRow(displayName) ? DirectoryRowName(displayName) : displayName;
    if (!m_engine.ChangeMode(name, mode)) {
        m_ui.SetStatus("ChangeFileAttrib に失敗\r\n");
        static_cast<void>(ConnectionLostNow());
        return;
    }
    // Whatever the server answered, a refusal included.
    m_ui.SetStatus(m_engine.GetLastReply());
    RefreshRemote();
}

ItemOutcome CSession::ChangeMode(const std::string& name, const std::string& mode)
{
    const bool sent = m_engine.ChangeMode(name, mode);
    const int code = m_engine.GetReplyCode();
    return CommandOutcome(name, sent && code >= 200 && code < 300);
}

} // namespace tarnwick
