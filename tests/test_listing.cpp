// Remote listings against the scripted server: the text, its decoding, and the choice
// between "NLST -alL" and "LIST -a".
#include <gtest/gtest.h>

#include "files/listingparser.h"
#include "files/remotepane.h"
#include "ftp/ftpclient.h"
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
            ok = c.ListDirectory("/", text);
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
                    [&](CFtpClient& c) { ok = c.ListDirectory("/", text); }, {.passive = true});
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
            ok = ListIntoPane(rows, "/", c, list);
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
