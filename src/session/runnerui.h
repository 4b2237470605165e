// CRunnerUi: what running file operations asks of whoever runs them: what to do with a file
// in the way, and word of a transfer that goes on from a part or of a file that changed.
// The session's front ends answer with dialogs or the terminal; a queue's worker with the
// window's dialog at the item's turn.
#pragma once

#include <cstdint>
#include <string>

namespace tarnwick {

// What the user is shown of a file to decide by: its size in bytes and its modification time
// (-1 when unknown), or the time as a listing wrote it when no exact one is known.
struct FileFacts {
    std::int64_t size = -1;
    std::int64_t modifyTime = -1; // seconds since 1970 UTC
    std::string timeText;
};

// A file a transfer would write is there already, or the part an interrupted download left.
struct ExistingFile {
    std::string name;
    bool exists = false;    // the target itself: replacing it is asked
    bool canResume = false; // shorter than the file that comes, in binary mode: 再開 goes on
    bool more = false;      // more files follow in this command: an answer may be for all
    std::string question;   // the question as the user reads it, with both files' facts
    FileFacts target;       // the file (or part) that is there
    FileFacts source;       // the file that would replace it
};

enum class ExistingAnswer { Replace, Skip, Resume };

class CRunnerUi {
public:
    virtual ~CRunnerUi() = default;
    // A message with an OK button.
    virtual void Message(const std::string& text) = 0;
    // A question before damage that cannot be undone (an item replaced by renaming another
    // onto it): no is the default answer, and the answer unless the front end asks.
    virtual bool AskCaution(const std::string& question)
    {
        static_cast<void>(question);
        return false;
    }
    // The next transfer goes on from `offset` bytes that are there already: they are no part
    // of its speed.
    virtual void TransferResumes(std::int64_t offset) { static_cast<void>(offset); }
    // What to do with `file`; `applyToAll` (false on entry) set gives the answer for the rest
    // of the command.
    virtual ExistingAnswer AskExisting(const ExistingFile& file, bool& applyToAll) = 0;
};

} // namespace tarnwick
