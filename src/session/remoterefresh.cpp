#include "session/remoterefresh.h"

#include "files/remotepane.h"
#include "ftp/ftpclient.h"
#include "ftp/listingtextsink.h"

namespace tarnwick {

namespace {

class CReaderSink : public CListingTextSink {
public:
    explicit CReaderSink(CListingReader& reader) : m_reader(reader) {}
    void Begin(bool mlsd) override
    {
        m_reader.Reset(mlsd ? ListingFormat::MlsdFacts : ListingFormat::LongLines);
    }
    bool Text(std::string_view piece) override { return m_reader.Feed(piece); }

private:
    CListingReader& m_reader;
};

} // namespace

TransferOutcome StreamListing(const std::string& remoteDir, CFtpClient& engine,
                              CListingReader& reader)
{
    CReaderSink sink(reader);
    const TransferOutcome listing = engine.ListDirectory(remoteDir, sink);
    if (listing.reason != FailureReason::TooLarge) {
        // The last line, even without its line feed; a failure still shows what arrived.
        static_cast<void>(reader.Finish());
    }
    return listing;
}

TransferOutcome ListIntoPane(CPaneRows& pane, const std::string& remoteDir, CFtpClient& engine,
                             CRemoteFileList& list, int* skipped)
{
    std::string listing;
    const TransferOutcome outcome = engine.ListDirectory(remoteDir, listing);
    if (outcome.reason == FailureReason::TooLarge) {
        return outcome; // the pane keeps what it showed; a part of a listing would mislead
    }
    // A failure still shows what arrived.
    const int unknown = FillRemotePane(pane, listing, list,
                                       engine.LastListingIsMlsd() ? ListingFormat::MlsdFacts
                                                                  : ListingFormat::LongLines);
    if (skipped != nullptr) {
        *skipped = unknown;
    }
    return outcome;
}

bool RefreshRemotePane(CPaneRows& pane, const std::string& remoteDir, CFtpClient& engine,
                       CRemoteFileList& list)
{
    static_cast<void>(ListIntoPane(pane, remoteDir, engine, list));
    return true;
}

} // namespace tarnwick
