// CFtpClient: one control connection to one FTP server, spoken synchronously. Every operation
// sends its command line, reads one reply and reports success only when the send went out, a
// complete reply came back and its code is exactly the one expected. The text of the last
// reply stays in the engine for the caller to show. The engine shows nothing itself and reads
// no settings: its options are given to it at connect.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ftp/transport/certificateinfo.h"
#include "ftp/conversationlog.h"
#include "ftp/enginecode.h"
#include "ftp/transport/resolver.h"
#include "ftp/transport/socket.h"
#include "ftp/transferrequest.h"

namespace tarnwick {

class CCancelToken;
class CDataStream;
class CListingTextSink;
class CTlsContext;

// FTP over TLS (RFC 4217). Explicit: AUTH TLS after the greeting; when the server refuses it,
// "if available" goes on in plain text and "required" ends the connect before USER is sent.
// Implicit: TLS from the first byte (port 990). After a 234 the connection is TLS or nothing.
enum class TlsMode { None, ExplicitIfAvailable, ExplicitRequired, Implicit };

// Asked when the server's certificate does not pass the check (or differs from the one trusted
// before): true to go on. Nothing is sent to the server before the answer.
using CertificateTrustFn = std::function<bool(const CertificateInfo& certificate)>;

// How one connection is spoken; given at connect and kept until the next.
// The limit of every network wait when nobody says otherwise.
inline constexpr std::chrono::seconds kDefaultTimeout{60};

struct FtpConnectOptions {
    bool passive = false;
    // Listings with "LIST -a" from the start instead of "NLST -alL".
    bool useList = false;
    // The limit of every network wait; 0 for none.
    std::chrono::milliseconds timeout{kDefaultTimeout};
    // The iconv name of the server's text encoding; empty for the locale's.
    std::string encoding;
    TlsMode tls = TlsMode::None;
    // PEM certificates trusted beside the system's store.
    std::string caFile;
    // The SHA-256 fingerprint of a certificate trusted as it is (for this host and port).
    std::string trustedFingerprint;
    CertificateTrustFn trust;
};

// Tells a line of a long listing ("-rw-r--r-- 1 ftp ftp 512 Jan 01 12:00 a.txt") from a bare
// name. The engine does not parse listings; it is given this test.
using ListingLineTest = bool (*)(std::string_view line);

// True when a listing has lines but none in the long layout: some servers answer "NLST -alL"
// with bare names (proftpd), and the listing is then fetched again with "LIST -a". Blank
// lines and "total N" count for neither. Without a test nothing counts as bare.
[[nodiscard]] bool HasOnlyBareNames(std::string_view text, ListingLineTest isLongLine);

// How a connect ended. The socket's step (Ok once a connection stood, Unresolved, TimedOut,
// Cancelled, Error with the socket's errno, Closed before a whole greeting), the TLS step's
// error, and the greeting or what came instead of it.
struct ConnectOutcome {
    bool connected = false;
    IoResult failure = IoResult::Ok;
    int localErrno = 0;
    std::string tlsError;
    int replyCode = 0;
    std::string replyText;

    [[nodiscard]] bool Ok() const { return connected; }
    explicit operator bool() const { return Ok(); }
};

class CFtpClient {
public:
    CFtpClient();
    // Drops the control connection without QUIT and closes the listening socket.
    virtual ~CFtpClient();
    CFtpClient(const CFtpClient&) = delete;
    CFtpClient& operator=(const CFtpClient&) = delete;

    // Drops any existing control connection (no QUIT), connects to host:port and reads the
    // greeting. True when connected and greeted with 220; a greeting with another code stays
    // as the last reply. A host that does not resolve or refuses leaves the last reply as it
    // was; GetConnectFailure tells why.
    virtual bool Connect(const std::string& host, unsigned port);
    // The same with the connection's options, answering how it ended.
    ConnectOutcome Connect(const std::string& host, unsigned port, const FtpConnectOptions& options);
    // Why the last Connect made no connection: Unresolved, TimedOut, Cancelled, Error (with
    // the socket's errno) or Closed (the server closed before greeting); Ok when it connected.
    [[nodiscard]] IoResult GetConnectFailure() const { return m_connectFailure; }

