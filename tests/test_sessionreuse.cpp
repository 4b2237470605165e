// Data connections that must resume the control connection's TLS session, against real
// servers that demand it: proftpd (mod_tls defaults: "client did not reuse TLS session") with
// TLS 1.2 and with TLS 1.3, and vsftpd (require_ssl_reuse). One session mixes many uploads,
// downloads and listings, in both modes; every one must go through.
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <string>

#include "files/listingparser.h"
#include "files/remotepane.h"
#include "ftp/ftpclient.h"
#include "session/remoterefresh.h"
#include "support/realserver.h"
#include "support/tempdir.h"

using namespace tarnwick;
using namespace tarnwick::testing;
using namespace std::chrono_literals;

namespace {

struct ReuseCase {
    bool proftpd;
    const char* version; // proftpd only: the one TLS version it speaks
    bool passive;
};

std::string ReuseName(const ::testing::TestParamInfo<ReuseCase>& info)
{
    std::string name = info.param.proftpd ? "Proftpd" : "Vsftpd";
    for (const char* c = info.param.version; *c != '\0'; ++c) {
        if (std::isalnum(static_cast<unsigned char>(*c)) != 0) {
            name += *c;
        }
    }
    return name + (info.param.passive ? "_Passive" : "_Active");
}

[[maybe_unused]] void PrintTo(const ReuseCase& c, std::ostream* out)
{
    *out << (c.proftpd ? "proftpd " : "vsftpd ") << c.version
         << (c.passive ? " passive" : " active");
}

const ReuseCase kReuseCases[] = {
    {true, "TLSv1.2", true},  {true, "TLSv1.2", false}, {true, "TLSv1.3", true},
    {true, "TLSv1.3", false}, {false, "", true},        {false, "", false},
};

class SessionReuse : public ::testing::TestWithParam<ReuseCase> {
protected:
    void SetUp() override
    {
        const std::string why =
            GetParam().proftpd ? CProftpdServer::SkipReason() : CVsftpdServer::SkipReason();
        if (!why.empty()) {
            GTEST_SKIP() << why;
        }
        CRealFtpServer::Options options;
        options.tls = true;
        if (GetParam().proftpd) {
            m_server = std::make_unique<CProftpdServer>(options, GetParam().version);
        } else {
            m_server = std::make_unique<CVsftpdServer>(options);
        }
        ASSERT_TRUE(m_server->Start()) << m_server->Error();
        FtpConnectOptions connect;
        connect.passive = GetParam().passive;
        connect.timeout = 30s;
        connect.encoding = "UTF-8";
        connect.tls = TlsMode::ExplicitRequired;
        connect.caFile = m_server->CertificateFile();
        ASSERT_TRUE(m_engine.Connect(m_server->Host(), m_server->Port(), connect))
            << m_engine.GetTlsError() << m_engine.GetLastReply();
        ASSERT_TRUE(m_engine.Login(m_server->User(), m_server->Password()))
            << m_engine.GetLastReply();
        ASSERT_TRUE(m_engine.ProtectDataConnections()) << m_engine.GetLastReply();
        m_engine.SetListingLineTest(&IsLongListingLine); // as the session does
        if (GetParam().version[0] != '\0') {
            ASSERT_EQ(m_engine.GetTlsProtocol(), GetParam().version);
        }
    }

    // What went wrong, with the server's own account of it.
    std::string Why(const TransferOutcome& outcome) const
    {
        std::string text = outcome.replyText + " / " + m_engine.GetTlsError();
        if (auto* proftpd = dynamic_cast<CProftpdServer*>(m_server.get())) {
            text += "\n--- mod_tls ---\n" + proftpd->TlsLog();
        }
        return text;
    }

    std::unique_ptr<CRealFtpServer> m_server;
    CFtpClient m_engine;
    CTempDir m_local;
};

INSTANTIATE_TEST_SUITE_P(Servers, SessionReuse, ::testing::ValuesIn(kReuseCases), ReuseName);

TEST_P(SessionReuse, EveryDataConnectionOfALongSessionIsAccepted)
{
    // Uploads in a row spend tickets without reading any, then listings and downloads
    // between them: the order in which proftpd refused every second connection.
    constexpr int kRounds = 12;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(round);
        const std::string name = "f" + std::to_string(round) + ".bin";
        const std::string bytes = RandomBytes(1000 + round * 4099, static_cast<unsigned>(round));
        WriteWholeFile(m_local.File(name), bytes);
        for (int again = 0; again < 2; ++again) {
            const TransferOutcome up = m_engine.Transfer(
                {TransferDirection::Upload, name, m_local.File(name), TransferType::Binary});
            ASSERT_TRUE(up.Ok()) << Why(up);
        }
        ASSERT_EQ(m_server->ReadFile(name), bytes);
        if (round % 3 == 1) {
            continue; // uploads only, now and then
        }
        CRowList rows;
        CRemoteFileList list;
        ASSERT_TRUE(ListIntoPane(rows, "", m_engine, list, nullptr))
            << Why(m_engine.GetLastOutcome());
        EXPECT_GE(list.FindByDisplayName(name), 0) << m_engine.GetListing();
        const TransferOutcome down = m_engine.Transfer(
            {TransferDirection::Download, name, m_local.File("back.bin"), TransferType::Binary});
        ASSERT_TRUE(down.Ok()) << Why(down);
        ASSERT_EQ(ReadWholeFile(m_local.File("back.bin")), bytes);
    }
    if (auto* proftpd = dynamic_cast<CProftpdServer*>(m_server.get())) {
        EXPECT_EQ(proftpd->TlsLog().find("did not reuse"), std::string::npos) << proftpd->TlsLog();
    }
    EXPECT_TRUE(m_engine.Quit());
}

} // namespace
