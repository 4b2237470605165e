// The file operations of one connection, without panes (see runner.h).
#include "session/runner.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

#include "core/nameencoding.h"
#include "core/strutil.h"
#include "files/pathjoin.h"
#include "files/remotefileentry.h"
#include "ftp/ftpclient.h"
#include "ftp/localfile.h"
#include "session/existingfile.h"
#include "session/localfiles.h"
#include "session/sessionsettings.h"
#include "session/transferqueue.h"
#include "settings/transfermode.h"

namespace tarnwick {

namespace {

// The facts of the listing's entry of a file.
FileFacts EntryFacts(const RemoteFileEntry* entry)
{
    FileFacts facts;
    if (entry != nullptr) {
        facts.size = ListedSize(*entry);
        facts.modifyTime = entry->modifyTime;
        facts.timeText = entry->dateText;
    }
    return facts;
}

} // namespace

CRunner::CRunner(CFtpClient& engine, CSessionSettings& settings, CRunnerUi& ui,
                 const std::string& serverDir)
    : m_engine(engine), m_settings(settings), m_ui(ui), m_serverDir(serverDir)
{
}

void CRunner::BeginItems(bool more)
{
    m_existingForAll.reset();
    m_bMoreItems = more;
}

void CRunner::SetQueueFolder(const std::string& path)
{
    m_strQueueFolder = path;
    m_nQueueFolder = path.empty() ? 0 : ++m_nLastQueueFolder;
}

TransferType CRunner::ChooseType(const std::string& name)
{
    if (!m_settings.AutoTransferMode()) {
        return m_engine.GetType(); // as the transfer-mode menu left it
    }
    return EndsWithListedEnding(name, m_settings.TextModeList()) ? TransferType::Text
                                                                 : TransferType::Binary;
}

ExistingAnswer CRunner::AskExisting(ExistingFile file)
{
    // "Resume" for all cannot be the answer for a file that cannot be resumed.
    if (m_existingForAll && (*m_existingForAll != ExistingAnswer::Resume || file.canResume)) {
        return *m_existingForAll;
    }
    file.more = m_bMoreItems;
    file.question = ExistingQuestion(file);
    bool forAll = false;
    const ExistingAnswer answer = m_ui.AskExisting(file, forAll);
    if (forAll) {
        m_existingForAll = answer;
    }
    return answer;
}

ItemOutcome CRunner::DownloadFile(const std::string& remotePath, const std::string& localPath,
                                  std::int64_t expectedSize, std::int64_t modifyTime,
                                  const std::string& listedTime)
{
    const TransferType type = ChooseType(localPath);
    TransferRequest whole{TransferDirection::Download, remotePath, localPath, type, expectedSize};
    whole.sourceTime = modifyTime;
    const FileFacts source{expectedSize, modifyTime, listedTime};
    if (m_pQueue != nullptr) {
        // The queue asks when the file's turn comes, about what is there then.
        QueueQuestion question;
        question.askReplace = m_settings.CheckOverwrite();
        question.source = source;
        return RunTransfer(remotePath, whole, &question);
    }
    ExistingFile file =
        DownloadTargetThere(localPath, type, expectedSize, m_settings.CheckOverwrite());
    bool resume = false;
    if (file.exists || file.canResume) {
        file.source = source;
        const bool canResume = file.canResume;
        const ExistingAnswer answer = AskExisting(std::move(file));
        if (answer == ExistingAnswer::Skip) {
            return SkippedOutcome(remotePath);
        }
        resume = answer == ExistingAnswer::Resume && canResume;
    }
    ItemOutcome outcome = resume ? ResumeDownload(remotePath, localPath, expectedSize, modifyTime)
                                 : RunTransfer(remotePath, whole);
    if (!outcome.Failed() && !outcome.queued) {
        if (modifyTime < 0) {
            modifyTime = m_engine.RemoteModificationTime(remotePath);
        }
        if (modifyTime >= 0) {
            static_cast<void>(SetLocalModifyTime(localPath, modifyTime));
        }
    }
    return outcome;
}

ItemOutcome CRunner::ResumeDownload(const std::string& remotePath, const std::string& localPath,
                                    std::int64_t listedSize, std::int64_t listedTime)
{
    const ResumePlan plan =
        PlanDownloadResume(m_engine, remotePath, localPath, listedSize, listedTime);
    if (!plan.ok) {
        return plan.failure;
    }
    if (plan.sourceChanged) {
        m_ui.Message(FormatText("%s はサーバー上で変更されています。最初からダウンロードします",
                                BaseName(remotePath)));
    }
    m_ui.TransferResumes(plan.request.restartOffset);
    return RunTransfer(remotePath, plan.request);
}

ItemOutcome CRunner::RunTransfer(const std::string& name, const TransferRequest& request,
                                 const QueueQuestion* question)
{
    if (m_pQueue == nullptr) {
        return OutcomeOf(name, m_engine.Transfer(request));
    }
    ItemOutcome outcome;
    outcome.name = name;
    // The queue's connections stay in their login folder: a bare name means this folder.
    TransferRequest queued = request;
    if (queued.remotePath.empty() || queued.remotePath.front() != '/') {
        queued.remotePath = JoinPath(m_serverDir, queued.remotePath);
    }
    // Without a question to ask at its turn, the user has answered already: the queue
    // replaces or resumes the file.
    if (m_pQueue->Add(queued,
                      question != nullptr ? std::optional<QueueQuestion>(*question) : std::nullopt,
                      QueueFolder{m_nQueueFolder, m_strQueueFolder}) < 0) {
        outcome.status = ItemOutcome::Status::Failed;
        outcome.reason = FailureReason::LocalFile;
        outcome.note = "同じファイルをすでに転送しています";
        return outcome;
    }
    outcome.queued = true;
    return outcome;
}

ItemOutcome CRunner::UploadOver(const std::string& localPath, const std::string& remotePath,
                                const RemoteFileEntry* existing)
{
    const TransferType type = ChooseType(BaseName(remotePath));
    const std::int64_t size = LocalFileLength(localPath);
    const TransferRequest request{TransferDirection::Upload, remotePath, localPath, type, size};
    if (existing != nullptr && m_settings.CheckOverwrite()) {
        if (m_pQueue != nullptr) {
            // The queue asks when the file's turn comes.
            QueueQuestion question;
            question.askReplace = true;
            question.serverFile = EntryFacts(existing);
            return SendFile(request, &question);
        }
        ExistingFile file;
        file.name = BaseName(remotePath);
        file.exists = true;
        file.target = EntryFacts(existing);
        file.source = LocalFacts(localPath);
        file.canResume = CanResumeUpload(type, file.target.size, size);
        switch (AskExisting(std::move(file))) {
        case ExistingAnswer::Skip:
            return SkippedOutcome(localPath);
        case ExistingAnswer::Resume:
            return ResumeUpload(localPath, remotePath, ListedSize(*existing));
        case ExistingAnswer::Replace:
            break;
        }
    }
    return SendFile(request);
}

ItemOutcome CRunner::SendFile(const TransferRequest& request, const QueueQuestion* question)
{
    std::int64_t size = -1;
    std::int64_t modifyTime = -1;
    LocalFileFacts(request.localPath, size, modifyTime);
    if (m_pQueue != nullptr) {
        TransferRequest queued = request;
        queued.sourceTime = modifyTime;
        return RunTransfer(request.localPath, queued, question);
    }
    ItemOutcome outcome = OutcomeOf(request.localPath, m_engine.Transfer(request));
    // The file keeps its time where the server can be told it; a server that cannot leaves
    // the upload as good as it was.
    if (!outcome.Failed() && modifyTime >= 0 && m_engine.IsConnected()) {
        static_cast<void>(m_engine.SetRemoteModificationTime(request.remotePath, modifyTime));
    }
    return outcome;
}

ItemOutcome CRunner::ResumeUpload(const std::string& localPath, const std::string& remotePath,
                                  std::int64_t listedSize)
{
    const ResumePlan plan = PlanUploadResume(m_engine, localPath, remotePath, listedSize);
    if (!plan.ok) {
        return plan.failure;
    }
    m_ui.TransferResumes(plan.request.restartOffset);
    return SendFile(plan.request);
}

ItemOutcome CRunner::ContinueDownload(const std::string& remotePath, const std::string& localPath)
{
    m_engine.SetBinaryType();
    const std::string part = CDownloadTarget::PartialPath(localPath);
    struct stat info {};
    const bool adopt = ::lstat(part.c_str(), &info) != 0 && errno == ENOENT &&
                       ::lstat(localPath.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
                       info.st_size < m_engine.RemoteSize(remotePath) &&
                       ::rename(localPath.c_str(), part.c_str()) == 0;
    ItemOutcome outcome = ResumeDownload(remotePath, localPath);
    if (adopt && ::lstat(localPath.c_str(), &info) != 0) {
        static_cast<void>(::rename(part.c_str(), localPath.c_str())); // NAME stays NAME
    }
    return outcome;
}

ItemOutcome CRunner::ContinueUpload(const std::string& localPath, const std::string& remoteName)
{
    m_engine.SetBinaryType();
    const std::int64_t size = LocalFileLength(localPath);
    const std::int64_t have = m_engine.RemoteSize(remoteName);
    if (have == size) {
        ItemOutcome outcome; // all there already
        outcome.name = localPath;
        return outcome;
    }
    TransferRequest request{TransferDirection::Upload, remoteName, localPath, TransferType::Binary,
                            size};
    request.restartOffset = have > 0 && have < size ? have : 0;
    return SendFile(request);
}

ItemOutcome CRunner::CurrentDir(std::string& dir)
{
    return OutcomeOf("PWD", m_engine.QueryCurrentDir(dir));
}

ItemOutcome CRunner::ChangeDir(const std::string& path)
{
    return OutcomeOf(path, m_engine.ChangeDir(path));
}

ItemOutcome CRunner::MakeRemoteDirectory(const std::string& name)
{
    return OutcomeOf(name, m_engine.MakeDir(name));
}

ItemOutcome CRunner::RemoveRemoteDirectory(const std::string& name)
{
    return OutcomeOf(name, m_engine.RemoveDir(name));
}

ItemOutcome CRunner::DeleteRemoteFile(const std::string& path)
{
    return OutcomeOf(path, m_engine.DeleteRemoteFile(path));
}

ItemOutcome CRunner::ChangeMode(const std::string& name, const std::string& mode)
{
    CommandOutcome answer = m_engine.ChangeMode(name, mode);
    // Any answer comes back as an answer; only a 2xx one changed the mode.
    if (answer && (answer.replyCode < 200 || answer.replyCode >= 300)) {
        answer.reason = FailureReason::Refused;
    }
    return OutcomeOf(name, answer);
}

std::string RenameOverQuestion(const std::string& from, const std::string& to)
{
    return FormatText("%s は既にあります。", to) + "\n" +
           FormatText("%s の名前を変更して置き換えますか？", from) + "\n\n" + from + " → " + to;
}

ItemOutcome CRunner::RenameRemote(const std::string& from, const std::string& to, bool exists)
{
    ItemOutcome kept = SkippedOutcome(from);
    if (to.empty() || from == to) {
        kept.note = "same name";
        return kept;
    }
    if (!IsSafeLocalName(to)) {
        kept.status = ItemOutcome::Status::Failed;
        kept.note = "unusable name '" + to + "'";
        return kept;
    }
    if (exists && !m_ui.AskCaution(RenameOverQuestion(from, to))) {
        kept.note = "'" + to + "' exists";
        return kept;
    }
    return OutcomeOf(from, m_engine.Rename(from, to));
}

void CRunner::SettleEncodingFor(const std::string& text)
{
    if (m_engine.IsEncodingUndecided() && HasNonAscii(text)) {
        std::string ignored;
        static_cast<void>(m_engine.ListDirectory(std::string(), ignored));
    }
}

} // namespace tarnwick
