// What became of one item of a command: a file downloaded or uploaded, a directory created or
// removed, a file deleted, a mode changed. Failures keep their reason, so the status line and
// tarnwick-cli can say why.
#pragma once

#include <cstdint>
#include <string>

#include "ftp/transferrequest.h"

namespace tarnwick {

struct ItemOutcome {
    enum class Status { Done, Skipped, Failed };
    Status status = Status::Done;
    std::string name; // the item as the user knows it (a row's name, a path)
    FailureReason reason = FailureReason::None;
    int replyCode = 0;
    std::string replyText; // the server's reply, as sent (CR LF included)
    int localErrno = 0;
    std::string note; // says why instead of the above when set
    std::int64_t bytes = 0; // moved by a transfer
    // Handed to the transfer queue, which moves it in the background (Status Done).
    bool queued = false;

    [[nodiscard]] bool Failed() const { return status == Status::Failed; }
};

// Why an item failed, in a few words for the status line: the first line of the server's
// reply ("550 Failed to open file."), the system's reason for a local error in Japanese
// ("アクセスが拒否されました"), or what went wrong ("時間切れ", "中止", "接続が切れました").
[[nodiscard]] std::string FailureDetail(const ItemOutcome& outcome);

// The system's own (English) text behind FailureDetail's Japanese ("Permission denied"); empty
// when the detail is the server's reply or the program's own words.
[[nodiscard]] std::string FailureOriginal(const ItemOutcome& outcome);

// A local file operation on `name`: done, or failed with `error` (an errno).
[[nodiscard]] ItemOutcome LocalOutcome(const std::string& name, bool ok, int error);

// A server row that two entries of the listing read as (folder x and a file named "<x>"):
// which one is meant cannot be told, so nothing is done with it.
[[nodiscard]] ItemOutcome AmbiguousRowOutcome(const std::string& row);

// `name` failed for `reason`, as `note` says.
[[nodiscard]] ItemOutcome FailedOutcome(const std::string& name, FailureReason reason,
                                        std::string note);

// `name` passed over on purpose (the user said no, or chose to skip it).
[[nodiscard]] ItemOutcome SkippedOutcome(const std::string& name);

// An outcome for `name` from a command's: refused while the connection stands, otherwise why
// it is gone (lost, timed out, cancelled).
[[nodiscard]] ItemOutcome OutcomeOf(const std::string& name, const CommandOutcome& command);

// An outcome from a transfer's.
[[nodiscard]] ItemOutcome OutcomeOf(const std::string& name, const TransferOutcome& transfer);

// The first line of a reply without its line end.
[[nodiscard]] std::string FirstReplyLine(const std::string& reply);

} // namespace tarnwick
