// A transfer asked of the engine, and what became of it. The request names everything the
// transfer needs, so nothing is left in the engine between one transfer and the next; the
// outcome keeps why a transfer failed, which a truth value cannot.
#pragma once

#include <cstdint>
#include <string>

namespace tarnwick {

enum class TransferDirection { Download, Upload };

// "TYPE A" (line ends converted) or "TYPE I" (bytes unchanged).
enum class TransferType { Text, Binary };

struct TransferRequest {
    TransferDirection direction = TransferDirection::Download;
    // RETR's argument (usually a full path) or STOR's (usually a bare name, stored in the
    // server's current directory). Also the name the progress display shows.
    std::string remotePath;
    std::string localPath;
    TransferType type = TransferType::Binary;
    // Shown with the running count; -1 when unknown. It may come from a listing older than
    // the file: a binary download is judged by the size its preliminary reply announces, or
    // when this differs from what came, by SIZE asked then. One that brought fewer bytes fails
    // as cut short, whatever the final reply says.
    std::int64_t expectedSize = -1;
    // The server's modification time of the file (seconds since 1970, UTC); -1 when unknown.
    // A part kept for resuming records it with the size, so a later download can tell
    // whether the part still belongs to the file. For an upload: the local file's, which the
    // transfer queue tells the server afterwards.
    std::int64_t sourceTime = -1;
    // Where a resumed transfer starts (binary type only): a download goes on writing
    // NAME.part, which must hold exactly this many bytes, after "REST offset"; an upload
    // sends the local file from here, after REST where the server lists REST STREAM, with
    // APPE otherwise. The expected size is the whole file's.
    std::int64_t restartOffset = 0;
};

// Why an operation failed.
enum class FailureReason {
    None,
    Refused,        // the server answered with a refusal: replyCode and replyText
    LocalFile,      // a local file could not be opened, read or written: localErrno
    TimedOut,       // a wait passed the time limit
    Cancelled,      // the user stopped it
    ConnectionLost, // the control connection closed or broke (localErrno when a socket error)
    DataConnection, // the data connection could not be made or broke: replyCode is 5000-5004
                    // when the engine's own
    TooLarge,       // a listing past its limit (CFtpClient::kMaxListing)
    Incomplete,     // the server ended a download with fewer (or more) bytes than the file has
    BadCommand,     // a command line that cannot be sent as asked: too long, a line break
                    // inside, a character the server encoding cannot carry
    RestIgnored,    // after REST the server sent more than remains: it started from the beginning;
                    // the part is cut back to what it held
    ForeignCertificate, // the TLS data connection showed another certificate than the control
                        // connection: nothing was sent or kept
};

// What a command without a data connection came to (CWD, MKD, RMD, DELE, RNFR/RNTO, SITE
// CHMOD, USER/PASS): the server's reply, and when it failed, why. Tests as true when it
// succeeded, so callers that only need yes or no read it as before.
struct CommandOutcome {
    FailureReason reason = FailureReason::None;
    int replyCode = 0;
    std::string replyText; // as the server sent it; empty when nothing was sent
    int localErrno = 0;

    [[nodiscard]] bool Ok() const { return reason == FailureReason::None; }
    explicit operator bool() const { return Ok(); }
};

struct TransferOutcome {
    FailureReason reason = FailureReason::None;
    int replyCode = 0;
    std::string replyText; // the last reply read for this transfer, as the server sent it
    int localErrno = 0;
    std::int64_t bytesMoved = 0;
    // A preliminary reply (1xx) came: the server started the transfer.
    bool started = false;
    // The size the preliminary reply named ("150 ... (N bytes)"); -1 when none.
    std::int64_t announcedSize = -1;
    // The data connection ended as its protocol says: a TLS stream with close_notify (a plain
    // one cannot tell a cut from an end).
    bool endedCleanly = true;

    [[nodiscard]] bool Ok() const { return reason == FailureReason::None; }
    explicit operator bool() const { return Ok(); }
};

} // namespace tarnwick