    // One file over one data connection, as the request says. The request's type becomes
    // the engine's type command. A download goes through a temporary file beside the target
    // that replaces the target only on success, so a failed or cancelled download leaves an
    // existing file as it was. A cancelled transfer is aborted (ABOR) and its replies read,
    // so the control connection stays usable.
    TransferOutcome Transfer(const TransferRequest& request);

    // Copies the remote file into `localPath` with RETR in the current type, with the size
    // set by SetFileSize shown. True when the data arrived whole and the server answered 226.
    virtual bool Download(const std::string& remotePath, const std::string& localPath);
    // Copies the local file to the server's current directory as `remoteName` with STOR.
    // True when every byte went out and the server answered 226.
    virtual bool Upload(const std::string& localPath, const std::string& remoteName);
    // The outcome of the last Transfer, Download, Upload or listing.
    [[nodiscard]] const TransferOutcome& GetLastOutcome() const { return m_lastOutcome; }

    // Sends "QUIT" and, on 221, closes the control connection. False without a control
    // socket; true without sending when the socket never connected.
    bool Quit();

    // Sends one command line, appending CR LF unless it already ends with it, encoded in the
    // server encoding. Without a connection it sends nothing and returns true. False for an
    // empty command, a line holding CR, LF or NUL before its end (no command smuggling), a
    // character the server encoding cannot carry, a line longer than kMaxCommandLine, or a
    // failed send. LastCommandRefused() tells the refusals (nothing sent) from a failed send.
    bool SendCommand(const std::string& command);
    [[nodiscard]] bool LastCommandRefused() const { return m_bCommandRefused; }
    // The command line as it would be sent (CR LF added, in the server encoding); false when
    // SendCommand would refuse it.
    [[nodiscard]] bool EncodeCommand(const std::string& command, std::string& encoded) const;

    // Reads one complete reply and makes it the last reply and code. Without a connection it
    // reads nothing and returns "\x01". When the server closes the connection mid-reply it
    // returns "GetResponce nRead=0 Error", keeps the previous reply and code and closes the
    // control connection. On a socket error or an expired time limit the lines gathered so far
    // become the reply and the control connection is closed.
    std::string ReadReply();

    [[nodiscard]] std::string GetLastReply() const { return m_strReply; }
    void SetReplyCode(int code) { m_nReplyCode = code; }
    [[nodiscard]] int GetReplyCode() const { return m_nReplyCode; }

    // --- login and single-reply commands ---------------------------------------------

    // USER, then PASS only after 331. True on 230 to PASS, or on 230 to USER (no password
    // needed; PASS is not sent).
    CommandOutcome Login(const std::string& user, const std::string& password);
    // "PWD": the quoted directory of a 257 reply; empty on any failure or without quotes.
    [[nodiscard]] std::string GetCurrentDir();
    // The same, answering why it failed; a 257 without a quoted directory counts as refused.
    CommandOutcome QueryCurrentDir(std::string& dir);
    // "CWD dir": true on 250. An empty directory sends nothing and fails.
    CommandOutcome ChangeDir(const std::string& directory);
    // "MKD name" ("New Folder" for an empty name): true on 257.
    CommandOutcome MakeDir(const std::string& name);
    // "RMD name": true on 250. An empty name sends nothing and fails.
    CommandOutcome RemoveDir(const std::string& name);
    // "DELE name": true on 250. An empty name sends nothing and fails.
    CommandOutcome DeleteRemoteFile(const std::string& name);
    // "RNFR from", and after its 350 "RNTO to": true on 250. Nothing is sent when either name
    // is empty or `to` could not be sent (so no rename is left pending on the server).
    CommandOutcome Rename(const std::string& from, const std::string& to);
    // "SITE CHMOD mode name": true when sent and answered, whatever the code; the caller
    // shows the reply. Empty name or mode sends nothing and fails.
    CommandOutcome ChangeMode(const std::string& name, const std::string& mode);
    // Choose "TYPE A" / "TYPE I" for the next data connection; nothing is sent now.
    bool SetTextType();
    bool SetBinaryType();
    [[nodiscard]] const std::string& GetTypeCommand() const { return m_strTypeCommand; }
    // Why the control connection is gone: time-out, cancel, or plain loss (also when it was
    // never dropped by this side, e.g. the server closed it).
    [[nodiscard]] FailureReason WhyControlGone() const
    {
        return m_controlLoss == FailureReason::None ? FailureReason::ConnectionLost
                                                    : m_controlLoss;
    }
    // The reason of a step that failed: `whileConnected` while the control connection stands,
    // otherwise why it is gone. The one place that tells a refusal from a lost connection.
    [[nodiscard]] FailureReason FailedBecause(FailureReason whileConnected) const
    {
        return IsConnected() ? whileConnected : WhyControlGone();
    }

