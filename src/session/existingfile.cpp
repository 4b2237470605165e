#include "session/existingfile.h"

#include <ctime>

#include "files/pathjoin.h"
#include "ftp/ftpclient.h"
#include "ftp/localfile.h"
#include "session/localfiles.h"

namespace tarnwick {

namespace {

// "1,234,567 バイト、2024-03-04 12:00", or "不明" for what is not known.
std::string FactsText(const FileFacts& facts)
{
    std::string size = "不明";
    if (facts.size >= 0) {
        size = std::to_string(facts.size);
        for (std::ptrdiff_t at = static_cast<std::ptrdiff_t>(size.size()) - 3; at > 0; at -= 3) {
            size.insert(static_cast<std::size_t>(at), ",");
        }
        size += " バイト";
    }
    std::string time = facts.timeText.empty() ? std::string("不明") : facts.timeText;
    if (facts.modifyTime >= 0) {
        const std::time_t seconds = static_cast<std::time_t>(facts.modifyTime);
        std::tm local{};
        localtime_r(&seconds, &local);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M", &local);
        time = stamp;
    }
    return size + "、" + time;
}

} // namespace

std::string ExistingQuestion(const ExistingFile& file)
{
    std::string question = file.name;
    if (file.exists) {
        question += "\nそのファイルはすでに存在します。\n上書きしますか？";
        if (file.canResume) {
            question += "\n(短いので、続きから再開することもできます)";
        }
    } else {
        question += "\n途中まで受信したファイル (" + file.name + ".part) があります。\n続きから再開しますか？";
    }
    return question + "\n\n" + (file.exists ? "上書きされるファイル: " : "受信済みの部分: ") +
           FactsText(file.target) + "\n転送するファイル: " + FactsText(file.source);
}

FileFacts LocalFacts(const std::string& path)
{
    FileFacts facts;
    LocalFileFacts(path, facts.size, facts.modifyTime);
    return facts;
}

ExistingFile DownloadTargetThere(const std::string& localPath, TransferType type,
                                 std::int64_t expectedSize, bool askReplace)
{
    ExistingFile file;
    file.name = BaseName(localPath);
    file.exists = askReplace && LocalFileOpens(localPath);
    // Only a binary file goes on byte for byte from where it stopped.
    const std::string partPath = CDownloadTarget::PartialPath(localPath);
    const std::int64_t part = type == TransferType::Binary ? LocalFileLength(partPath) : 0;
    file.canResume = part > 0 && (expectedSize < 0 || part < expectedSize);
    if (file.exists || file.canResume) {
        file.target = LocalFacts(file.exists ? localPath : partPath);
    }
    return file;
}

ResumePlan PlanDownloadResume(CFtpClient& engine, const std::string& remotePath,
                              const std::string& localPath, std::int64_t listedSize,
                              std::int64_t listedTime)
{
    ResumePlan plan;
    const std::string partPath = CDownloadTarget::PartialPath(localPath);
    std::int64_t have = LocalFileLength(partPath);
    std::int64_t size = engine.RemoteSize(remotePath);
    if (size < 0 && engine.IsConnected()) {
        size = listedSize;
    }
    if (size < 0) {
        plan.failure = FailedOutcome(remotePath, engine.FailedBecause(FailureReason::Refused),
                                     "再開できません: サーバーがファイルのサイズを答えません");
        return plan;
    }
    std::int64_t time = engine.RemoteModificationTime(remotePath);
    if (time < 0) {
        time = listedTime;
    }
    // A part goes on only while the file is the one it was cut from: the size and time it
    // recorded must still be the server's. One that recorded nothing (a file of the user's,
    // or NAME of a shorter length) goes on as wget -c and curl -C - do.
    if (PartSource source; ReadPartSource(partPath, source) &&
                           ((source.size >= 0 && source.size != size) ||
                            (source.time >= 0 && time >= 0 && source.time != time))) {
        plan.sourceChanged = true;
        have = 0;
    }
    plan.ok = true;
    plan.request = {TransferDirection::Download, remotePath, localPath, TransferType::Binary, size};
    plan.request.sourceTime = time;
    plan.request.restartOffset = have > 0 && have <= size ? have : 0;
    return plan;
}

ResumePlan PlanUploadResume(CFtpClient& engine, const std::string& localPath,
                            const std::string& remotePath, std::int64_t listedSize)
{
    ResumePlan plan;
    // The server's size now, not the listing's from a while ago.
    std::int64_t have = engine.RemoteSize(remotePath);
    if (have < 0 && engine.IsConnected()) {
        have = listedSize;
    }
    const std::int64_t size = LocalFileLength(localPath);
    if (have < 0 || have > size) {
        plan.failure = FailedOutcome(localPath, engine.FailedBecause(FailureReason::Refused),
                                     "再開できません: サーバーのファイルのサイズが分かりません");
        return plan;
    }
    plan.ok = true;
    plan.request = {TransferDirection::Upload, remotePath, localPath, TransferType::Binary, size};
    plan.request.restartOffset = have;
    return plan;
}

} // namespace tarnwick
