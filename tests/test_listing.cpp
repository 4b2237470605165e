// Remote listings against the scripted server: the text, its decoding, and the choice
// between "NLST -alL" and "LIST -a".
#include <gtest/gtest.h>

#include "files/listingparser.h"
#include "files/remotepane.h"
#include "ftp/ftpclient.h"
#include "ftp/listingtextsink.h"
#include "session/remoterefresh.h"
#include "support/enginerun.h"

using namespace tarnwick;
using namespace tarnwick::testing;

namespace {

const std::string kLongLine = "-rw-r--r-- 1 ftp ftp 512 Mar 14 09:12 a.txt\r\n";

// A passive listing round: `command` answered with `pieces` of data, or refused with
// `refusal` (the data connection then stays open, as real servers leave it).
void ServeListing(CScriptSession& s, const char* command, const std::vector<std::string>& pieces,
                  const char* refusal = nullptr)
{
    if (!s.OpenPassive("TYPE A", command)) {
        return;
    }
    if (refusal != nullptr) {
        s.Send(refusal);
        return;
    }
    s.Send("150 Here comes the directory listing.\r\n");
    s.DataSendPieces(pieces);
    s.DataClose();
    s.Send("226 Directory send OK.\r\n");
}

} // namespace

TEST(Listing, TextArrivesInOrderOverSeveralReceives)
{
    std::string listing;
    for (int i = 0; listing.size() < 600; ++i) {
        listing += "-rw-r--r-- 1 ftp ftp 512 Mar 14 09:12 file" + std::to_string(i) + ".txt\r\n";
    }
    listing.resize(600);
    std::string text;
    bool ok = false;
    const ScriptOutcome out = RunEngineScript(
        [&listing](CScriptSession& s) {
            ServeListing(s, "NLST -alL",
                         {listing.substr(0, 200), listing.substr(200, 200), listing.substr(400)});
        },
        [&](CFtpClient& c) {
            ok = c.ListDirectory("/", text).Ok();
            EXPECT_EQ(c.GetListing(), text);
        },
        {.passive = true});
    EXPECT_TRUE(ok);
    EXPECT_EQ(out.failures, "");
    EXPECT_EQ(text, listing);
}

TEST(Listing, DoubleByteNameSplitBetweenReceivesDecodesWhole)
{
    // "日本.txt" in CP932, its first character cut in half between two pieces.
    const std::string line = "-rw-r--r-- 1 ftp ftp 5 Mar 14 09:12 \x93\xfa\x96\x7b.txt\r\n";
    const std::size_t cut = line.find('\x93') + 1;
    std::string text;
    RunEngineScript(
        [&](CScriptSession& s) {
            ServeListing(s, "NLST -alL", {line.substr(0, cut), line.substr(cut)});
        },
        [&](CFtpClient& c) {
            c.SetServerEncoding("CP932");
            EXPECT_TRUE(c.ListDirectory("/", text));
        },
        {.passive = true});
    EXPECT_EQ(text, "-rw-r--r-- 1 ftp ftp 5 Mar 14 09:12 日本.txt\r\n");
}