    [[nodiscard]] TransferType GetType() const
    {
        return m_strTypeCommand == "TYPE A" ? TransferType::Text : TransferType::Binary;
    }

    // --- data connections -------------------------------------------------------------

    // Sends the type command, listens and announces the address with PORT (EPRT on IPv6).
    // On failure the code is 5000-5003 (or unchanged when the local address is unknown).
    bool OpenActiveData();
    // Sends the type command and PASV (EPSV on IPv6) and takes the port from the reply.
    // A refusal or a reply without six numbers in parentheses gives 5003.
    bool OpenPassiveData();
    // Reads "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)" into m_strPasvHost ("h1.h2.h3.h4",
    // blanks kept) and m_nPasvPort (p1 * 256 + p2). Text before "(" and after ")" is ignored.
    // False unless there are six fields, each a number from 0 to 255 after its blanks.
    bool ParsePasvReply(const std::string& reply);
    // Reads "229 Entering Extended Passive Mode (|||port|)" into m_nPasvPort.
    bool ParseEpsvReply(const std::string& reply);
    [[nodiscard]] const std::string& GetPasvHost() const { return m_strPasvHost; }
    [[nodiscard]] int GetPasvPort() const { return m_nPasvPort; }

    // Fetches the listing of the server's current directory into `text`, decoded from the
    // server encoding. "NLST -alL" first; when the server refuses it or answers with bare
    // names (told by the listing-line test), "LIST -a", and the command that worked is kept
    // for the rest of the connection. With SetUseList(true), "LIST -a" from the start, MLSD
    // or not. `text`
    // keeps whatever arrived when the listing fails; it is untouched when the data connection
    // could not be prepared.
    TransferOutcome ListDirectory(const std::string& remoteDir, std::string& text);
    // The same, handing the text to `sink` piece by piece as it arrives instead of keeping it:
    // the listing is never held whole. A listing past kMaxListing fails with TooLarge after
    // the sink has seen a part of it.
    TransferOutcome ListDirectory(const std::string& remoteDir, CListingTextSink& sink);
    void SetUseList(bool useList) { m_bUseList = useList; }
    // "LIST -a" of the server's current directory, whatever the listings use: the long
    // layout marks links ("l" permissions, "name -> target") where MLSD may not.
    TransferOutcome ListLongLines(std::string& text);
    [[nodiscard]] const std::string& GetListing() const { return m_strListing; }
    // The test that tells long listing lines from bare names; without one every listing
    // that arrives counts as long.
    void SetListingLineTest(ListingLineTest test) { m_isLongLine = test; }

    // The expected size of the next Download or Upload, shown with the running count.
    void SetFileSize(std::int64_t size) { m_nFileSize = size; }

    // --- desktop additions ------------------------------------------------------------

