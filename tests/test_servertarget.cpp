// A server target from a profile: the TLS mode's default port, a port given in the field, and
// the name the user and the certificate store see.
#include <gtest/gtest.h>

#include "session/servertarget.h"

using namespace tarnwick;

TEST(ServerTarget, FromAProfileWithTheModesDefaultPort)
{
    struct Row {
        const char* server;
        ProfileEncryption encryption;
        bool ok;
        std::uint16_t port;
        TlsMode tls;
        const char* name;
    };
    const Row rows[] = {
        {"ftp.example.com", ProfileEncryption::Implicit, true, 990, TlsMode::Implicit,
         "ftp.example.com:990"},
        {"ftp.example.com", ProfileEncryption::ExplicitRequired, true, 21,
         TlsMode::ExplicitRequired, "ftp.example.com:21"},
        {"ftp.example.com:2121", ProfileEncryption::Implicit, true, 2121, TlsMode::Implicit,
         "ftp.example.com:2121"},
        {"[::1]", ProfileEncryption::ExplicitIfAvailable, true, 21, TlsMode::ExplicitIfAvailable,
         "[::1]:21"},
        {"192.0.2.1", ProfileEncryption::None, true, 21, TlsMode::None, "192.0.2.1:21"},
        {"host:ftp", ProfileEncryption::None, false, 0, TlsMode::None, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.server);
        ServerProfile profile;
        profile.server = row.server;
        profile.userName = "anna";
        profile.password = "pw";
        profile.remoteInitDir = "/pub";
        profile.encryption = row.encryption;
        profile.encoding = "CP932";
        ServerTarget target;
        ASSERT_EQ(TargetFromProfile(profile, target), row.ok);
        if (!row.ok) {
            continue;
        }
        EXPECT_EQ(target.port, row.port);
        EXPECT_EQ(target.tls, row.tls);
        EXPECT_EQ(ServerName(target), row.name);
        EXPECT_EQ(target.user, "anna");
        EXPECT_EQ(target.password, "pw");
        EXPECT_EQ(target.directory, "/pub");
        EXPECT_EQ(target.encoding, "CP932");
        EXPECT_FALSE(target.passive) << "the settings decide";
        EXPECT_FALSE(target.timeout) << "the settings decide";
    }
}
