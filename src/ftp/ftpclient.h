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
    enum class LineStatus { Ok, Closed, Failed };
    // Takes the next line (up to and with its LF) from the receive buffer, receiving more
    // as needed.
    LineStatus NextLine(std::string& line, const CDeadline& deadline);

    std::string m_inbuf; // bytes received past the last reply
    bool m_bReplyComplete = false;
    std::chrono::milliseconds m_timeout{std::chrono::seconds(60)};
    PumpFn m_pump;
    std::string m_strEncoding;
};

} // namespace tarnwick