    // True while a control connection exists and was greeted with 220.
    [[nodiscard]] bool IsConnected() const { return m_pControl != nullptr && m_bConnected; }
    // True when the control connection is TLS; IsDataProtected when data connections are too
    // (PROT P).
    [[nodiscard]] bool IsEncrypted() const { return m_bControlTls && IsConnected(); }
    [[nodiscard]] bool IsDataProtected() const { return m_bProtectData && IsEncrypted(); }
    // Why TLS could not be set up at the last connect (refused AUTH TLS, a failed handshake,
    // an untrusted certificate); empty when it was, or was not asked for.
    [[nodiscard]] const std::string& GetTlsError() const { return m_strTlsError; }
    // The server refused AUTH TLS and the connection went on in plain text.
    [[nodiscard]] bool TlsRefusedByServer() const { return m_bTlsRefused; }
    // The certificate of the last TLS connect.
    [[nodiscard]] const CertificateInfo& GetCertificate() const { return m_certificate; }
    // The protocol of the control connection's TLS ("TLSv1.3"); empty when it is plain.
    [[nodiscard]] std::string GetTlsProtocol() const
    {
        return IsEncrypted() ? m_strTlsProtocol : std::string();
    }
    // "PBSZ 0" and "PROT P": data connections are TLS from now on. Succeeds when both were
    // answered 200; otherwise the reply that refused.
    CommandOutcome ProtectDataConnections();
    // A data connection that was cancelled or cut takes its TLS session with it on servers
    // that keep each session for one connection (TLS 1.3 with server-side sessions, as
    // vsftpd), and those that demand resumption then refuse every later data connection
    // ("522 ... session reuse required"). Only a new control connection brings a new
    // session: this reconnects, logs in again as before, protects the data connections and
    // goes back to the directory. The certificate accepted for this connection is accepted
    // again without asking. True when the session is usable again.
    bool RenewTlsSession();

    // --- features (RFC 2389, RFC 3659) ------------------------------------------------

    // "FEAT" after login: the features the server lists are kept for the connection; then
    // "OPTS UTF8 ON" when it lists UTF8 and names are spoken in UTF-8 (some servers send
    // UTF-8 names only after it). Listings use MLSD when the server lists MLST. False when
    // the server lists nothing (FEAT refused), which changes nothing else.
    CommandOutcome NegotiateFeatures();
    // True when the last FEAT listed `name` ("MLST", "SIZE", "MDTM", "UTF8", "REST STREAM").
    [[nodiscard]] bool HasFeature(std::string_view name) const;
    // True when the last listing came from MLSD (machine-readable fact lines).
    [[nodiscard]] bool LastListingIsMlsd() const { return m_bLastListingMlsd; }
    // "SIZE path" in binary type: the size, or -1 when the server does not tell.
    [[nodiscard]] std::int64_t RemoteSize(const std::string& path);
    // "MDTM path": the modification time in seconds since 1970 (UTC), or -1.
    [[nodiscard]] std::int64_t RemoteModificationTime(const std::string& path);
    // "MLST path": the server's "unique" fact of what the path names (a link followed), or
    // empty when it does not tell.
    [[nodiscard]] std::string RemoteUnique(const std::string& path);
    // "MLST path": the entry line of the reply (facts, a blank, the name, with its leading
    // blank), or empty when the server does not offer MLST or refuses.
    [[nodiscard]] std::string RemoteFactLine(const std::string& path);
    // "STAT path": the lines of the 211/212/213 reply between its first and last line (a
    // long listing line of a file on most servers), or empty when refused.
    [[nodiscard]] std::string RemoteStatus(const std::string& path);
    // "MFMT YYYYMMDDHHMMSS path" where FEAT offers MFMT: gives the server's file the
    // modification time `seconds` (since 1970 UTC). True when answered 213.
    bool SetRemoteModificationTime(const std::string& path, std::int64_t seconds);
    // Why the last control connection went away by itself (the server closed it, a socket
    // error, a time-out, a cancel, a reply past the limits); None while it stands or after
    // QUIT. GetControlErrno gives the socket error.
    [[nodiscard]] FailureReason GetControlLoss() const { return m_controlLoss; }
    [[nodiscard]] int GetControlErrno() const { return m_nControlErrno; }

