// Login and the commands that need no data connection.
#include "ftp/ftpclient.h"

namespace tarnwick {

CommandOutcome CFtpClient::Login(const std::string& user, const std::string& password)
{
    m_bReplyComplete = false;
    if (!SendCommand("USER " + user) || !IsConnected()) {
        return Answered(false);
    }
    ReadReply();
    if (!m_bReplyComplete) {
        return Answered(false);
    }
    if (m_nReplyCode != 230 && (m_nReplyCode != 331 || !Exchange("PASS " + password, 230))) {
        return Answered(false);
    }
    // Kept for logging in again on a new control connection (RenewTlsSession).
    m_strUser = user;
    m_strPassword = password;
    return Answered(true);
}

std::string CFtpClient::GetCurrentDir()
{
    std::string dir;
    static_cast<void>(QueryCurrentDir(dir));
    return dir;
}

CommandOutcome CFtpClient::QueryCurrentDir(std::string& dir)
{
    dir.clear();
    if (!Exchange("PWD", 257)) {
        return Answered(false);
    }
    // 257 "/home/user" is the current directory.
    const std::size_t open = m_strReply.find('"');
    const std::size_t close = open == std::string::npos ? open : m_strReply.find('"', open + 1);
    if (close == std::string::npos) {
        // A 257 that names no directory tells nothing.
        CommandOutcome outcome = Answered(true);
        outcome.reason = FailureReason::Refused;
        return outcome;
    }
    dir = m_strReply.substr(open + 1, close - open - 1);
    return Answered(true);
}

namespace {

// A command that was not sent because a name it needs is empty.
CommandOutcome NothingSent()
{
    return {FailureReason::BadCommand, 0, std::string(), 0};
}

} // namespace

CommandOutcome CFtpClient::ChangeDir(const std::string& directory)
{
    if (directory.empty()) {
        return NothingSent();
    }
    return Answered(Exchange("CWD " + directory, 250));
}

CommandOutcome CFtpClient::MakeDir(const std::string& name)
{
    return Answered(Exchange("MKD " + (name.empty() ? std::string("New Folder") : name), 257));
}

CommandOutcome CFtpClient::RemoveDir(const std::string& name)
{
    if (name.empty()) {
        return NothingSent();
    }
    return Answered(Exchange("RMD " + name, 250));
}

CommandOutcome CFtpClient::DeleteRemoteFile(const std::string& name)
{
    if (name.empty()) {
        return NothingSent();
    }
    return Answered(Exchange("DELE " + name, 250));
}

CommandOutcome CFtpClient::Rename(const std::string& from, const std::string& to)
{
    if (from.empty() || to.empty()) {
        return NothingSent();
    }
    std::string encoded;
    if (!EncodeCommand("RNTO " + to, encoded)) {
        m_bCommandRefused = true;
        return Answered(false);
    }
    // 350 "Ready for RNTO." (RFC 959: pending further information); anything else ends it.
    return Answered(Exchange("RNFR " + from, 350) && Exchange("RNTO " + to, 250));
}

CommandOutcome CFtpClient::ChangeMode(const std::string& name, const std::string& mode)
{
    if (name.empty() || mode.empty()) {
        return NothingSent();
    }
    m_bReplyComplete = false;
    if (!SendCommand("SITE CHMOD " + mode + " " + name) || !IsConnected()) {
        return Answered(false);
    }
    ReadReply();
    // Any answer counts: the caller shows the server's reply, refusal or not.
    return Answered(m_bReplyComplete);
}

CommandOutcome CFtpClient::Answered(bool ok) const
{
    CommandOutcome outcome;
    if (!ok && m_bCommandRefused) {
        // Nothing went out: the last reply belongs to an earlier command.
        outcome.reason = FailureReason::BadCommand;
        return outcome;
    }
    outcome.replyCode = m_nReplyCode;
    outcome.replyText = m_strReply;
    if (!ok) {
        outcome.reason = FailedBecause(FailureReason::Refused);
        outcome.localErrno = IsConnected() ? 0 : m_nControlErrno;
    }
    return outcome;
}

bool CFtpClient::EnsureType(const std::string& command)
{
    if (m_bKeepType && command == m_strTypeInEffect && IsConnected()) {
        return true; // the server keeps the type until it is changed
    }
    m_strTypeInEffect.clear();
    if (!Exchange(command, 200)) {
        return false;
    }
    m_strTypeInEffect = command;
    return true;
}

bool CFtpClient::SetTextType()
{
    m_strTypeCommand = "TYPE A";
    return true;
}

bool CFtpClient::SetBinaryType()
{
    m_strTypeCommand = "TYPE I";
    return true;
}

} // namespace tarnwick
