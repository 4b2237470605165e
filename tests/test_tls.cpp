// FTP over TLS against the scripted server speaking its side of TLS: AUTH TLS, the
// certificate check, protected data connections that must resume the session, refusals, a cut
// data stream and a cancel.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "ftp/transport/canceltoken.h"
#include "ftp/ftpclient.h"
#include "support/enginerun.h"
#include "support/tempdir.h"

using namespace tarnwick;
using namespace tarnwick::testing;
using namespace std::chrono_literals;

namespace {

const std::string kLine = "-rw-r--r-- 1 ftp ftp 5 Mar 14 09:12 a.bin\r\n";

// The login and the data protection after AUTH TLS.
void ServeTlsLogin(CScriptSession& s)
{
    if (s.ExpectAuthTls()) {
        s.ExpectReply("USER anna", "331 Password please\r\n");
        s.ExpectReply("PASS pw", "230 Welcome\r\n");
        s.ExpectReply("PBSZ 0", "200 PBSZ=0\r\n");
        s.ExpectReply("PROT P", "200 Protection set to Private\r\n");
    }
}

// One protected transfer: the opening, the data connection's handshake, then `move`.
template <typename Move>
void ServeTlsData(CScriptSession& s, bool passive, const char* type, const std::string& command,
                  Move move)
{
    if (s.OpenTransfer(passive, type, command) && s.DataStartTls()) {
        move();
        s.DataClose();
        s.Send("226 Transfer complete\r\n");
    }
}

bool LoginAndProtect(CFtpClient& c)
{
    return c.Login("anna", "pw") && c.ProtectDataConnections();
}

} // namespace

class TlsTransfers : public ::testing::TestWithParam<bool> {};

// Every data connection must resume the control connection's session (the script refuses
// one that does not, as vsftpd's require_ssl_reuse does), however many follow each other.
TEST_P(TlsTransfers, ListDownloadUploadAndMoreAllResumeTheSession)
{
    const bool passive = GetParam();
    CTempDir dir;
    const std::string data(300 * 1024, 'x');
    WriteWholeFile(dir.File("up.bin"), data);
    std::string listing;
    std::vector<bool> ok;
    const ScriptOutcome out = RunEngineScript(
        [&](CScriptSession& s) {
            ServeTlsLogin(s);
            ServeTlsData(s, passive, "TYPE A", "NLST -alL", [&] { s.DataSend(kLine); });
            ServeTlsData(s, passive, "TYPE I", "RETR a.bin", [&] { s.DataSend(data); });
            ServeTlsData(s, passive, "TYPE I", "STOR up.bin", [&] { s.DataReceiveAll(); });
            ServeTlsData(s, passive, "TYPE I", "STOR up2.bin", [&] { s.DataReceiveAll(); });
            ServeTlsData(s, passive, "TYPE I", "RETR a.bin", [&] { s.DataSend(data); });
        },
        [&](CFtpClient& c) {
            ASSERT_TRUE(LoginAndProtect(c)) << c.GetLastReply();
            EXPECT_TRUE(c.IsEncrypted());
            EXPECT_TRUE(c.IsDataProtected());
            ok.push_back(c.ListDirectory("/", listing).Ok());
            for (const auto& [direction, remote, local] :
                 {std::tuple{TransferDirection::Download, "a.bin", "a.bin"},
                  std::tuple{TransferDirection::Upload, "up.bin", "up.bin"},
                  std::tuple{TransferDirection::Upload, "up2.bin", "up.bin"},
                  std::tuple{TransferDirection::Download, "a.bin", "again.bin"}}) {
                ok.push_back(
                    c.Transfer({direction, remote, dir.File(local), TransferType::Binary}).Ok());
            }
        },
        {.passive = passive, .tls = TlsMode::ExplicitRequired});
    EXPECT_EQ(out.failures, "");
    EXPECT_EQ(ok, std::vector<bool>(5, true));
    EXPECT_EQ(listing, kLine);
    EXPECT_TRUE(ReadWholeFile(dir.File("again.bin")) == data);
    EXPECT_TRUE(out.dataReceived == data + data) << "both uploads arrived whole";
}