// 自動 on one connection each: what FEAT and the listings' bytes decide, and what is sent.
TEST(AutoEncoding, FeatUtf8OrTheFirstNonAsciiListingDecidesAndANameSentFixesIt)
{
    const std::string cp932Line = "-rw-r--r-- 1 ftp ftp 5 Mar 14 09:12 \x95\x5C.txt\r\n"; // 表.txt
    const std::string eucLine = "-rw-r--r-- 1 ftp ftp 5 Mar 14 09:12 \xC9\xBD.txt\r\n";   // 表.txt
    struct Row {
        const char* label;
        const char* featReply;
        const char* optsReply;             // nullptr: no OPTS UTF8 ON expected
        std::vector<std::string> listings; // in order, each NLST -alL
        const char* sentBetween;           // a command sent after the first listing
        const char* encodingAfter;
        std::string lastText; // the last listing as decoded
    } rows[] = {
        {"feat-utf8-accepted",
         "211-Features:\r\n UTF8\r\n211 End\r\n",
         "200 Always in UTF8 mode.\r\n",
         {"-rw-r--r-- 1 ftp ftp 5 Mar 14 09:12 表.txt\r\n"},
         nullptr,
         "UTF-8",
         "-rw-r--r-- 1 ftp ftp 5 Mar 14 09:12 表.txt\r\n"},
        {"feat-utf8-refused-cp932-names",
         "211-Features:\r\n UTF8\r\n211 End\r\n",
         "501 Option not understood.\r\n",
         {cp932Line},
         nullptr,
         "CP932",
         "-rw-r--r-- 1 ftp ftp 5 Mar 14 09:12 表.txt\r\n"},
        {"no-feat-ascii-then-euc",
         "502 Not implemented.\r\n",
         nullptr,
         {kLongLine, eucLine},
         nullptr,
         "EUC-JP",
         "-rw-r--r-- 1 ftp ftp 5 Mar 14 09:12 表.txt\r\n"},
        // A name beyond ASCII went out before anything was known: it stays as sent.
        {"name-sent-first-fixes-it",
         "502 Not implemented.\r\n",
         nullptr,
         {kLongLine, cp932Line},
         "MKD 資料",
         "UTF-8",
         "-rw-r--r-- 1 ftp ftp 5 Mar 14 09:12 \xEF\xBF\xBD\\.txt\r\n"},
    };
    for (const Row& row : rows) {
        std::string text;
        std::string encoding;
        bool undecided = true;
        const ScriptOutcome out = RunEngineScript(
            [&](CScriptSession& s) {
                s.ExpectReply("FEAT", row.featReply);
                if (row.optsReply != nullptr) {
                    s.ExpectReply("OPTS UTF8 ON", row.optsReply);
                }
                for (std::size_t i = 0; i < row.listings.size(); ++i) {
                    ServeListing(s, "NLST -alL", {row.listings[i]});
                    if (i == 0 && row.sentBetween != nullptr) {
                        s.ExpectReply(row.sentBetween, "257 Created.\r\n");
                    }
                }
            },
            [&](CFtpClient& c) {
                EXPECT_TRUE(c.IsAutoEncoding());
                EXPECT_TRUE(c.IsEncodingUndecided());
                c.NegotiateFeatures();
                for (std::size_t i = 0; i < row.listings.size(); ++i) {
                    EXPECT_TRUE(c.ListDirectory("/", text)) << row.label;
                    if (i == 0 && row.sentBetween != nullptr) {
                        EXPECT_TRUE(c.MakeDir("資料"));
                    }
                }
                encoding = c.GetServerEncoding();
                undecided = c.IsEncodingUndecided();
            },
            {.passive = true, .encoding = "AUTO"});
        EXPECT_EQ(out.failures, "") << row.label;
        EXPECT_EQ(encoding, row.encodingAfter) << row.label;
        EXPECT_FALSE(undecided) << row.label;
        EXPECT_EQ(text, row.lastText) << row.label;
        if (row.sentBetween != nullptr) {
            // Sent in the encoding in use then (UTF-8), and never re-read another way.
            EXPECT_NE(out.received.find("MKD \xE8\xB3\x87\xE6\x96\x99\r\n"), std::string::npos)
                << row.label;
        }
    }
}

TEST(Listing, EmptyDirectoryIsAnEmptyText)
{
    std::string text = "stale";
    bool ok = false;
    RunEngineScript([](CScriptSession& s) { ServeListing(s, "NLST -alL", {}); },
                    [&](CFtpClient& c) { ok = c.ListDirectory("/", text).Ok(); }, {.passive = true});
    EXPECT_TRUE(ok);
    EXPECT_EQ(text, "");
}

TEST(ListingStrategy, RefusedNlstFallsBackToListOnceForTheConnection)
{
    std::string first;
    std::string second;
    const ScriptOutcome out = RunEngineScript(
        [](CScriptSession& s) {
            ServeListing(s, "NLST -alL", {}, "550 No files found.\r\n"); // pure-ftpd, pyftpdlib
            ServeListing(s, "LIST -a", {kLongLine});
            ServeListing(s, "LIST -a", {kLongLine}); // no second try of NLST
        },
        [&](CFtpClient& c) {
            c.SetListingLineTest(&IsLongListingLine);
            EXPECT_TRUE(c.ListDirectory("/", first));
            EXPECT_TRUE(c.ListDirectory("/", second));
        },
        {.passive = true});
    EXPECT_EQ(out.failures, "");
    EXPECT_EQ(first, kLongLine);
    EXPECT_EQ(second, kLongLine);
}

TEST(ListingStrategy, BareNamesFallBackToList)
{
    std::string first;
    std::string second;
    const ScriptOutcome out = RunEngineScript(
        [](CScriptSession& s) {
            ServeListing(s, "NLST -alL", {"a.txt\r\nsrc\r\n"}); // proftpd
            ServeListing(s, "LIST -a", {"total 1\r\n" + kLongLine});
            ServeListing(s, "LIST -a", {kLongLine});
        },
        [&](CFtpClient& c) {
            c.SetListingLineTest(&IsLongListingLine);
            EXPECT_TRUE(c.ListDirectory("/", first));
            EXPECT_TRUE(c.ListDirectory("/", second));
        },
        {.passive = true});
    EXPECT_EQ(out.failures, "");
    EXPECT_EQ(first, "total 1\r\n" + kLongLine);
}

