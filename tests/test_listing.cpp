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

    const ScriptOutcome useList = RunEngineScript(
        [](CScriptSession& s) { ServeListing(s, "LIST -a", {kLongLine}); },
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
