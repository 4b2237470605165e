// The remote listing.
#include "core/textcodec.h"
#include "files/listingparser.h"
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
bool HasOnlyBareNames(const std::string& text)
{
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
            if (IsLongListingLine(line)) {
                return false;
            }
            anyLine = true;
        }
        start = end + 1;
    }
    return anyLine;
}

} // namespace

bool CFtpClient::FetchListing(const std::string& command, std::string& text, bool& refused)
{
    refused = false;
    if (!PrepareDataConnection()) {
        return false;
    }
    text.clear();
    m_strListing.clear();
    CListingSink sink(m_strEncoding, m_strListing);
    const bool ok = TransferData(command, sink, refused);
    text = m_strListing;
    return ok;
}

bool CFtpClient::ListDirectory(const std::string& /*remoteDir*/, std::string& text)
{
    // The server's current directory is listed; callers change into it first.
    bool refused = false;
    if (m_bUseList || m_listMode == ListMode::List) {
        return FetchListing("LIST -a", text, refused);
    }
    const bool ok = FetchListing("NLST -alL", text, refused);
    if (m_listMode == ListMode::Nlst) {
        return ok;
    }
    if (refused || (ok && HasOnlyBareNames(text))) {
        // pure-ftpd and pyftpdlib refuse "NLST -alL", proftpd gives bare names; "LIST -a"
        // gives the long layout on all of them.
        const bool listOk = FetchListing("LIST -a", text, refused);
        if (listOk) {
            m_listMode = ListMode::List;
        }
        return listOk;
    }
    if (ok && !text.empty()) {
        m_listMode = ListMode::Nlst;
    }
    return ok;
}

} // namespace tarnwick