TEST(ListingStrategy, WorkingNlstIsKeptAndUseListStartsWithList)
{
    const ScriptOutcome kept = RunEngineScript(
        [](CScriptSession& s) {
            ServeListing(s, "NLST -alL", {kLongLine});
            ServeListing(s, "NLST -alL", {"odd bare line\r\n"}); // no second guessing
        },
        [](CFtpClient& c) {
            std::string text;
            EXPECT_TRUE(c.ListDirectory("/", text));
            EXPECT_TRUE(c.ListDirectory("/", text));
        },
        {.passive = true});
    EXPECT_EQ(kept.failures, "");

    const ScriptOutcome useList =
        RunEngineScript([](CScriptSession& s) { ServeListing(s, "LIST -a", {kLongLine}); },
                        [](CFtpClient& c) {
                            c.SetUseList(true);
                            std::string text;
                            EXPECT_TRUE(c.ListDirectory("/", text));
                        },
                        {.passive = true});
    EXPECT_EQ(useList.failures, "");
    EXPECT_EQ(useList.received, "TYPE A\r\nPASV\r\nLIST -a\r\n");
}

// UseLIST is the user's word against MLSD too: a server that offers MLST is listed with
// "LIST -a" all the same, and the text is read as long lines.
TEST(ListingStrategy, UseListMeansListEvenWhereMlsdIsOffered)
{
    for (const bool useList : {true, false}) {
        bool mlsd = !useList;
        const ScriptOutcome out = RunEngineScript(
            [useList](CScriptSession& s) {
                s.ExpectReply("FEAT", "211-Features:\r\n MLST type*;size*;\r\n211 End\r\n");
                s.ExpectReply("OPTS MLST type;size;", "200 ok\r\n");
                ServeListing(s, useList ? "LIST -a" : "MLSD",
                             {useList ? kLongLine : "type=file;size=512; a.txt\r\n"});
            },
            [&](CFtpClient& c) {
                c.SetUseList(useList);
                EXPECT_TRUE(c.NegotiateFeatures());
                std::string text;
                EXPECT_TRUE(c.ListDirectory("/", text));
                mlsd = c.LastListingIsMlsd();
            },
            {.passive = true});
        EXPECT_EQ(out.failures, "") << useList;
        EXPECT_EQ(mlsd, !useList);
    }
}

TEST(ListingStrategy, RefreshRemotePaneShowsTheFallbackListing)
{
    CRowList rows;
    CRemoteFileList list;
    RunEngineScript(
        [](CScriptSession& s) {
            ServeListing(s, "NLST -alL", {}, "550 Bad option\r\n");
            ServeListing(s, "LIST -a",
                         {"drwxr-xr-x 2 ftp ftp 4096 Mar 14 09:12 src\r\n" + kLongLine});
        },
        [&](CFtpClient& c) { RefreshRemotePane(rows, "/", c, list); }, {.passive = true});
    EXPECT_EQ(rows.rows, (std::vector<std::string>{"..", "<src>", "a.txt"}));
    EXPECT_EQ(list.GetSize(), 3);
}

TEST(Listing, EndlessListingStopsAtItsLimitKeepsNothingAndTheConnectionGoesOn)
{
    std::string text = "untouched";
    bool ok = true;
    FailureReason reason = FailureReason::None;
    CRowList rows;
    rows.AddString("shown before");
    CRemoteFileList list;
    const ScriptOutcome out = RunEngineScript(
        [](CScriptSession& s) {
            if (!s.OpenTransfer(true, "TYPE A", "LIST -a")) {
                return;
            }
            // Lines forever, until the client stops reading (bounded: four times the limit).
            std::string block;
            while (block.size() < 1024 * 1024) {
                block += kLongLine;
            }
            for (std::size_t sent = 0; sent < 4 * CFtpClient::kMaxListing && s.DataSendSome(block);
                 sent += block.size()) {
            }
            s.DataClose();
            s.Send("426 Failure writing network stream.\r\n");
            s.ExpectReply("PWD", "257 \"/\"\r\n");
        },
        [&](CFtpClient& c) {
            c.SetUseList(true);
            ok = ListIntoPane(rows, "/", c, list).Ok();
            reason = c.GetLastOutcome().reason;
            text = c.GetListing();
            EXPECT_EQ(c.GetCurrentDir(), "/");
        },
        {.passive = true});
    EXPECT_EQ(out.failures, "");
    EXPECT_FALSE(ok);
    EXPECT_EQ(reason, FailureReason::TooLarge);
    EXPECT_TRUE(text.empty()) << "no part of the listing is kept";
    EXPECT_EQ(rows.rows, std::vector<std::string>{"shown before"}) << "the pane stays as it was";
}