    // The time limit of every network wait (0 = none), the pump called while waiting and the
    // token that stops a wait (not owned; none when null).
    void SetTimeout(std::chrono::milliseconds limit) { m_timeout = limit; }
    // Sends TYPE before a data connection only when another type is wanted than the one the
    // server confirmed on this control connection (a round trip less for each file).
    void KeepType(bool keep) { m_bKeepType = keep; }
    [[nodiscard]] std::chrono::milliseconds GetTimeout() const { return m_timeout; }
    void SetPump(PumpFn pump) { m_pump = std::move(pump); }
    void SetCancelToken(const CCancelToken* token) { m_pCancel = token; }
    // Where commands and replies are written, as connection `connection`; null for nowhere.
    void SetConversationLog(CConversationLog* log, int connection)
    {
        m_pLog = log;
        m_nLogConnection = connection;
    }
    // True when the token says stop: work made of many steps checks it between them.
    [[nodiscard]] bool CancelRequested() const;
    // Replaces the system's host-name lookup (tests).
    void SetResolver(ResolveFn resolver) { m_resolver = std::move(resolver); }
    // The encoding of command lines, replies and listings (an iconv name).
    void SetServerEncoding(const std::string& encoding) { m_strEncoding = encoding; }
    [[nodiscard]] const std::string& GetServerEncoding() const { return m_strEncoding; }
    // With 自動 (kAutoEncoding as the connect options' encoding) the names' encoding is
    // decided per connection: UTF-8 when FEAT lists UTF8 and "OPTS UTF8 ON" is accepted,
    // otherwise by the raw bytes of the first listing that holds a byte above 0x7F (such a
    // listing is kept raw until then, and decoded once decided). Until then the locale's
    // charset is spoken; a command line carrying such a byte fixes it, so a name sent is
    // never read back another way.
    [[nodiscard]] bool IsAutoEncoding() const { return m_bAutoEncoding; }
    [[nodiscard]] bool IsEncodingUndecided() const { return m_bEncodingOpen; }
    void SetPassive(bool passive) { m_bPassive = passive; }
    [[nodiscard]] bool IsPassive() const { return m_bPassive; }

    // Longest reply line and longest reply accepted; past them the read fails.
    static constexpr std::size_t kMaxReplyLine = 64 * 1024;
    static constexpr std::size_t kMaxReply = 1024 * 1024;
    // Longest listing accepted (as decoded text); past it the listing fails. A directory of a
    // million entries stays well below it.
    static constexpr std::size_t kMaxListing = 64 * 1024 * 1024;
    // Longest command line sent, without its CR LF. Servers cap their line buffers (pyftpdlib
    // at 2048 bytes, and it then takes the rest of an over-long line as a command of its
    // own); a longer line is refused before anything is sent.
    static constexpr std::size_t kMaxCommandLine = 2000;
    // The replies to an ABOR, and the final reply after a data connection went idle past the
    // time limit, are waited for this long at most (and never longer than a quarter of the
    // time limit, but at least kMinShortWait): a stalled server costs one time limit, not two.
    static constexpr std::chrono::milliseconds kAbortReplyLimit{3000};
    static constexpr std::chrono::milliseconds kMinShortWait{250};

protected:
    [[nodiscard]] WaitPolicy Policy() const { return WaitPolicy{m_timeout, m_pump, m_pCancel}; }
    // The short wait of the end of a transfer (the answers to ABOR, TLS close_notify): a
    // quarter of the time limit, between kMinShortWait and kAbortReplyLimit, not cancelled.
    [[nodiscard]] WaitPolicy ShortPolicy() const;
    // Sends `command`, reads the reply and tells whether the send went out and a complete
    // reply with exactly `expected` came back.
    bool Exchange(const std::string& command, int expected);
    // Sends the TYPE `command` ("TYPE I"), or with KeepType only when the server has not
    // confirmed it already on this control connection; false when it was refused.
    bool EnsureType(const std::string& command);
    // Closes the control connection after a time-out, cancel, socket error or protocol
    // breach, so later operations fail at once instead of reading stale replies; `reason`
    // is kept for GetControlLoss.
    void DropControl(FailureReason reason = FailureReason::None, int error = 0);
    // True when the last ReadReply read a whole reply from the server.
    [[nodiscard]] bool LastReplyComplete() const { return m_bReplyComplete; }
    // The outcome of the command just exchanged: `ok`, or refused (a line that could not be
    // sent as asked, or the server's no), or why the control connection is gone. Read at the
    // end of each command, before anything else is sent.
    [[nodiscard]] CommandOutcome Answered(bool ok) const;

    // A transfer begins (before anything is sent), moves (at most about ten times a second,
    // and once at the end) and ends. The progress client shows them; the plain engine does
    // not.
    virtual void OnTransferBegin(const TransferRequest& request);
    virtual void OnTransferProgress(const TransferRequest& request, std::int64_t moved);
    virtual void OnTransferEnd(const TransferRequest& request, const TransferOutcome& outcome);

