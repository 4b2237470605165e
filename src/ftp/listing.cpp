// The remote listing.
#include "core/nameencoding.h"
#include "core/textcodec.h"
#include "ftp/datastream.h"
#include "ftp/ftpclient.h"
#include "ftp/listingtextsink.h"

namespace tarnwick {

namespace {

// What a line is to the bare-name rule, seen as the parser will see it, its CR included: the
// parser drops one, and a name that is itself a CR must keep its own. Blank lines and the
// "total N" summary do not count.
enum class NameLine { Uncounted, Bare, Long };

NameLine ClassifyNameLine(std::string_view raw, ListingLineTest isLongLine)
{
    std::string_view line = raw;
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    if (line.empty() || line.rfind("total ", 0) == 0) {
        return NameLine::Uncounted;
    }
    return isLongLine(raw) ? NameLine::Long : NameLine::Bare;
}

// Listing bytes decoded as one stream, so a character split between two pieces is whole, and
// handed on piece by piece. A listing past CFtpClient::kMaxListing stops the transfer: a
// server that sends lines forever must not take all memory, nor a terminal's whole day.
//
// With a line test, the text is held back until a line in the long layout shows that the
// listing is not a list of bare names: bare names are fetched again in the long layout, and
// no part of them may reach the caller first. Real listings show a long line at once (after
// "total N"), so little is ever held.
class CListingStream : public CDataStream {
public:
    // With `raw`, the bytes are kept as they came until the encoding is decided (DecodeRaw).
    CListingStream(const std::string& encoding, CListingTextSink& sink, ListingLineTest probe,
                   bool raw)
        : m_decoder(encoding), m_sink(sink), m_probe(probe), m_bHolding(probe != nullptr),
          m_bRaw(raw)
    {
    }
    bool IsUpload() const override { return false; }
    bool Write(const char* data, std::size_t size) override
    {
        if (m_bRaw) {
            m_raw.append(data, size);
            m_bTooLarge = m_raw.size() > CFtpClient::kMaxListing;
            return !m_bTooLarge;
        }
        m_piece.clear();
        m_decoder.Feed(std::string_view(data, size), m_piece);
        return Pass();
    }
    bool Finish() override
    {
        if (m_bRaw) {
            return true;
        }
        m_piece.clear();
        m_decoder.Finish(m_piece);
        return Pass();
    }
    [[nodiscard]] const std::string& Raw() const { return m_raw; }
    // The bytes kept raw, decoded now that the encoding is known, and handed on.
    bool DecodeRaw(const std::string& encoding)
    {
        m_bRaw = false;
        m_piece = DecodeText(m_raw, encoding);
        std::string().swap(m_raw);
        return Pass();
    }
    [[nodiscard]] bool TooLarge() const { return m_bTooLarge; }
    // After the transfer: true when the whole text was held back and is bare names (`ok`: the
    // listing ended well). Otherwise what was held goes to the sink, so a failed listing
    // still shows what arrived.
    bool ReleaseHeld(bool ok)
    {
        if (!m_bHolding || m_bTooLarge) {
            return false;
        }
        m_bHolding = false;
        if (ok && HasOnlyBareNames(m_held, m_probe)) {
            return true;
        }
        static_cast<void>(m_held.empty() || m_sink.Text(m_held));
        return false;
    }

private:
    bool Pass()
    {
        m_nDecoded += m_piece.size();
        if (m_nDecoded > CFtpClient::kMaxListing) {
            m_bTooLarge = true;
            return false;
        }
        if (!m_bHolding) {
            return m_piece.empty() || m_sink.Text(m_piece);
        }
        m_held += m_piece;
        if (!HeldLongLine()) {
            return true;
        }
        m_bHolding = false;
        std::string held;
        held.swap(m_held);
        return m_sink.Text(held);
    }
    // True when a whole line not yet looked at is in the long layout.
    bool HeldLongLine()
    {
        for (;;) {
            const std::size_t lf = m_held.find('\n', m_nScanned);
            if (lf == std::string::npos) {
                return false;
            }
            const std::string_view raw =
                std::string_view(m_held).substr(m_nScanned, lf - m_nScanned);
            m_nScanned = lf + 1;
            if (ClassifyNameLine(raw, m_probe) == NameLine::Long) {
                return true;
            }
        }
    }

