#include "session/itemoutcome.h"

#include "ftp/ftpclient.h"
#include "session/reasontext.h"

namespace tarnwick {

ItemOutcome FailedOutcome(const std::string& name, FailureReason reason, std::string note)
{
    ItemOutcome outcome;
    outcome.name = name;
    outcome.status = ItemOutcome::Status::Failed;
    outcome.reason = reason;
    outcome.note = std::move(note);
    return outcome;
}

ItemOutcome OutcomeOf(const std::string& name, const CommandOutcome& command)
{
    ItemOutcome outcome;
    outcome.name = name;
    outcome.replyCode = command.replyCode;
    outcome.replyText = command.replyText;
    outcome.localErrno = command.localErrno;
    if (!command.Ok()) {
        outcome.status = ItemOutcome::Status::Failed;
        outcome.reason = command.reason;
    }
    return outcome;
}

std::string FirstReplyLine(const std::string& reply)
{
    const std::size_t end = reply.find_first_of("\r\n");
    return reply.substr(0, end);
}

std::string FailureDetail(const ItemOutcome& outcome)
{
    if (!outcome.note.empty()) {
        return outcome.note;
    }
    const std::string reply = FirstReplyLine(outcome.replyText);
    switch (outcome.reason) {
    case FailureReason::None:
        return std::string();
    case FailureReason::LocalFile:
        return outcome.localErrno != 0 ? ErrnoText(outcome.localErrno) : "ローカルファイルのエラー";
    case FailureReason::TimedOut:
        return "時間切れ";
    case FailureReason::Cancelled:
        return "中止";
    case FailureReason::ConnectionLost:
        return "接続が切れました";
    case FailureReason::DataConnection:
        if (outcome.replyCode >= 100 && outcome.replyCode < 600 && !reply.empty()) {
            return reply;
        }
        return outcome.localErrno != 0
                   ? std::string("データ接続に失敗: ") + ErrnoText(outcome.localErrno)
                   : std::string("データ接続に失敗");
    case FailureReason::TooLarge:
        return "ファイル一覧が大きすぎます (上限 64 MiB)";
    case FailureReason::Incomplete:
        return "ファイルの一部しか届きませんでした";
    case FailureReason::BadCommand:
        return "送れないコマンドです (長すぎるか、改行や送れない文字を含みます)";
    case FailureReason::RestIgnored:
        return "サーバーが再開位置 (REST) を無視しました。途中までのファイルは元のままです";
    case FailureReason::ForeignCertificate:
        return "データ接続の証明書が制御接続の証明書と異なります";
    case FailureReason::Refused:
        break;
    }
    return reply.empty() ? std::string("サーバーが拒否しました") : reply;
}

std::string FailureOriginal(const ItemOutcome& outcome)
{
    const bool system = outcome.note.empty() &&
                        (outcome.reason == FailureReason::LocalFile ||
                         (outcome.reason == FailureReason::DataConnection &&
                          !(outcome.replyCode >= 100 && outcome.replyCode < 600 &&
                            !FirstReplyLine(outcome.replyText).empty())));
    return system ? ErrnoOriginal(outcome.localErrno) : std::string();
}

ItemOutcome LocalOutcome(const std::string& name, bool ok, int error)
{
    ItemOutcome outcome;
    outcome.name = name;
    if (!ok) {
        outcome.status = ItemOutcome::Status::Failed;
        outcome.reason = FailureReason::LocalFile;
        outcome.localErrno = error;
    }
    return outcome;
}

ItemOutcome AmbiguousRowOutcome(const std::string& row)
{
    return FailedOutcome(row, FailureReason::Refused,
                         "同じ名前に見える項目がほかにもあるため、どれのことか分かりません");
}

ItemOutcome SkippedOutcome(const std::string& name)
{
    ItemOutcome outcome;
    outcome.status = ItemOutcome::Status::Skipped;
    outcome.name = name;
    return outcome;
}

ItemOutcome OutcomeOf(const std::string& name, const TransferOutcome& transfer)
{
    ItemOutcome item = OutcomeOf(name, CommandOutcome{transfer.reason, transfer.replyCode,
                                                      transfer.replyText, transfer.localErrno});
    item.bytes = transfer.bytesMoved;
    return item;
}

} // namespace tarnwick