    std::int64_t m_nFileSize = -1; // unknown until the caller sets it
    bool m_bPassive = false;
    std::string m_strPasvHost;
    int m_nPasvPort = 0;
    std::string m_strReply;
    std::string m_strListing;
    std::string m_strTypeCommand = "TYPE A";
    // The TYPE the server confirmed on this control connection (empty: none yet, or unsure):
    // it is not sent again until another is wanted.
    std::string m_strTypeInEffect;
    bool m_bKeepType = false;
    std::unique_ptr<CStream> m_pControl;
    bool m_bConnected = false;
    int m_nReplyCode = 0;
    CSocket m_listenSocket;

private:
    enum class ListMode { Unknown, Nlst, List, Mlsd };
    struct DataChannel;
    // How the data of a transfer stopped moving (or why it never did).
    enum class DataEnd {
        NotSent,     // the command was never sent: no reply is due
        Open,        // the data connection is there: the data can move
        Complete,    // all data moved
        LocalError,  // the local file failed
        DataError,   // the data connection could not be made or broke
        ServerEnded, // a final reply came first (a refusal), or the control connection went
        TimedOut,
        Cancelled,
    };

    bool PrepareDataConnection();
    // The three steps of a transfer over a data connection. OpenChannel prepares the data
    // connection (unless `prepared`), sends `command` and obtains the data socket; MoveData
    // moves the bytes through `stream` while watching the control connection; FinishChannel
    // closes the data connection, reads the replies still due (or aborts) and fills in the
    // outcome.
    DataEnd OpenChannel(const std::string& command, bool prepared, std::int64_t rest,
                        DataChannel& channel, TransferOutcome& outcome);
    DataEnd MoveData(DataChannel& channel, CDataStream& stream, const TransferRequest* progress);
    void FinishChannel(DataChannel& channel, DataEnd end, CDataStream& stream,
                       TransferOutcome& outcome);
    // All three, for one command. `progress` names the transfer whose progress is reported
    // (none for listings); `prepared` when the data connection was prepared already; `rest`,
    // when not 0, is sent as "REST rest" before the command (answered 350).
    TransferOutcome TransferData(const std::string& command, CDataStream& stream,
                                 const TransferRequest* progress = nullptr, bool prepared = false,
                                 std::int64_t rest = 0);
    // The one reader of replies while a data connection is open: a preliminary reply is
    // noted, a final one kept. Ok when the transfer goes on (a 1xx or 2xx), Closed when the
    // server refused or ended it, Cancelled or TimedOut when the wait stopped before any of a
    // reply had been read (the control connection is still in step: the transfer can be
    // aborted), Error when the control connection is gone.
    IoResult TakeTransferReply(DataChannel& channel);
    // Waits until `stream` can go on (an accept, a handshake step), taking the transfer's
    // reply meanwhile until the final one came: a refusal ends the wait. Ok: try the stream
    // again.
    IoResult WaitWatchingReply(CStream& stream, DataChannel& channel, const CDeadline& deadline);
    // True when the next protected data connection has no session left that the server
    // would take (proftpd sends no ticket with an upload and takes each once): only a new
    // control connection brings new ones.
    [[nodiscard]] bool FreshSessionNeeded() const;
    // RenewTlsSession when FreshSessionNeeded; false when that failed.
    bool RenewSessionIfSpent();
    // True when `outcome` is the refusal RenewTlsSession mends: after a spoilt session, or
    // after a data connection that could not resume one (every ticket spent).
    [[nodiscard]] bool SessionRefusedAfterAbort(const TransferOutcome& outcome) const;
    TransferOutcome FetchListingOnce(const std::string& command, CListingTextSink& sink, bool mlsd,
                                     bool* bareNames);
    // Active mode: waits for the server's data connection, reading the replies that come
    // first. False on failure (code 5004 when the connection is not accepted).
    IoResult AcceptActiveData(DataChannel& channel);
    // Stops a transfer the server is still in: ABOR, then its replies under a short limit of
    // their own. A control connection that does not answer is closed.
    void AbortTransfer(DataChannel& channel);