namespace {

// What a streaming listing handed on: each fetch's form and the text in the pieces given.
class CRecordingSink : public CListingTextSink {
public:
    void Begin(bool mlsd) override { fetches.push_back({mlsd, {}}); }
    bool Text(std::string_view piece) override
    {
        if (fetches.empty()) {
            ADD_FAILURE() << "text before Begin";
            return false;
        }
        fetches.back().pieces.emplace_back(piece);
        return true;
    }
    struct Fetch {
        bool mlsd;
        std::vector<std::string> pieces;
    };
    std::vector<Fetch> fetches;
};

std::string Joined(const std::vector<std::string>& pieces)
{
    std::string text;
    for (const std::string& piece : pieces) {
        text += piece;
    }
    return text;
}

} // namespace

// The sink is given text while it arrives, but never a line of bare names that is about to be
// fetched again in the long layout; a list that turns long later is given whole.
TEST(ListingStream, BareNamesAreHeldBackAndLongTextFlowsInPieces)
{
    const std::string later = "total 2\r\nodd bare line\r\n" + kLongLine + kLongLine;
    CRecordingSink bare;
    CRecordingSink mixed;
    const ScriptOutcome out = RunEngineScript(
        [&](CScriptSession& s) {
            ServeListing(s, "NLST -alL", {"a.txt\r\n", "src\r\n"}); // proftpd
            ServeListing(s, "LIST -a", {"total 1\r\n", kLongLine, kLongLine});
        },
        [&](CFtpClient& c) {
            c.SetListingLineTest(&IsLongListingLine);
            EXPECT_TRUE(c.ListDirectory("/", bare));
        },
        {.passive = true});
    EXPECT_EQ(out.failures, "");
    ASSERT_EQ(bare.fetches.size(), 2U);
    EXPECT_TRUE(bare.fetches[0].pieces.empty()) << "bare names reached the sink";
    EXPECT_FALSE(bare.fetches[1].mlsd);
    EXPECT_EQ(Joined(bare.fetches[1].pieces), "total 1\r\n" + kLongLine + kLongLine);
    EXPECT_GE(bare.fetches[1].pieces.size(), 2U) << "the text was not handed on as it came";

    const ScriptOutcome held = RunEngineScript(
        [&](CScriptSession& s) {
            ServeListing(s, "NLST -alL",
                         {later.substr(0, 12), later.substr(12, 30), later.substr(42)});
        },
        [&](CFtpClient& c) {
            c.SetListingLineTest(&IsLongListingLine);
            EXPECT_TRUE(c.ListDirectory("/", mixed));
        },
        {.passive = true});
    EXPECT_EQ(held.failures, "");
    ASSERT_EQ(mixed.fetches.size(), 1U);
    EXPECT_EQ(Joined(mixed.fetches[0].pieces), later);
}

// MLSD text is parsed as facts by the streaming reader, and its entries are those the pane
// would show from the same text.
TEST(ListingStream, ReaderGetsMlsdEntriesAsThePaneWould)
{
    const std::string mlsd = "type=cdir;modify=20231130184500; .\r\n"
                             "type=dir;modify=20231130184500;UNIX.mode=0755; src\r\n"
                             "type=file;size=5120;modify=20231130184500; my notes.txt\r\n"
                             "garbage\r\n"
                             "type=file;size=7; last";
    std::vector<std::string> names;
    CListingReader reader([&names](const RemoteFileEntry& entry) {
        names.push_back(entry.displayName + "|" + entry.sizeText);
        return true;
    });
    bool ok = false;
    const ScriptOutcome out = RunEngineScript(
        [&](CScriptSession& s) {
            s.ExpectReply("FEAT", "211-Features:\r\n MLST type*;size*;modify*;\r\n211 End\r\n");
            s.ExpectReply("OPTS MLST type;size;modify;", "200 ok\r\n");
            if (!s.OpenPassive("TYPE A", "MLSD")) {
                return;
            }
            s.Send("150 Here comes the listing.\r\n");
            s.DataSendPieces({mlsd.substr(0, 50), mlsd.substr(50)});
            s.DataClose();
            s.Send("226 Done.\r\n");
        },
        [&](CFtpClient& c) {
            EXPECT_TRUE(c.NegotiateFeatures());
            ok = StreamListing("/", c, reader).Ok();
        },
        {.passive = true});
    EXPECT_EQ(out.failures, "");
    EXPECT_TRUE(ok);
    EXPECT_EQ(names, (std::vector<std::string>{"<src>|----", "my notes.txt|5120", "last|7"}));
    EXPECT_EQ(reader.Unparsed(), 1);
}
