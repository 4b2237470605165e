// The remote listing.
#include "core/textcodec.h"
#include "ftp/datastream.h"
#include "ftp/ftpclient.h"

namespace tarnwick {

namespace {

// Listing bytes decoded as one stream, so a character split between two pieces is whole. A
// listing past CFtpClient::kMaxListing stops the transfer: a server that sends lines forever
// must not take all memory.
class CListingSink : public CDataStream {
public:
    CListingSink(const std::string& encoding, std::string& text) : m_decoder(encoding), m_text(text)
    {
    }
    bool IsUpload() const override { return false; }
    bool Write(const char* data, std::size_t size) override
    {
        // Past the first megabyte, room for the whole limit at once: untouched pages cost no
        // memory, and the text is never copied while it grows.
        constexpr std::size_t kSmall = 1024 * 1024;
        if (m_text.size() + size > kSmall && m_text.capacity() < CFtpClient::kMaxListing + kSmall) {
            m_text.reserve(CFtpClient::kMaxListing + kSmall);
        }
        m_decoder.Feed(std::string_view(data, size), m_text);
        m_bTooLarge = m_text.size() > CFtpClient::kMaxListing;
        return !m_bTooLarge;
    }
    bool Finish() override
    {
        m_decoder.Finish(m_text);
        return true;
    }
    [[nodiscard]] bool TooLarge() const { return m_bTooLarge; }

private:
    CTextDecoder m_decoder;
    std::string& m_text;
    bool m_bTooLarge = false;
};

} // namespace

bool HasOnlyBareNames(std::string_view text, ListingLineTest isLongLine)
{
    if (isLongLine == nullptr) {
        return false;
    }
    bool anyLine = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        // The test is given the line as the parser will see it, its CR included: the parser
        // drops one, and a name that is itself a CR must keep its own.
        const std::string_view raw = text.substr(start, end - start);
        std::string_view line = raw;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (!line.empty() && line.rfind("total ", 0) != 0) {
            if (isLongLine(raw)) {
                return false;
            }
            anyLine = true;
        }
        start = end + 1;
    }
    return anyLine;
}

TransferOutcome CFtpClient::FetchListing(const std::string& command, std::string& text)
{
    const TransferOutcome outcome = FetchListingOnce(command, text);
    // Refused only because a cancelled transfer took the TLS session along: once more on a
    // new one.
    if (SessionRefusedAfterAbort(outcome) && RenewTlsSession()) {
        return FetchListingOnce(command, text);
    }
    return outcome;
}

TransferOutcome CFtpClient::FetchListingOnce(const std::string& command, std::string& text)
{
    if (!RenewSessionIfSpent() || !PrepareDataConnection()) {
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
    if (sink.TooLarge()) {
        // Nothing of it is kept: a part of a listing would show a folder that is not there.
        m_lastOutcome.reason = FailureReason::TooLarge;
        std::string().swap(m_strListing);
        return m_lastOutcome;
    }
    text = m_strListing;
    return m_lastOutcome;
}

bool CFtpClient::ListDirectory(const std::string& /*remoteDir*/, std::string& text)
{
    // The server's current directory is listed; callers change into it first.
    m_bLastListingMlsd = false;
    if (m_listMode != ListMode::Nlst && m_listMode != ListMode::List && HasFeature("MLST")) {
        // Machine-readable facts (RFC 3659): exact types, sizes and times, links told apart.
        const TransferOutcome mlsd = FetchListing("MLSD", text);
        if (mlsd.Ok() || mlsd.reason != FailureReason::Refused || mlsd.started) {
            m_listMode = ListMode::Mlsd;
            m_bLastListingMlsd = true;
            return mlsd.Ok();
        }
        m_listMode = ListMode::Unknown; // listed but refused: the long layout then
    }
    if (m_bUseList || m_listMode == ListMode::List) {
        return FetchListing("LIST -a", text).Ok();
    }
    const TransferOutcome nlst = FetchListing("NLST -alL", text);
    if (m_listMode == ListMode::Nlst) {
        return nlst.Ok();
    }
    if (nlst.reason == FailureReason::TooLarge) {
        return false;
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