INSTANTIATE_TEST_SUITE_P(Modes, TlsTransfers, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Passive" : "Active"; });

TEST(Tls, RefusalsOfAuthTlsAndOfDataProtection)
{
    const struct {
        const char* name;
        TlsMode mode;
        const char* refusal;
        bool connects;
    } rows[] = {
        {"required-500", TlsMode::ExplicitRequired, "500 Unknown command\r\n", false},
        {"required-534", TlsMode::ExplicitRequired, "534 Request denied for policy reasons\r\n",
         false},
        {"if-available-502", TlsMode::ExplicitIfAvailable, "502 Not implemented\r\n", true},
        {"if-available-431", TlsMode::ExplicitIfAvailable, "431 Need security resource\r\n", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CScriptedFtpServer server([&](CScriptSession& s) {
            s.Send("220 Ready\r\n");
            s.ExpectReply("AUTH TLS", row.refusal);
            if (row.connects) {
                s.ExpectReply("USER anna", "230 Welcome\r\n");
            }
            s.WaitClosed();
        });
        {
            CFtpClient client;
            FtpConnectOptions options;
            options.tls = row.mode;
            EXPECT_EQ(client.Connect("127.0.0.1", server.Port(), options).Ok(), row.connects);
            EXPECT_FALSE(client.IsEncrypted());
            if (row.connects) {
                EXPECT_TRUE(client.TlsRefusedByServer());
                EXPECT_EQ(client.GetLastReply(), "220 Ready\r\n") << "the greeting stays";
                EXPECT_TRUE(client.Login("anna", "pw"));
            } else {
                EXPECT_NE(client.GetTlsError().find("refused AUTH TLS"), std::string::npos);
            }
        }
        EXPECT_EQ(server.Finish(), std::vector<std::string>{});
        // With "required", nothing after the refused AUTH TLS: no USER, no PASS.
        EXPECT_EQ(server.Received(), row.connects ? "AUTH TLS\r\nUSER anna\r\n" : "AUTH TLS\r\n");
    }

    // PROT P refused, and a data connection refused for want of session reuse.
    bool protectedData = true;
    TransferOutcome outcome;
    const ScriptOutcome out = RunEngineScript(
        [](CScriptSession& s) {
            if (s.ExpectAuthTls()) {
                s.ExpectReply("PBSZ 0", "200 PBSZ=0\r\n");
                s.ExpectReply("PROT P", "536 Requested PROT level not supported\r\n");
                s.ExpectReply("TYPE I", "200 ok\r\n");
                s.Expect("PASV");
                s.ReplyPasv();
                s.ExpectReply("RETR a.bin", "522 SSL connection failed: session reuse required\r\n");
            }
        },
        [&](CFtpClient& c) {
            protectedData = c.ProtectDataConnections().Ok();
            outcome = c.Transfer({TransferDirection::Download, "a.bin", "/nonexistent-dir/a.bin"});
            CTempDir dir;
            outcome = c.Transfer({TransferDirection::Download, "a.bin", dir.File("a.bin")});
        },
        {.passive = true, .tls = TlsMode::ExplicitRequired});
    EXPECT_EQ(out.failures, "");
    EXPECT_FALSE(protectedData);
    EXPECT_EQ(outcome.reason, FailureReason::Refused);
    EXPECT_EQ(outcome.replyCode, 522);
}

TEST(Tls, CertificatesAreCheckedAndNothingIsSentAfterARefusal)
{
    const TestCertificate other = MakeTestCertificate();
    const struct {
        const char* name;
        bool haveTrust;        // a trust question is asked
        bool answer;           // and answered so
        int pinned;            // 0 none, 1 the server's, 2 another
        bool connects;
        int asked;             // how often the question came
        bool pinMismatch;
    } rows[] = {
        {"self-signed-no-question", false, false, 0, false, 0, false},
        {"self-signed-refused", true, false, 0, false, 1, false},
        {"self-signed-accepted", true, true, 0, true, 1, false},
        {"pinned-matches", true, false, 1, true, 0, false},
        {"pinned-changed-refused", true, false, 2, false, 1, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CScriptedFtpServer server([&](CScriptSession& s) {
            s.Send("220 Ready\r\n");
            if (s.ExpectAuthTls() && row.connects) {
                s.ExpectReply("USER anna", "230 Welcome\r\n");
            }
            s.WaitClosed();
        });
        int asked = 0;
        CertificateInfo seen;
        {
            CFtpClient client;
            FtpConnectOptions options;
            options.tls = TlsMode::ExplicitRequired;
            options.trustedFingerprint = row.pinned == 1   ? server.Certificate().sha256
                                         : row.pinned == 2 ? other.sha256
                                                           : std::string();
            if (row.haveTrust) {
                options.trust = [&](const CertificateInfo& info) {
                    ++asked;
                    seen = info;
                    return row.answer;
                };
            }
            EXPECT_EQ(client.Connect("127.0.0.1", server.Port(), options).Ok(), row.connects)
                << client.GetTlsError();
            EXPECT_EQ(client.GetCertificate().sha256, server.Certificate().sha256);
            if (row.connects) {
                EXPECT_TRUE(client.IsEncrypted());
                EXPECT_TRUE(client.Login("anna", "pw"));
            } else {
                EXPECT_NE(client.GetTlsError().find("certificate not trusted"), std::string::npos);
            }
        }
        EXPECT_EQ(asked, row.asked);
        if (asked > 0) {
            EXPECT_EQ(seen.pinMismatch, row.pinMismatch);
            EXPECT_FALSE(seen.problem.empty());
            EXPECT_EQ(seen.subject, "CN=127.0.0.1");
        }
        EXPECT_EQ(server.Finish(), std::vector<std::string>{});
        EXPECT_EQ(server.Received(), row.connects ? "AUTH TLS\r\nUSER anna\r\n" : "AUTH TLS\r\n");
    }
}

TEST(Tls, ImplicitTlsStartsAtTheFirstByte)
{
    CScriptedFtpServer server([](CScriptSession& s) {
        if (s.StartTls()) {
            s.Send("220 Secure ready\r\n");
            s.ExpectReply("USER anna", "230 Welcome\r\n");
        }
        s.WaitClosed();
    });
    {
        CFtpClient client;
        FtpConnectOptions options;
        options.tls = TlsMode::Implicit;
        options.trust = [](const CertificateInfo&) { return true; };
        ASSERT_TRUE(client.Connect("127.0.0.1", server.Port(), options)) << client.GetTlsError();
        EXPECT_EQ(client.GetLastReply(), "220 Secure ready\r\n");
        EXPECT_TRUE(client.IsEncrypted());
        EXPECT_TRUE(client.Login("anna", "pw"));
    }
    EXPECT_EQ(server.Finish(), std::vector<std::string>{});
}

// A TLS data stream that ends without close_notify was cut: the download fails and the old
// file stays, whatever the server says, unless every expected byte is there.
TEST(Tls, DataCutWithoutCloseNotifyFailsTheDownload)
{
    for (const std::int64_t expected : {std::int64_t{-1}, std::int64_t{5}}) {
        SCOPED_TRACE(expected);
        CTempDir dir;
        WriteWholeFile(dir.File("a.bin"), "old");
        TransferOutcome outcome;
        const ScriptOutcome out = RunEngineScript(
            [](CScriptSession& s) {
                ServeTlsLogin(s);
                if (s.OpenTransfer(true, "TYPE I", "RETR a.bin") && s.DataStartTls()) {
                    s.DataSend("12345");
                    s.DataCutTls();
                    s.Send("226 Transfer complete\r\n");
                }
            },
            [&](CFtpClient& c) {
                ASSERT_TRUE(LoginAndProtect(c));
                outcome = c.Transfer({TransferDirection::Download, "a.bin", dir.File("a.bin"),
                                      TransferType::Binary, expected});
            },
            {.passive = true, .tls = TlsMode::ExplicitRequired});
        EXPECT_EQ(out.failures, "");
        EXPECT_FALSE(outcome.endedCleanly);
        if (expected < 0) {
            EXPECT_EQ(outcome.reason, FailureReason::Incomplete);
            EXPECT_EQ(ReadWholeFile(dir.File("a.bin")), "old");
        } else {
            EXPECT_TRUE(outcome.Ok()) << "every expected byte arrived";
            EXPECT_EQ(ReadWholeFile(dir.File("a.bin")), "12345");
        }
    }
}

// A cancel aborts the transfer; on a server whose session went with the cut connection the
// next data connection works again on a new control connection.
TEST(Tls, CancelAbortsOverTlsAndTheConnectionGoesOn)
{
    CTempDir dir;
    CCancelToken cancel;
    int slices = 0;
    TransferOutcome outcome;
    std::string pwd;
    std::string listing;
    bool listed = false;
    const ScriptOutcome out = RunEngineScript(
        [](CScriptSession& s) {
            ServeTlsLogin(s);
            if (s.OpenTransfer(true, "TYPE I", "RETR big.bin") && s.DataStartTls()) {
                s.DataSendPieces(std::vector<std::string>(40, std::string(64 * 1024, 'b')), 20ms);
                s.Expect("ABOR");
                s.Send("426 Transfer aborted\r\n226 ABOR successful\r\n");
                s.ExpectReply("PWD", "257 \"/\"\r\n");
                // As vsftpd: the session went with the cut connection, and the data
                // connection is refused.
                if (s.OpenTransfer(true, "TYPE I", "NLST -alL") && s.DataStartTls(false)) {
                    s.Send("522 SSL connection failed: session reuse required\r\n");
                }
                // The client starts over on a new control connection, as it was, and the
                // listing follows on a session that resumes.
                s.ExpectReply("PWD", "257 \"/\"\r\n");
                s.ExpectReply("QUIT", "221 Goodbye\r\n");
                if (s.AcceptControl()) {
                    s.Send("220 Ready\r\n");
                    if (s.ExpectAuthTls()) {
                        s.ExpectReply("USER anna", "331 Password please\r\n");
                        s.ExpectReply("PASS pw", "230 Welcome\r\n");
                        s.ExpectReply("FEAT", "502 Not implemented\r\n");
                        s.ExpectReply("PBSZ 0", "200 PBSZ=0\r\n");
                        s.ExpectReply("PROT P", "200 Protection set to Private\r\n");
                        s.ExpectReply("CWD /", "250 ok\r\n");
                        ServeTlsData(s, true, "TYPE I", "NLST -alL", [&] { s.DataSend(kLine); });
                    }
                }
            }
        },
        [&](CFtpClient& c) {
            ASSERT_TRUE(LoginAndProtect(c));
            c.SetCancelToken(&cancel);
            c.SetPump([&] {
                if (++slices == 3) {
                    cancel.Cancel();
                }
            });
            outcome = c.Transfer({TransferDirection::Download, "big.bin", dir.File("big.bin")});
            cancel.Reset();
            pwd = c.GetCurrentDir();
            c.SetPump(nullptr);
            listed = c.ListDirectory("/", listing).Ok();
        },
        {.passive = true, .tls = TlsMode::ExplicitRequired});
    EXPECT_EQ(out.failures, "");
    EXPECT_EQ(outcome.reason, FailureReason::Cancelled);
    EXPECT_EQ(pwd, "/");
    EXPECT_TRUE(listed) << "a new session after the one the cancel took along";
    EXPECT_EQ(listing, kLine);
    // Only what arrived stays, as the part to resume from.
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
        left.push_back(e.path().filename().string());
    }
    EXPECT_EQ(left, std::vector<std::string>{"big.bin.part"}) << "no temporary file";
}

// A data connection whose TLS shows another certificate than the control connection (whoever
// reached the port first answered it) takes nothing and gives nothing: the download leaves the
// local file as it was, the upload sends no byte, and the connection stays.
TEST_P(TlsTransfers, DataConnectionWithAnotherCertificateMovesNothing)
{
    const bool passive = GetParam();
    const TestCertificate stranger = MakeTestCertificate();
    for (const TransferDirection direction :
         {TransferDirection::Download, TransferDirection::Upload}) {
        const bool download = direction == TransferDirection::Download;
        SCOPED_TRACE(download ? "download" : "upload");
        CTempDir dir;
        WriteWholeFile(dir.File("a.bin"), "the user's own file");
        TransferOutcome outcome;
        bool connected = false;
        const ScriptOutcome out = RunEngineScript(
            [&](CScriptSession& s) {
                ServeTlsLogin(s);
                if (s.OpenTransfer(passive, "TYPE I", download ? "RETR a.bin" : "STOR a.bin") &&
                    s.DataStartTlsAs(stranger)) {
                    if (download) {
                        static_cast<void>(s.DataSendSome(std::string(64 * 1024, 'E')));
                    } else {
                        s.DataReceiveAll();
                    }
                    s.DataClose();
                    s.Send("226 Transfer complete\r\n");
                }
                s.ExpectReply("NOOP", "200 NOOP ok\r\n");
            },
            [&](CFtpClient& c) {
                ASSERT_TRUE(LoginAndProtect(c)) << c.GetLastReply();
                outcome = c.Transfer({direction, "a.bin", dir.File("a.bin"), TransferType::Binary});
                connected =
                    c.IsConnected() && c.SendCommand("NOOP") && c.ReadReply().starts_with("200");
            },
            {.passive = passive, .tls = TlsMode::ExplicitRequired});
        EXPECT_EQ(out.failures, "");
        EXPECT_EQ(outcome.reason, FailureReason::ForeignCertificate);
        EXPECT_EQ(outcome.bytesMoved, 0);
        EXPECT_EQ(out.dataReceived, "") << "nothing of the upload went out";
        EXPECT_EQ(ReadWholeFile(dir.File("a.bin")), "the user's own file");
        EXPECT_FALSE(std::filesystem::exists(dir.File("a.bin.part")));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                                std::filesystem::directory_iterator()),
                  1)
            << "no temporary file left";
        EXPECT_TRUE(connected);
    }
}
