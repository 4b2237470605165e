// Downloads and uploads against the scripted server, in both modes.
#include <gtest/gtest.h>

#include <filesystem>

#include "ftp/transport/canceltoken.h"
#include "ftp/ftpprogressclient.h"
#include "support/enginerun.h"
#include "support/tempdir.h"

using namespace tarnwick;
using namespace tarnwick::testing;
using namespace std::chrono_literals;

namespace {

std::string Pattern(std::size_t size)
{
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        data[i] = static_cast<char>((i * 7919 + i / 251) & 0xFF);
    }
    return data;
}

// The server side of a passive RETR that sends `data` (in `pieces` when given).
void ServePassiveRetr(CScriptSession& s, const char* type, const char* command,
                      const std::vector<std::string>& pieces)
{
    if (!s.OpenPassive(type, command)) {
        return;
    }
    s.Send("150 Opening BINARY mode data connection\r\n");
    s.DataSendPieces(pieces);
    s.DataClose();
    s.Send("226 Transfer complete\r\n");
}

std::vector<std::string> Leftovers(const CTempDir& dir)
{
    std::vector<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(dir.Path())) {
        names.push_back(item.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class CRecordingSink : public CProgressSink {
public:
    void Begin(const std::string& text) override { events.push_back("begin:" + text); }
    void Update(const std::string& text, std::int64_t, std::int64_t) override
    {
        events.push_back("update:" + text);
    }
    void End() override { events.push_back("end"); }
    std::vector<std::string> events;
};

} // namespace

TEST(Download, PassiveBinaryArrivesWholeInPieces)
{
    CTempDir dir;
    const std::string data = Pattern(700000);
    bool ok = false;
    const ScriptOutcome out = RunEngineScript(
        [&data](CScriptSession& s) {
            ServePassiveRetr(s, "TYPE I", "RETR /pub/big.bin",
                             {data.substr(0, 1), data.substr(1, 300000), data.substr(300001)});
        },
        [&](CFtpClient& c) {
            c.SetBinaryType();
            ok = c.Download("/pub/big.bin", dir.File("big.bin"));
        },
        {.passive = true});
    EXPECT_TRUE(ok);
    EXPECT_EQ(out.failures, "");
    EXPECT_TRUE(ReadWholeFile(dir.File("big.bin")) == data);
    EXPECT_EQ(Leftovers(dir), std::vector<std::string>{"big.bin"});
}

TEST(Download, ActiveRefusalFailsAfterOneReplyAndCreatesNoFile)
{
    CTempDir dir;
    bool ok = true;
    std::string reply;
    const ScriptOutcome out = RunEngineScript(
        [](CScriptSession& s) {
            s.ExpectReply("TYPE A", "200 ok\r\n");
            s.ExpectPort();
            s.Send("200 ok\r\n");
            s.ExpectReply("RETR /missing.txt", "550 No such file\r\n");
        },
        [&](CFtpClient& c) {
            ok = c.Download("/missing.txt", dir.File("missing.txt"));
            reply = c.GetLastReply();
        });
    EXPECT_FALSE(ok);
    EXPECT_EQ(reply, "550 No such file\r\n");
    EXPECT_EQ(out.failures, "");
    EXPECT_TRUE(Leftovers(dir).empty());
}

TEST(Download, PassiveRefusalWithTheDataConnectionLeftOpenDoesNotHang)
{
    CTempDir dir;
    bool ok = true;
    const ScriptOutcome out = RunEngineScript(
        [](CScriptSession& s) {
            s.OpenPassive("TYPE A", "RETR /missing.txt");
            s.Send("550 No such file\r\n");
            s.WaitClosed(); // the data connection stays open, as most servers leave it
        },
        [&](CFtpClient& c) {
            const auto start = std::chrono::steady_clock::now();
            ok = c.Download("/missing.txt", dir.File("missing.txt"));
            EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
            // The control connection is still in step for the next command.
            EXPECT_TRUE(c.IsConnected());
        },
        {.passive = true, .timeout = 30s});
    EXPECT_FALSE(ok);
    EXPECT_EQ(out.failures, "");
    EXPECT_TRUE(Leftovers(dir).empty());
}

TEST(Download, BrokenDataConnectionFailsEvenWith226AndKeepsTheOldFile)
{
    CTempDir dir;
    WriteWholeFile(dir.File("keep.txt"), "the old contents");
    bool ok = true;
    const ScriptOutcome out = RunEngineScript(
        [](CScriptSession& s) {
            if (s.OpenPassive("TYPE A", "RETR keep.txt")) {
                s.Send("150 ok\r\n");
                s.DataSend("half of the new");
                s.Sleep(100ms);
                s.DataAbort(); // reset, not a clean end
                s.Send("226 Transfer complete\r\n");
            }
        },
        [&](CFtpClient& c) { ok = c.Download("keep.txt", dir.File("keep.txt")); },
        {.passive = true});
    EXPECT_FALSE(ok);
    EXPECT_EQ(out.failures, "");
    EXPECT_EQ(ReadWholeFile(dir.File("keep.txt")), "the old contents");
    EXPECT_EQ(Leftovers(dir), std::vector<std::string>{"keep.txt"});
}

TEST(Download, CompletionReplyBeforeTheLastDataLosesNothing)
{
    CTempDir dir;
    const std::string data = Pattern(2 * 1024 * 1024);
    bool ok = false;
    RunEngineScript(
        [&data](CScriptSession& s) {
            if (s.OpenPassive("TYPE I", "RETR f")) {
                s.Send("150 ok\r\n");
                s.DataSend(data);
                s.Send("226 Transfer complete\r\n"); // may overtake the data in flight
                s.DataClose();
            }
        },
        [&](CFtpClient& c) {
            c.SetBinaryType();
            ok = c.Download("f", dir.File("f"));
        },
        {.passive = true});
    EXPECT_TRUE(ok);
    EXPECT_TRUE(ReadWholeFile(dir.File("f")) == data);
}

TEST(Download, ActiveWith125AndMultiLineReplies)
{
    CTempDir dir;
    bool ok = false;
    const ScriptOutcome out = RunEngineScript(
        [](CScriptSession& s) {
            s.ExpectReply("TYPE I", "200 ok\r\n");
            s.ExpectPort();
            s.Send("200 ok\r\n");
            s.Expect("RETR a.bin");
            // pyftpdlib answers 125; pure-ftpd writes multi-line replies.
            s.Send("125-Data connection already open\r\n125 Transfer starting\r\n");
            if (s.ConnectActive()) {
                s.DataSend("abc");
                s.DataClose();
            }
            s.Send("226-File successfully transferred\r\n226 0.001 seconds\r\n");
        },
        [&](CFtpClient& c) {
            c.SetBinaryType();
            ok = c.Download("a.bin", dir.File("a.bin"));
        });
    EXPECT_TRUE(ok);
    EXPECT_EQ(out.failures, "");
    EXPECT_EQ(ReadWholeFile(dir.File("a.bin")), "abc");
}

TEST(Download, ActiveServerThatFinishesBeforeTheAccept)
{
    // A quick server connects, sends, closes and answers 226 before the client has even
    // accepted: the finished reply must not be taken for a refusal.
    CTempDir dir;
    bool ok = false;
    const ScriptOutcome out = RunEngineScript(
        [](CScriptSession& s) {
            s.ExpectReply("TYPE A", "200 ok\r\n");
            s.ExpectPort();
            s.Send("200 ok\r\n");
            s.Expect("RETR quick.txt");
            if (s.ConnectActive()) {
                s.DataSend("all of it");
                s.DataClose();
            }
            s.Send("150 Opening\r\n226 Transfer complete\r\n");
        },
        [&](CFtpClient& c) {
            ok = c.Download("quick.txt", dir.File("quick.txt"));
            EXPECT_EQ(c.GetReplyCode(), 226);
        });
    EXPECT_TRUE(ok);
    EXPECT_EQ(out.failures, "");
    EXPECT_EQ(ReadWholeFile(dir.File("quick.txt")), "all of it");
}

TEST(Download, TextModeConvertsLineEnds)
{
    CTempDir dir;
    bool ok = false;
    RunEngineScript(
        [](CScriptSession& s) {
            ServePassiveRetr(s, "TYPE A", "RETR notes.txt", {"one\r", "\ntwo\r\nthree\r\n"});
        },
        [&](CFtpClient& c) { ok = c.Download("notes.txt", dir.File("notes.txt")); },
        {.passive = true});
    EXPECT_TRUE(ok);
    EXPECT_EQ(ReadWholeFile(dir.File("notes.txt")), "one\ntwo\nthree\n");
}

TEST(Download, EmptyFileAndMissingLocalFolder)
{
    CTempDir dir;
    bool ok = false;
    int code = 0;
    const ScriptOutcome out = RunEngineScript(
        [](CScriptSession& s) { ServePassiveRetr(s, "TYPE A", "RETR empty", {}); },
        [&](CFtpClient& c) {
            ok = c.Download("empty", dir.File("empty"));
            EXPECT_FALSE(c.Download("x", dir.File("no/such/folder/x")));
            code = c.GetReplyCode();
        },
        {.passive = true});
    EXPECT_TRUE(ok);
    EXPECT_EQ(code, 5004);
    EXPECT_EQ(out.failures, "");
    EXPECT_TRUE(std::filesystem::exists(dir.File("empty")));
    EXPECT_EQ(std::filesystem::file_size(dir.File("empty")), 0u);
    // Nothing was asked of the server for the impossible download.
    EXPECT_EQ(out.received, "TYPE A\r\nPASV\r\nRETR empty\r\n");
}

// Cancel while a 4 MiB file moves, in either direction and mode: ABOR goes out and both its
// replies are read, an existing local file is as it was with no temporary file beside it, and
// the same connection answers PWD and a listing afterwards.
struct CancelCase {
    const char* name;
    TransferDirection direction;
    bool passive;
};

class CancelledTransfer : public ::testing::TestWithParam<CancelCase> {};

TEST_P(CancelledTransfer, AbortsAndKeepsTheConnectionInStep)
{
    const CancelCase& param = GetParam();
    const bool download = param.direction == TransferDirection::Download;
    CTempDir dir;
    const std::string data = Pattern(4 * 1024 * 1024);
    WriteWholeFile(dir.File("big.bin"), download ? "the old file\n" : data);
    std::vector<std::string> pieces;
    for (std::size_t at = 0; at < data.size(); at += 64 * 1024) {
        pieces.push_back(data.substr(at, 64 * 1024));
    }
    CCancelToken cancel;
    // The user presses 中止 once the first megabyte has moved.
    class CCancellingSink : public CProgressSink {
    public:
        explicit CCancellingSink(CCancelToken& token) : m_token(token) {}
        void Begin(const std::string&) override {}
        void Update(const std::string&, std::int64_t done, std::int64_t) override
        {
            if (done >= 1024 * 1024) {
                m_token.Cancel();
            }
        }
        void End() override {}

    private:
        CCancelToken& m_token;
    } sink(cancel);
    CFtpProgressClient engine;
    engine.SetProgressSink(&sink);
    engine.SetCancelToken(&cancel);
    TransferOutcome outcome;
    std::string dir257;
    const ScriptOutcome out = RunEngineScript(
        [&](CScriptSession& s) {
            if (!s.OpenTransfer(param.passive, "TYPE I",
                                download ? "RETR big.bin" : "STOR big.bin")) {
                return;
            }
            if (download) {
                s.DataSendPieces(pieces, 10ms); // sends into a closed connection at the end
            } else {
                s.DataReceiveAll(64 * 1024, 10ms);
            }
            s.Expect("ABOR");
            s.Send("426 Connection closed; transfer aborted.\r\n");
            s.Send("226 ABOR command successful.\r\n");
            s.ExpectReply("PWD", "257 \"/\" is the current directory\r\n");
            if (s.OpenTransfer(param.passive, "TYPE I", "NLST -alL")) {
                s.DataSend("-rw-r--r-- 1 ftp ftp 5 Jan 01 12:00 a.txt\r\n");
                s.DataClose();
                s.Send("226 Transfer complete\r\n");
            }
        },
        [&](CFtpClient& c) {
            outcome = c.Transfer({param.direction, "big.bin", dir.File("big.bin"),
                                  TransferType::Binary, static_cast<std::int64_t>(data.size())});
            EXPECT_TRUE(c.IsConnected());
            cancel.Reset(); // the next command
            dir257 = c.GetCurrentDir();
            std::string listing;
            EXPECT_TRUE(c.ListDirectory("/", listing)) << c.GetLastReply();
        },
        // The slow reader of an upload reads what the buffers hold before it sees the ABOR:
        // the time limit leaves room for it.
        {.passive = param.passive, .timeout = 8s}, &engine);
    EXPECT_EQ(out.failures, "");
    EXPECT_EQ(outcome.reason, FailureReason::Cancelled);
    EXPECT_EQ(dir257, "/");
    EXPECT_NE(out.received.find(download ? "RETR big.bin\r\nABOR\r\nPWD\r\n"
                                         : "STOR big.bin\r\nABOR\r\nPWD\r\n"),
              std::string::npos)
        << out.received;
    // A cancelled download keeps what arrived, to be resumed; the old file stays as it was.
    const std::vector<std::string> left =
        download ? std::vector<std::string>{"big.bin", "big.bin.part"}
                 : std::vector<std::string>{"big.bin"};
    EXPECT_EQ(Leftovers(dir), left) << "no temporary file";
    if (download) {
        const std::string part = ReadWholeFile(dir.File("big.bin.part"));
        EXPECT_EQ(part, data.substr(0, part.size()));
        EXPECT_EQ(ReadWholeFile(dir.File("big.bin")), "the old file\n");
    }
}

const CancelCase kCancelCases[] = {
    {"download-passive", TransferDirection::Download, true},
    {"download-active", TransferDirection::Download, false},
    {"upload-passive", TransferDirection::Upload, true},
    {"upload-active", TransferDirection::Upload, false},
};
INSTANTIATE_TEST_SUITE_P(Cases, CancelledTransfer, ::testing::ValuesIn(kCancelCases),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

TEST(Upload, SlowReaderGetsEveryByteInOrder)
{
    CTempDir dir;
    const std::string data = Pattern(3 * 1024 * 1024 + 17);
    WriteWholeFile(dir.File("big.bin"), data);
    bool ok = false;
    std::string received;
    const ScriptOutcome out = RunEngineScript(
        [&received](CScriptSession& s) {
            s.ExpectReply("TYPE I", "200 ok\r\n");
            s.ExpectPort();
            s.Send("200 ok\r\n");
            s.Expect("STOR big.bin");
            s.Send("150 ok\r\n");
            if (s.ConnectActive()) {
                received = s.DataReceiveAll(64 * 1024, 2ms);
                s.DataClose();
            }
            s.Send("226 ok\r\n");
        },
        [&](CFtpClient& c) {
            c.SetBinaryType();
            ok = c.Upload(dir.File("big.bin"), "big.bin");
        });
    EXPECT_TRUE(ok);
    EXPECT_EQ(out.failures, "");
    EXPECT_EQ(received.size(), data.size());
    EXPECT_TRUE(received == data);
}

TEST(Upload, EmptyFileTextModeAndMissingFile)
{
    CTempDir dir;
    WriteWholeFile(dir.File("empty"), "");
    WriteWholeFile(dir.File("notes.txt"), "one\ntwo\r\nthree");
    bool emptyOk = false;
    bool textOk = false;
    int code = 0;
    const ScriptOutcome out = RunEngineScript(
        [](CScriptSession& s) {
            for (const char* command : {"STOR empty", "STOR notes.txt"}) {
                if (s.OpenPassive("TYPE A", command)) {
                    s.Send("150 ok\r\n");
                    s.DataReceiveAll();
                    s.DataClose();
                    s.Send("226 ok\r\n");
                }
            }
        },
        [&](CFtpClient& c) {
            emptyOk = c.Upload(dir.File("empty"), "empty");
            textOk = c.Upload(dir.File("notes.txt"), "notes.txt");
            EXPECT_FALSE(c.Upload(dir.File("vanished"), "vanished"));
            code = c.GetReplyCode();
            EXPECT_FALSE(c.Upload(dir.Path(), "a-folder"));
        },
        {.passive = true});
    EXPECT_TRUE(emptyOk);
    EXPECT_TRUE(textOk);
    EXPECT_EQ(code, 5004);
    EXPECT_EQ(out.failures, "");
    EXPECT_EQ(out.dataReceived, "one\r\ntwo\r\nthree");
}

TEST(Upload, RefusalDuringTheDataStopsAtOnce)
{
    CTempDir dir;
    WriteWholeFile(dir.File("big.bin"), Pattern(8 * 1024 * 1024));
    bool ok = true;
    const ScriptOutcome out = RunEngineScript(
        [](CScriptSession& s) {
            s.OpenPassive("TYPE A", "STOR big.bin");
            s.Send("552 Disk full\r\n"); // and reads nothing
            s.WaitClosed();
        },
        [&](CFtpClient& c) {
            ok = c.Upload(dir.File("big.bin"), "big.bin");
            EXPECT_EQ(c.GetLastReply(), "552 Disk full\r\n");
        },
        {.passive = true, .timeout = 30s});
    EXPECT_FALSE(ok);
    EXPECT_EQ(out.failures, "");
}

TEST(ProgressClient, ShowsPreparingRunningCountsAndUpdating)
{
    EXPECT_EQ(CFtpProgressClient::ProgressText("abc/de.txt", 510, 1000), "...abc/de.txt\n510/1000");
    EXPECT_EQ(CFtpProgressClient::ProgressText("/pub/long/folder/name.tar.gz", 0, 3000000000LL),
              "...der/name.tar.gz\n0/3000000000");

    CTempDir dir;
    CRecordingSink sink;
    CFtpProgressClient engine;
    engine.SetProgressSink(&sink);
    bool ok = false;
    RunEngineScript(
        [](CScriptSession& s) {
            ServePassiveRetr(s, "TYPE A", "RETR abc/de.txt", {std::string(1000, 'x')});
        },
        [&](CFtpClient& c) {
            c.SetFileSize(1000);
            ok = c.Download("abc/de.txt", dir.File("de.txt"));
        },
        {.passive = true}, &engine);
    EXPECT_TRUE(ok);
    ASSERT_GE(sink.events.size(), 4u);
    EXPECT_EQ(sink.events.front(), "begin:準備中です\nしばらくお待ちください");
    EXPECT_EQ(sink.events[sink.events.size() - 3], "update:...abc/de.txt\n1000/1000");
    EXPECT_EQ(sink.events[sink.events.size() - 2], "update:更新中です\nしばらくお待ちください");
    EXPECT_EQ(sink.events.back(), "end");
}

// A server that ends a download early and still says 226: in binary mode the byte count
// decides, against the size the 150 reply announces. A listed size alone decides nothing: the
// file may have changed since (SIZE, where the server has it, is asked then).
TEST(Download, AByteCountOtherThanTheKnownSizeFailsAndKeepsTheOldFile)
{
    const struct {
        const char* name;
        TransferType type;
        std::int64_t listed;
        const char* preliminary;
        bool ok;
    } cases[] = {
        {"listed-size-alone", TransferType::Binary, 1000000, "150 Opening BINARY mode\r\n", true},
        {"announced-size", TransferType::Binary, -1,
         "150 Opening BINARY mode data connection for f (1000000 bytes).\r\n", false},
        {"exact", TransferType::Binary, 100000, "150 ok (100000 bytes).\r\n", true},
        {"text-mode-counts-differ", TransferType::Text, 1000000, "150 ok\r\n", true},
        {"size-unknown", TransferType::Binary, -1, "150 ok\r\n", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CTempDir dir;
        WriteWholeFile(dir.File("f"), "old");
        const std::string data = Pattern(100000);
        TransferOutcome outcome;
        const char* type = c.type == TransferType::Text ? "TYPE A" : "TYPE I";
        const ScriptOutcome out = RunEngineScript(
            [&](CScriptSession& s) {
                if (s.OpenPassive(type, "RETR f")) {
                    s.Send(c.preliminary);
                    s.DataSend(data);
                    s.DataClose();
                    s.Send("226 Transfer complete\r\n");
                }
            },
            [&](CFtpClient& engine) {
                outcome = engine.Transfer({TransferDirection::Download, "f", dir.File("f"), c.type,
                                           c.listed});
            },
            {.passive = true});
        EXPECT_EQ(out.failures, "");
        EXPECT_EQ(outcome.Ok(), c.ok);
        EXPECT_EQ(outcome.bytesMoved, 100000);
        if (!c.ok) {
            EXPECT_EQ(outcome.reason, FailureReason::Incomplete);
            EXPECT_EQ(ReadWholeFile(dir.File("f")), "old");
            // What came is kept to go on from; it is a part, not the file.
            EXPECT_EQ(ReadWholeFile(dir.File("f.part")), data);
        }
        const std::vector<std::string> left =
            c.ok ? std::vector<std::string>{"f"} : std::vector<std::string>{"f", "f.part"};
        EXPECT_EQ(Leftovers(dir), left);
    }
}

TEST(Download, AStalledServerCostsOneTimeLimitNotTwo)
{
    CTempDir dir;
    bool ok = true;
    std::chrono::steady_clock::duration took{};
    const ScriptOutcome out = RunEngineScript(
        [](CScriptSession& s) {
            if (s.OpenTransfer(true, "TYPE I", "RETR stalled")) {
                s.DataSend("some bytes");
                s.WaitClosed(); // and then nothing, not even to ABOR
            }
        },
        [&](CFtpClient& c) {
            const auto start = std::chrono::steady_clock::now();
            ok = c.Transfer({TransferDirection::Download, "stalled", dir.File("stalled"),
                             TransferType::Binary})
                     .Ok();
            took = std::chrono::steady_clock::now() - start;
        },
        {.passive = true, .timeout = 2s});
    EXPECT_FALSE(ok);
    // The data wait ends at the limit; ABOR then gets a short wait of its own.
    EXPECT_LT(took, 3500ms);
    EXPECT_NE(out.received.find("ABOR\r\n"), std::string::npos);
}

// A download cut at 40 % keeps what arrived as NAME.part; the next one goes on from there
// with REST and the result is the whole file, the old one untouched until then.
TEST(Download, ACutDownloadIsResumedWithRest)
{
    CTempDir dir;
    WriteWholeFile(dir.File("big.bin"), "old");
    const std::string data = Pattern(1000 * 1000);
    const std::size_t cut = 400 * 1000;
    TransferOutcome first;
    TransferOutcome second;
    const ScriptOutcome out = RunEngineScript(
        [&](CScriptSession& s) {
            if (s.OpenTransfer(true, "TYPE I", "RETR big.bin")) {
                s.DataSend(data.substr(0, cut));
                s.Sleep(50ms);
                s.DataAbort(); // the connection breaks
                s.Send("426 Connection closed; transfer aborted.\r\n");
            }
            s.ExpectReply("TYPE I", "200 ok\r\n");
            s.Expect("PASV");
            s.ReplyPasv();
            s.ExpectReply("REST " + std::to_string(cut), "350 Restart position accepted.\r\n");
            if (s.Expect("RETR big.bin") && s.AcceptData()) {
                s.Send("150 ok\r\n");
                s.DataSend(data.substr(cut));
                s.DataClose();
                s.Send("226 Transfer complete\r\n");
            }
        },
        [&](CFtpClient& c) {
            first = c.Transfer({TransferDirection::Download, "big.bin", dir.File("big.bin"),
                                TransferType::Binary, static_cast<std::int64_t>(data.size())});
            ASSERT_TRUE(std::filesystem::exists(dir.File("big.bin.part")));
            TransferRequest resume{TransferDirection::Download, "big.bin", dir.File("big.bin"),
                                   TransferType::Binary, static_cast<std::int64_t>(data.size())};
            resume.restartOffset = static_cast<std::int64_t>(
                std::filesystem::file_size(dir.File("big.bin.part")));
            EXPECT_EQ(ReadWholeFile(dir.File("big.bin")), "old") << "untouched meanwhile";
            second = c.Transfer(resume);
        },
        {.passive = true});
    EXPECT_EQ(out.failures, "");
    EXPECT_FALSE(first.Ok());
    EXPECT_TRUE(second.Ok()) << second.replyText;
    EXPECT_TRUE(ReadWholeFile(dir.File("big.bin")) == data) << "byte for byte";
    EXPECT_EQ(Leftovers(dir), std::vector<std::string>{"big.bin"});
    EXPECT_NE(out.received.find("REST 400000\r\nRETR big.bin\r\n"), std::string::npos);
}

// A cancel that comes once the data has ended, while the final reply is awaited: ABOR goes
// out and a server that has nothing left to abort answers 225 (with or without the 226 of the
// transfer first). Neither ends the connection, and neither does a command sent while the
// token still says stop: its reply is waited for briefly instead of dropping the connection.
TEST(CancelBetweenFiles, AborAnswered225KeepsTheConnection)
{
    const struct {
        const char* name;
        const char* answer;
    } rows[] = {
        {"226-then-225", "226 Transfer complete\r\n225 No transfer to ABOR\r\n"},
        {"225-only", "225 No transfer to ABOR\r\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CTempDir dir;
        CCancelToken cancel;
        TransferOutcome outcome;
        bool changed = false;
        bool connected = false;
        const ScriptOutcome out = RunEngineScript(
            [&](CScriptSession& s) {
                s.ExpectReply("USER anna", "230 Welcome\r\n");
                if (s.OpenTransfer(true, "TYPE I", "RETR a.bin")) {
                    s.DataSend("tiny");
                    s.DataClose();
                    s.Sleep(50ms);
                    cancel.Cancel(); // the client now waits for the final reply
                    s.Expect("ABOR");
                    s.Send(row.answer);
                }
                s.ExpectReply("CWD /next", "250 OK\r\n");
                s.ExpectReply("NOOP", "200 NOOP ok\r\n");
            },
            [&](CFtpClient& c) {
                ASSERT_TRUE(c.Login("anna", "pw"));
                c.SetCancelToken(&cancel);
                outcome = c.Transfer({TransferDirection::Download, "a.bin", dir.File("a.bin"),
                                      TransferType::Binary});
                changed = c.ChangeDir("/next").Ok(); // the token still says stop
                cancel.Reset();
                connected =
                    c.IsConnected() && c.SendCommand("NOOP") && c.ReadReply().starts_with("200");
                c.SetCancelToken(nullptr);
            },
            {.passive = true, .timeout = 2s});
        EXPECT_EQ(out.failures, "");
        EXPECT_EQ(outcome.reason, FailureReason::Cancelled);
        EXPECT_TRUE(changed) << "the reply came after the cancel and was taken";
        EXPECT_TRUE(connected);
    }
}

// A server that answers 350 to REST and then sends the file from its first byte: more comes
// than the file has left. The download fails as such and the part goes back to what it held,
// still a prefix of the file; the old file stays.
TEST(Download, AServerThatIgnoresRestLeavesThePartAsItWas)
{
    CTempDir dir;
    WriteWholeFile(dir.File("big.bin"), "old");
    const std::string data = Pattern(1000 * 1000);
    const std::size_t cut = 400 * 1000;
    WriteWholeFile(dir.File("big.bin.part"), data.substr(0, cut));
    TransferOutcome outcome;
    const ScriptOutcome out = RunEngineScript(
        [&](CScriptSession& s) {
            s.ExpectReply("TYPE I", "200 ok\r\n");
            s.Expect("PASV");
            s.ReplyPasv();
            s.ExpectReply("REST " + std::to_string(cut), "350 Restart position accepted.\r\n");
            if (s.Expect("RETR big.bin") && s.AcceptData()) {
                s.Send("150 ok\r\n");
                static_cast<void>(s.DataSendSome(data)); // from the start: REST ignored
                s.DataClose();
                s.Send("226 Transfer complete\r\n");
            }
            s.WaitClosed();
        },
        [&](CFtpClient& c) {
            TransferRequest resume{TransferDirection::Download, "big.bin", dir.File("big.bin"),
                                   TransferType::Binary, static_cast<std::int64_t>(data.size())};
            resume.restartOffset = static_cast<std::int64_t>(cut);
            outcome = c.Transfer(resume);
            EXPECT_TRUE(c.IsConnected());
        },
        {.passive = true});
    EXPECT_EQ(out.failures, "");
    EXPECT_EQ(outcome.reason, FailureReason::RestIgnored);
    EXPECT_TRUE(ReadWholeFile(dir.File("big.bin.part")) == data.substr(0, cut)) << "cut back";
    EXPECT_EQ(ReadWholeFile(dir.File("big.bin")), "old");
}

// The size a download is judged by comes from the transfer: where the listed size differs
// from what came, SIZE is asked then. Fewer bytes than the server's file is a cut; a file
// that changed since the listing (shorter or longer) arrives whole and is taken.
TEST(Download, AListedSizeIsCheckedAgainstSizeAskedAfterTheTransfer)
{
    const struct {
        const char* name;
        std::int64_t listed;
        const char* size; // SIZE's answer after the transfer
        bool ok;
    } rows[] = {
        {"cut-short", 1000000, "213 1000000\r\n", false},
        {"shrank-since-listed", 1000000, "213 100000\r\n", true},
        {"grew-since-listed", 50000, "213 100000\r\n", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CTempDir dir;
        const std::string data = Pattern(100000);
        TransferOutcome outcome;
        const ScriptOutcome out = RunEngineScript(
            [&](CScriptSession& s) {
                s.ExpectReply("FEAT", "211-Features:\r\n SIZE\r\n211 End\r\n");
                if (s.OpenPassive("TYPE I", "RETR f")) {
                    s.Send("150 Opening BINARY mode data connection\r\n");
                    s.DataSend(data);
                    s.DataClose();
                    s.Send("226 Transfer complete\r\n");
                }
                s.ExpectReply("TYPE I", "200 ok\r\n");
                s.ExpectReply("SIZE f", row.size);
            },
            [&](CFtpClient& c) {
                ASSERT_TRUE(c.NegotiateFeatures());
                outcome = c.Transfer({TransferDirection::Download, "f", dir.File("f"),
                                      TransferType::Binary, row.listed});
            },
            {.passive = true});
        EXPECT_EQ(out.failures, "");
        EXPECT_EQ(outcome.Ok(), row.ok) << outcome.replyText;
        EXPECT_EQ(std::filesystem::exists(dir.File("f")), row.ok);
        EXPECT_EQ(std::filesystem::exists(dir.File("f.part")), !row.ok) << "a cut is kept to go on";
    }
}
