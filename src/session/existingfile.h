// A file a transfer would write over, and how a cut transfer goes on from where it stopped:
// the rules the window's own connection and the transfer queue's connections share.
#pragma once

#include <cstdint>
#include <string>

#include "ftp/transferrequest.h"
#include "session/itemoutcome.h"
#include "session/sessionui.h"

namespace tarnwick {

class CFtpClient;

// The name on a line of its own first, so the question says which file it is about, and
// both files below, so the user can tell which to keep.
[[nodiscard]] std::string ExistingQuestion(const ExistingFile& file);

[[nodiscard]] FileFacts LocalFacts(const std::string& path);

// What is in the way of downloading to `localPath`: the file itself (`exists`, only when
// replacing is asked about) and a binary part shorter than the file (`canResume`). Neither
// set: nothing is, and the download just goes.
[[nodiscard]] ExistingFile DownloadTargetThere(const std::string& localPath, TransferType type,
                                               std::int64_t expectedSize, bool askReplace);

// A shorter file on the server may be what a cut upload left: binary bytes go on from its end.
[[nodiscard]] inline bool CanResumeUpload(TransferType type, std::int64_t serverSize,
                                          std::int64_t size)
{
    return type == TransferType::Binary && serverSize >= 0 && serverSize < size;
}

// How a resumed transfer goes on, decided with the server as it is now.
struct ResumePlan {
    bool ok = false;
    TransferRequest request;  // with its restart offset (0: from the start after all)
    ItemOutcome failure;      // when not ok
    bool sourceChanged = false; // a download's part was cut from another version of the file
};

// A download goes on from its part only while the server's size and time are those the part
// recorded; a part larger than the file starts over.
[[nodiscard]] ResumePlan PlanDownloadResume(CFtpClient& engine, const std::string& remotePath,
                                            const std::string& localPath, std::int64_t listedSize,
                                            std::int64_t listedTime);
// An upload goes on from the size the server says its file has now.
[[nodiscard]] ResumePlan PlanUploadResume(CFtpClient& engine, const std::string& localPath,
                                          const std::string& remotePath, std::int64_t listedSize);

} // namespace tarnwick
