#include <gtest/gtest.h>

#include "core/hostport.h"

using namespace tarnwick;

TEST(SplitHostPort, ServerFieldForms)
{
    struct Row {
        const char* name;
        const char* server;
        bool ok;
        const char* host;
        std::uint16_t port;
    };
    const Row rows[] = {
        {"name", "ftp.example.com", true, "ftp.example.com", 21},
        {"name-port", "ftp.example.com:2121", true, "ftp.example.com", 2121},
        {"ipv4-port", "192.0.2.1:990", true, "192.0.2.1", 990},
        {"ipv6-bracketed", "[::1]:2121", true, "::1", 2121},
        {"ipv6-bracketed-no-port", "[fe80::1]", true, "fe80::1", 21},
        {"ipv6-bare", "2001:db8::7", true, "2001:db8::7", 21},
        {"empty", "", false, "", 0},
        {"port-zero", "host:0", false, "", 0},
        {"port-too-big", "host:65536", false, "", 0},
        {"port-letters", "host:ftp", false, "", 0},
        {"no-host", ":21", false, "", 0},
        {"unclosed-bracket", "[::1:21", false, "", 0},
    };
    for (const Row& row : rows) {
        std::string host;
        std::uint16_t port = 0;
        EXPECT_EQ(SplitHostPort(row.server, 21, host, port), row.ok) << row.name;
        if (row.ok) {
            EXPECT_EQ(host, row.host) << row.name;
            EXPECT_EQ(port, row.port) << row.name;
        }
    }
}
