// The remote listing.
#include "core/textcodec.h"
#include "ftp/datastream.h"
#include "ftp/ftpclient.h"

namespace tarnwick {

namespace {

// Listing bytes decoded as one stream, so a character split between two pieces is whole.
class CListingSink : public CDataStream {
public:
    CListingSink(const std::string& encoding, std::string& text) : m_decoder(encoding), m_text(text)
    {
    }
    bool IsUpload() const override { return false; }
    bool Write(const char* data, std::size_t size) override
    {
        m_decoder.Feed(std::string_view(data, size), m_text);
        return true;
    }
    bool Finish() override
    {
        m_decoder.Finish(m_text);
        return true;
    }

private:
    CTextDecoder m_decoder;
    std::string& m_text;
};

// Some servers answer "NLST -alL" with bare names (proftpd): lines, but none in the long
// layout.
bool HasOnlyBareNames(const std::string& text, ListingLineTest isLongLine)
{
    if (isLongLine == nullptr) {
        return false;
    }
    bool anyLine = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string_view line(text.data() + start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (!line.empty() && line.rfind("total ", 0) != 0) {
            if (isLongLine(line)) {
                return false;
            }
            anyLine = true;
        }
        start = end + 1;
    }
    return anyLine;
}

} // namespace

TransferOutcome CFtpClient::FetchListing(const std::string& command, std::string& text)
{
    if (!PrepareDataConnection()) {
        m_lastOutcome = TransferOutcome{};
        m_lastOutcome.reason = IsConnected() ? FailureReason::DataConnection
                               : m_controlLoss == FailureReason::None
                                   ? FailureReason::ConnectionLost
                                   : m_controlLoss;
        m_lastOutcome.replyCode = m_nReplyCode;
        return m_lastOutcome;
    }
    text.clear();
    m_strListing.clear();
    CListingSink sink(m_strEncoding, m_strListing);
    // The data connection is ready: TransferData prepares nothing more.
    m_lastOutcome = TransferData(command, sink, nullptr, true);
    text = m_strListing;
    return m_lastOutcome;
}

bool CFtpClient::ListDirectory(const std::string& /*remoteDir*/, std::string& text)
{
    // The server's current directory is listed; callers change into it first.
    if (m_bUseList || m_listMode == ListMode::List) {
        return FetchListing("LIST -a", text).Ok();
    }
    const TransferOutcome nlst = FetchListing("NLST -alL", text);
    if (m_listMode == ListMode::Nlst) {
        return nlst.Ok();
    }
    const bool refused = nlst.reason == FailureReason::Refused && !nlst.started;
    if (refused || (nlst.Ok() && HasOnlyBareNames(text, m_isLongLine))) {
        // pure-ftpd and pyftpdlib refuse "NLST -alL", proftpd gives bare names; "LIST -a"
        // gives the long layout on all of them.
        const bool listOk = FetchListing("LIST -a", text).Ok();
        if (listOk) {
            m_listMode = ListMode::List;
        }
        return listOk;
    }
    if (nlst.Ok() && !text.empty()) {
        m_listMode = ListMode::Nlst;
    }
    return nlst.Ok();
}

} // namespace tarnwick