    TransferOutcome RunDownload(const TransferRequest& request);
    TransferOutcome RunUpload(const TransferRequest& request);
    // Fetches one listing with `command` into `sink`. With `bareNames`, the text is held back
    // until it shows a long line, and `bareNames` tells whether it was all bare names (then
    // the sink got nothing of it).
    TransferOutcome FetchListing(const std::string& command, CListingTextSink& sink, bool mlsd,
                                 bool* bareNames = nullptr);
    // True when a whole reply line waits in the receive buffer.
    [[nodiscard]] bool ReplyLineBuffered() const { return m_inbuf.find('\n') != std::string::npos; }

    enum class LineStatus { Ok, Closed, Failed };
    // Takes the next line (up to and with its LF) from the receive buffer, receiving more
    // as needed. `waited` tells why a wait failed.
    LineStatus NextLine(std::string& line, const CDeadline& deadline, const WaitPolicy& policy,
                        IoResult& waited);
    // ReadReply within `policy`. With `keepInStep`, a wait that expires or is cancelled before
    // any line of the reply has arrived leaves the connection open: the reply is still due.
    // m_replyWait tells how the wait ended.
    std::string ReadReplyWithin(const WaitPolicy& policy, bool keepInStep);
    // Drops whatever the server sent unasked (a late reply to an ABOR).
    void DiscardStaleReplies();
    // Turns the control connection into TLS (after 234, or at once for implicit TLS) and
    // checks the certificate. False with m_strTlsError set.
    bool StartTls(const std::string& host);
    // AUTH TLS after the greeting, as the mode says. False when the connect must end.
    bool NegotiateExplicitTls(const std::string& host);
    // "OPTS MLST" with the facts the pane shows, of those the last FEAT reply offers.
    void RequestMlstFacts();
    // The data connection's stream: the socket itself, or TLS resuming the control session.
    IoResult OpenDataStream(DataChannel& channel);

    std::string m_inbuf; // bytes received past the last reply
    bool m_bReplyComplete = false;
    bool m_bCommandRefused = false;
    IoResult m_replyWait = IoResult::Ok;
    bool m_bMayHaveStaleReply = false;
    std::chrono::milliseconds m_timeout{kDefaultTimeout};
    PumpFn m_pump;
    const CCancelToken* m_pCancel = nullptr;
    CConversationLog* m_pLog = nullptr;
    int m_nLogConnection = 0;
    ResolveFn m_resolver;
    std::string m_strEncoding;
    bool m_bAutoEncoding = false;
    bool m_bEncodingOpen = false; // 自動, and nothing has decided it yet
    bool m_bUseList = false;
    ListingLineTest m_isLongLine = nullptr;
    ListMode m_listMode = ListMode::Unknown;
    std::string m_strDataHost; // where passive data connections go: the control peer
    IoResult m_connectFailure = IoResult::Ok;
    int m_nConnectErrno = 0;
    FailureReason m_controlLoss = FailureReason::None;
    int m_nControlErrno = 0;
    TransferOutcome m_lastOutcome;
    TlsMode m_tlsMode = TlsMode::None;
    std::string m_strCaFile;
    std::string m_strTrustedFingerprint;
    CertificateTrustFn m_trust;
    std::shared_ptr<CTlsContext> m_tls;
    std::string m_strTlsHost; // what the certificate must name
    bool m_bControlTls = false;
    bool m_bProtectData = false;
    bool m_bTlsRefused = false;
    // A protected data connection ended without close_notify: the next one may be refused.
    bool m_bTlsSessionSpoilt = false;
    // The last data connection made a full TLS handshake instead of resuming.
    bool m_bDataNotResumed = false;
    // A resumed TLS 1.3 upload ended without a ticket: the server sends none there, and no
    // later upload waits for one. Kept across RenewTlsSession.
    bool m_bNoUploadTickets = false;
    int m_nDataErrno = 0;
    // For RenewTlsSession: where and as whom the connection was made.
    std::string m_strHost;
    unsigned m_nPort = 0;
    std::string m_strUser;
    std::string m_strPassword;
    std::vector<std::string> m_features; // upper-case names from FEAT, "REST STREAM" whole
    bool m_bLastListingMlsd = false;
    std::string m_strTlsError;
    std::string m_strTlsProtocol;
    CertificateInfo m_certificate;
};

} // namespace tarnwick