    CTextDecoder m_decoder;
    CListingTextSink& m_sink;
    ListingLineTest m_probe;
    bool m_bHolding;
    bool m_bRaw;
    std::string m_raw;
    bool m_bTooLarge = false;
    std::size_t m_nDecoded = 0;
    std::string m_piece;
    std::string m_held;
    std::size_t m_nScanned = 0;
};

// The text form: the whole listing in one string.
class CListingCollector : public CListingTextSink {
public:
    explicit CListingCollector(std::string& text) : m_text(text) {}
    void Begin(bool /*mlsd*/) override
    {
        m_text.clear();
        m_bBegun = true;
    }
    bool Text(std::string_view piece) override
    {
        // Past the first megabyte, room for the whole limit at once: untouched pages cost no
        // memory, and the text is never copied while it grows.
        constexpr std::size_t kSmall = 1024 * 1024;
        if (m_text.size() + piece.size() > kSmall &&
            m_text.capacity() < CFtpClient::kMaxListing + kSmall) {
            m_text.reserve(CFtpClient::kMaxListing + kSmall);
        }
        m_text.append(piece);
        return true;
    }
    [[nodiscard]] bool Begun() const { return m_bBegun; }

private:
    std::string& m_text;
    bool m_bBegun = false;
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
        switch (ClassifyNameLine(text.substr(start, end - start), isLongLine)) {
        case NameLine::Long:
            return false;
        case NameLine::Bare:
            anyLine = true;
            break;
        case NameLine::Uncounted:
            break;
        }
        start = end + 1;
    }
    return anyLine;
}

TransferOutcome CFtpClient::FetchListing(const std::string& command, CListingTextSink& sink,
                                         bool mlsd, bool* bareNames)
{
    const TransferOutcome outcome = FetchListingOnce(command, sink, mlsd, bareNames);
    // Refused only because a cancelled transfer took the TLS session along: once more on a
    // new one.
    if (SessionRefusedAfterAbort(outcome) && RenewTlsSession()) {
        return FetchListingOnce(command, sink, mlsd, bareNames);
    }
    return outcome;
}

TransferOutcome CFtpClient::FetchListingOnce(const std::string& command, CListingTextSink& sink,
                                             bool mlsd, bool* bareNames)
{
    if (bareNames != nullptr) {
        *bareNames = false;
    }
    if (!RenewSessionIfSpent() || !PrepareDataConnection()) {
        m_lastOutcome = TransferOutcome{};
        m_lastOutcome.reason = FailedBecause(FailureReason::DataConnection);
        m_lastOutcome.replyCode = m_nReplyCode;
        return m_lastOutcome;
    }
    sink.Begin(mlsd);
    const bool raw = m_bEncodingOpen;
    CListingStream stream(m_strEncoding, sink, bareNames != nullptr ? m_isLongLine : nullptr, raw);
    // The data connection is ready: TransferData prepares nothing more.
    m_lastOutcome = TransferData(command, stream, nullptr, true);
    if (raw && !stream.TooLarge()) {
        // The first names beyond ASCII decide the encoding (see IsEncodingUndecided).
        if (const std::string guess =
                m_lastOutcome.Ok() ? GuessNameEncoding(stream.Raw()) : std::string();
            !guess.empty()) {
            m_strEncoding = guess;
            m_bEncodingOpen = false;
        }
        static_cast<void>(stream.DecodeRaw(m_strEncoding));
    }
    if (stream.TooLarge()) {
        // A part of a listing would show a folder that is not there.
        m_lastOutcome.reason = FailureReason::TooLarge;
        return m_lastOutcome;
    }
    const bool bare = stream.ReleaseHeld(m_lastOutcome.Ok());
    if (bareNames != nullptr) {
        *bareNames = bare;
    }
    return m_lastOutcome;
}

TransferOutcome CFtpClient::ListDirectory(const std::string& remoteDir, std::string& text)
{
    CListingCollector collector(m_strListing);
    const TransferOutcome outcome = ListDirectory(remoteDir, collector);
    if (outcome.reason == FailureReason::TooLarge) {
        // Nothing of it is kept.
        std::string().swap(m_strListing);
        text.clear();
        return outcome;
    }
    if (collector.Begun()) {
        text = m_strListing;
    }
    return outcome;
}

TransferOutcome CFtpClient::ListDirectory(const std::string& /*remoteDir*/, CListingTextSink& sink)
{
    // The server's current directory is listed; callers change into it first.
    m_bLastListingMlsd = false;
    // The user's choice of "LIST -a" holds where MLSD is offered too: some servers' MLSD is
    // what the user wants to avoid (links shown as folders, facts missing).
    if (!m_bUseList && m_listMode != ListMode::Nlst && m_listMode != ListMode::List &&
        HasFeature("MLST")) {
        // Machine-readable facts (RFC 3659): exact types, sizes and times, links told apart.
        m_bLastListingMlsd = true;
        const TransferOutcome mlsd = FetchListing("MLSD", sink, true);
        if (mlsd.Ok() || mlsd.reason != FailureReason::Refused || mlsd.started) {
            m_listMode = ListMode::Mlsd;
            return mlsd;
        }
        m_bLastListingMlsd = false;
        m_listMode = ListMode::Unknown; // listed but refused: the long layout then
    }
    if (m_bUseList || m_listMode == ListMode::List) {
        return FetchListing("LIST -a", sink, false);
    }
    bool bareNames = false;
    // Once "NLST -alL" is known to give the long layout, nothing is held back.
    const TransferOutcome nlst =
        FetchListing("NLST -alL", sink, false, m_listMode == ListMode::Nlst ? nullptr : &bareNames);
    if (m_listMode == ListMode::Nlst || nlst.reason == FailureReason::TooLarge) {
        return nlst;
    }
    const bool refused = nlst.reason == FailureReason::Refused && !nlst.started;
    if (refused || (nlst.Ok() && bareNames)) {
        // pure-ftpd and pyftpdlib refuse "NLST -alL", proftpd gives bare names; "LIST -a"
        // gives the long layout on all of them.
        const TransferOutcome list = FetchListing("LIST -a", sink, false);
        if (list.Ok()) {
            m_listMode = ListMode::List;
        }
        return list;
    }
    if (nlst.Ok() && nlst.bytesMoved > 0) {
        m_listMode = ListMode::Nlst;
    }
    return nlst;
}

TransferOutcome CFtpClient::ListLongLines(std::string& text)
{
    m_bLastListingMlsd = false;
    CListingCollector collector(text);
    return FetchListing("LIST -a", collector, false);
}

} // namespace tarnwick
