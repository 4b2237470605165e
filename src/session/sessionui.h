// CSessionUi: how the session speaks to the user. The window answers with message boxes, its
// status line and its wait box; tarnwick-cli with its terminal; tests record every call.
// Texts are UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ftp/transport/certificateinfo.h"
#include "session/itemoutcome.h"
#include "session/runnerui.h"

namespace tarnwick {

// The user's answer to a certificate the check did not pass.
enum class CertificateAnswer { Refuse, TrustOnce, TrustAlways };

// How far a command over a directory tree is. The walk comes first and counts what will
// move; then the files move one by one.
struct TreeCounts {
    std::size_t files = 0;        // files moved so far
    std::size_t filesTotal = 0;   // files the walk found
    std::int64_t bytes = 0;       // the sizes of the files moved so far
    std::int64_t bytesTotal = 0;  // the sizes the walk found (those that were known)
    std::string current;          // the file moving now; empty between files
};
class CSessionUi : public CRunnerUi {
public:
    virtual ~CSessionUi() = default;
    // A question answered yes (true) or no.
    virtual bool Ask(const std::string& question) = 0;
    // A question before damage that cannot be undone: no is the default answer (Enter and
    // Escape give no).
    bool AskCaution(const std::string& question) override { return Ask(question); }
    // The status line; each text replaces the last. Texts that end in CR LF are replies or
    // failures.
    virtual void SetStatus(const std::string& text) = 0;
    // The system's own words behind the reason in the status text just written ("Permission
    // denied", "self-signed certificate"), for a tooltip or a log; the status says it in
    // Japanese.
    virtual void SetStatusOriginal(const std::string& text) { static_cast<void>(text); }
    // A one-shot wait text that stays until the running command returns, or until
    // HideWaitText.
    virtual void ShowWaitText(const std::string& text) = 0;
    virtual void HideWaitText() {}
    // Item `number` (from 1) of `count` of a command is about to move.
    virtual void BeginItem(std::size_t number, std::size_t count)
    {
        static_cast<void>(number);
        static_cast<void>(count);
    }
    // One item of a command (a file moved, created or deleted) has been dealt with.
    virtual void ItemDone(const ItemOutcome& outcome) { static_cast<void>(outcome); }
    // A directory tree is being moved: its counts once the walk is known, and after each file.
    virtual void TreeProgress(const TreeCounts& counts) { static_cast<void>(counts); }
    // Of the rows just listed, the links that lead to folders (the server changes into them),
    // to be shown as folders.
    virtual void LinkFolders(const std::vector<std::string>& rows) { static_cast<void>(rows); }
    // Without a front end of its own: a target is replaced when Ask says yes, a part alone is
    // gone on from when Ask says yes.
    ExistingAnswer AskExisting(const ExistingFile& file, bool& applyToAll) override
    {
        static_cast<void>(applyToAll);
        if (file.exists) {
            return Ask(file.question) ? ExistingAnswer::Replace : ExistingAnswer::Skip;
        }
        return Ask(file.question) ? ExistingAnswer::Resume : ExistingAnswer::Replace;
    }
    // The control connection went away by itself: the session has emptied the remote pane and
    // directory and written why into the status line; the front end shows it is
    // disconnected.
    virtual void ConnectionLost() = 0;
    // The certificate of `server` ("host:port") did not pass the check (certificate.problem
    // says why; certificate.pinMismatch: it is not the one trusted before). Nothing is sent
    // to the server until this returns. Refused unless the front end asks.
    virtual CertificateAnswer TrustCertificate(const CertificateInfo& certificate,
                                               const std::string& server)
    {
        static_cast<void>(certificate);
        static_cast<void>(server);
        return CertificateAnswer::Refuse;
    }
};

} // namespace tarnwick
