// Login and the commands that need no data connection.
#include "ftp/ftpclient.h"

namespace tarnwick {

bool CFtpClient::Login(const std::string& user, const std::string& password)
{
    m_bReplyComplete = false;
    if (!SendCommand("USER " + user) || !IsConnected()) {
        return false;
    }
    ReadReply();
    if (!m_bReplyComplete) {
        return false;
    }
    if (m_nReplyCode != 230 && (m_nReplyCode != 331 || !Exchange("PASS " + password, 230))) {
        return false;
    }
    // Kept for logging in again on a new control connection (RenewTlsSession).
    m_strUser = user;
    m_strPassword = password;
    return true;
}

std::string CFtpClient::GetCurrentDir()
{
    if (!Exchange("PWD", 257)) {
        return {};
    }
    // 257 "/home/user" is the current directory.
    const std::size_t open = m_strReply.find('"');
    if (open == std::string::npos) {
        return {};
    }
    const std::size_t close = m_strReply.find('"', open + 1);
    if (close == std::string::npos) {
        return {};
    }
    return m_strReply.substr(open + 1, close - open - 1);
}

bool CFtpClient::ChangeDir(const std::string& directory)
{
    return !directory.empty() && Exchange("CWD " + directory, 250);
}

bool CFtpClient::MakeDir(const std::string& name)
{
    return Exchange("MKD " + (name.empty() ? std::string("New Folder") : name), 257);
}

bool CFtpClient::RemoveDir(const std::string& name)
{
    return !name.empty() && Exchange("RMD " + name, 250);
}

bool CFtpClient::DeleteRemoteFile(const std::string& name)
{
    return !name.empty() && Exchange("DELE " + name, 250);
}

bool CFtpClient::Rename(const std::string& from, const std::string& to)
{
    std::string encoded;
    if (from.empty() || to.empty() || !EncodeCommand("RNTO " + to, encoded)) {
        m_bCommandRefused = !from.empty() && !to.empty();
        return false;
    }
    // 350 "Ready for RNTO." (RFC 959: pending further information); anything else ends it.
    return Exchange("RNFR " + from, 350) && Exchange("RNTO " + to, 250);
}

bool CFtpClient::ChangeMode(const std::string& name, const std::string& mode)
{
    if (name.empty() || mode.empty()) {
        return false;
    }
    m_bReplyComplete = false;
    if (!SendCommand("SITE CHMOD " + mode + " " + name) || !IsConnected()) {
        return false;
    }
    ReadReply();
    // Any answer counts: the caller shows the server's reply, refusal or not.
    return m_bReplyComplete;
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
