// CFtpClient: one control connection to one FTP server, spoken synchronously. Every operation
// sends its command line, reads one reply and reports success only when the send went out, a
// complete reply came back and its code is exactly the one expected. The text of the last
// reply stays in the engine for the caller to show. The engine shows nothing itself.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "ftp/enginecode.h"
#include "ftp/socket.h"

namespace tarnwick {

class CDataStream;

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
    // was.
    virtual bool Connect(const std::string& host, unsigned port);

    // Copies the remote file into `localPath` with RETR, through a temporary file beside it
    // that replaces the target only on success: a failed download leaves an existing file as
    // it was. True when the data arrived whole and the server answered 226.
    virtual bool Download(const std::string& remotePath, const std::string& localPath);
    // Copies the local file to the server's current directory as `remoteName` with STOR.
    // True when every byte went out and the server answered 226.
    virtual bool Upload(const std::string& localPath, const std::string& remoteName);

    // Sends "QUIT" and, on 221, closes the control connection. False without a control
    // socket; true without sending when the socket never connected.
    bool Quit();

    // Sends one command line, appending CR LF unless it already ends with it, encoded in the
    // server encoding. Without a connection it sends nothing and returns true. False for an
    // empty command, a line holding CR, LF or NUL before its end (no command smuggling), a
    // character the server encoding cannot carry, or a failed send.
    bool SendCommand(const std::string& command);

    // Reads one complete reply and makes it the last reply and code. Without a connection it
    // reads nothing and returns "\x01". When the server closes the connection mid-reply it
    // returns "GetResponce nRead=0 Error" and keeps the previous reply and code. On a socket
    // error or an expired time limit the lines gathered so far become the reply and the
    // control connection is closed.
    std::string ReadReply();

    [[nodiscard]] std::string GetLastReply() const { return m_strReply; }
    void SetReplyCode(int code) { m_nReplyCode = code; }
    [[nodiscard]] int GetReplyCode() const { return m_nReplyCode; }

    // --- login and single-reply commands ---------------------------------------------

    // USER, then PASS only after 331. True on 230 to PASS, or on 230 to USER (no password
    // needed; PASS is not sent).
    bool Login(const std::string& user, const std::string& password);
    // "PWD": the quoted directory of a 257 reply; empty on any failure or without quotes.
    [[nodiscard]] std::string GetCurrentDir();
    // "CWD dir": true on 250. An empty directory sends nothing and fails.
    bool ChangeDir(const std::string& directory);
    // "MKD name" ("New Folder" for an empty name): true on 257.
    bool MakeDir(const std::string& name);
    // "RMD name": true on 250. An empty name sends nothing and fails.
    bool RemoveDir(const std::string& name);
    // "DELE name": true on 250. An empty name sends nothing and fails.
    bool DeleteRemoteFile(const std::string& name);
    // "SITE CHMOD mode name": true when sent and answered, whatever the code; the caller
    // shows the reply. Empty name or mode sends nothing and fails.
    bool ChangeMode(const std::string& name, const std::string& mode);
    // Choose "TYPE A" / "TYPE I" for the next data connection; nothing is sent now.
    bool SetTextType();
    bool SetBinaryType();
    [[nodiscard]] const std::string& GetTypeCommand() const { return m_strTypeCommand; }

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
    // names, "LIST -a", and the command that worked is kept for the rest of the connection.
    // With SetUseList(true), "LIST -a" from the start. `text` keeps whatever arrived when
    // the listing fails; it is untouched when the data connection could not be prepared.
    bool ListDirectory(const std::string& remoteDir, std::string& text);
    void SetUseList(bool useList) { m_bUseList = useList; }
    [[nodiscard]] const std::string& GetListing() const { return m_strListing; }

    // The expected size of the next transfer, shown with the running count.
    void SetFileSize(std::int64_t size) { m_nFileSize = size; }

    // --- desktop additions ------------------------------------------------------------

    // True while a control connection exists and was greeted with 220.
    [[nodiscard]] bool IsConnected() const { return m_pControl != nullptr && m_bConnected; }
    // The time limit of every network wait (0 = none) and the pump called while waiting.
    void SetTimeout(std::chrono::milliseconds limit) { m_timeout = limit; }
    [[nodiscard]] std::chrono::milliseconds GetTimeout() const { return m_timeout; }
    void SetPump(PumpFn pump) { m_pump = std::move(pump); }
    // The encoding of command lines, replies and listings (an iconv name).
    void SetServerEncoding(const std::string& encoding) { m_strEncoding = encoding; }
    [[nodiscard]] const std::string& GetServerEncoding() const { return m_strEncoding; }
    void SetPassive(bool passive) { m_bPassive = passive; }
    [[nodiscard]] bool IsPassive() const { return m_bPassive; }

    // Longest reply line and longest reply accepted; past them the read fails.
    static constexpr std::size_t kMaxReplyLine = 64 * 1024;
    static constexpr std::size_t kMaxReply = 1024 * 1024;

protected:
    [[nodiscard]] WaitPolicy Policy() const { return WaitPolicy{m_timeout, m_pump}; }
    // Sends `command`, reads the reply and tells whether the send went out and a complete
    // reply with exactly `expected` came back.
    bool Exchange(const std::string& command, int expected);
    // Closes the control connection after a time-out, cancel or protocol breach, so later
    // operations fail at once instead of reading stale replies.
    void DropControl();
    // True when the last ReadReply read a whole reply from the server.
    [[nodiscard]] bool LastReplyComplete() const { return m_bReplyComplete; }

    // Called while a transfer moves data (at most about ten times a second, and once at
    // the end with `final` set). The progress client shows it; the plain engine does not.
    virtual void OnTransferProgress(const std::string& remoteName, std::int64_t moved, bool final);

    // Sends the transfer command (RETR, STOR, NLST, LIST), obtains the data socket, moves the
    // data through `stream` while watching the control connection, and reads the replies.
    // True when the data moved without error and the final reply is 226. `refused` tells
    // whether the server refused the command itself (a 4xx or 5xx reply to it).
    // Progress goes to OnTransferProgress under `progressName` (none when empty).
    bool TransferData(const std::string& command, CDataStream& stream, bool& refused,
                      const std::string& progressName = std::string());

    std::int64_t m_nFileSize = 0;
    bool m_bPassive = false;
    std::string m_strPasvHost;
    int m_nPasvPort = 0;
    std::string m_strReply;
    std::string m_strListing;
    std::string m_strTypeCommand = "TYPE A";
    std::unique_ptr<CSocket> m_pControl;
    bool m_bConnected = false;
    int m_nReplyCode = 0;
    CSocket m_listenSocket;

private:
    enum class ListMode { Unknown, Nlst, List };
    bool PrepareDataConnection();
    // The data connection's socket after the command was sent; false on failure (code 5004
    // when an active-mode connection is not accepted). `reply` is the preliminary reply, or
    // the refusal, read on the way (0 when none was); `finalCode` a 2xx final reply that came
    // before the connection was accepted (0 when none did).
    bool AttachDataSocket(CSocket& data, int& reply, int& finalCode);
    // Fetches one listing with `command`.
    bool FetchListing(const std::string& command, std::string& text, bool& refused);
    // True when a whole reply line waits in the receive buffer.
    [[nodiscard]] bool ReplyLineBuffered() const { return m_inbuf.find('\n') != std::string::npos; }

    enum class LineStatus { Ok, Closed, Failed };
    // Takes the next line (up to and with its LF) from the receive buffer, receiving more
    // as needed.
    LineStatus NextLine(std::string& line, const CDeadline& deadline);

    std::string m_inbuf; // bytes received past the last reply
    bool m_bReplyComplete = false;
    std::chrono::milliseconds m_timeout{std::chrono::seconds(60)};
    PumpFn m_pump;
    std::string m_strEncoding;
    bool m_bUseList = false;
    ListMode m_listMode = ListMode::Unknown;
    std::string m_strDataHost; // where passive data connections go: the control peer
};

} // namespace tarnwick
