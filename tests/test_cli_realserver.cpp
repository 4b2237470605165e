// tarnwick-cli against a real vsftpd: stopped with Ctrl-C in the middle of a download (the
// transfer is aborted on the server, what arrived stays only as NAME.part to go on from, the
// exit status is a shell's for SIGINT), the certificate of an FTPS server it does not trust,
// and resumed downloads and whole trees.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "support/realserver.h"
#include "support/runprogram.h"
#include "support/tempdir.h"

using namespace tarnwick::testing;
using namespace std::chrono_literals;

namespace {

// The files in `dir`, the temporary ones of a download included.
std::vector<std::string> Names(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(dir)) {
        names.push_back(item.path().filename().string());
    }
    return names;
}

} // namespace

namespace {

// Starts tarnwick-cli with `args` (the server's password from the environment, no settings
// file) in a process of its own.
pid_t StartCli(const CRealFtpServer& server, const CTempDir& local,
               const std::vector<std::string>& args)
{
    const pid_t child = ::fork();
    if (child == 0) {
        ::setenv("TARNWICK_PASSWORD", server.Password().c_str(), 1);
        ::setenv("TARNWICK_CONFIG_DIR", local.File("no-config").c_str(), 1);
        std::vector<char*> argv{const_cast<char*>(TARNWICK_CLI_PATH)};
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(TARNWICK_CLI_PATH, argv.data());
        ::_exit(127);
    }
    return child;
}

// How many downloads in `dir` have bytes in their temporary files.
std::size_t MovingDownloads(const std::string& dir)
{
    std::size_t moving = 0;
    if (std::filesystem::exists(dir)) {
        for (const std::string& name : Names(dir)) {
            std::error_code error;
            moving += name.find(".part-") != std::string::npos &&
                              std::filesystem::file_size(dir + "/" + name, error) > 0
                          ? 1
                          : 0;
        }
    }
    return moving;
}

// Waits until `count` downloads in `dir` are moving, at most `looks` times 50 ms; how many
// were.
std::size_t WaitForMovingDownloads(const std::string& dir, std::size_t count, int looks)
{
    std::size_t moving = 0;
    for (int i = 0; i < looks && moving < count; ++i) {
        std::this_thread::sleep_for(50ms);
        moving = MovingDownloads(dir);
    }
    return moving;
}

// Sends SIGINT to `child` and waits for it, at most 10 s (then it is killed and false comes
// back); `status` is its wait status, `took` how long it took to end.
bool Interrupt(pid_t child, int& status, std::chrono::steady_clock::duration& took)
{
    ::kill(child, SIGINT);
    const auto interrupted = std::chrono::steady_clock::now();
    pid_t ended = 0;
    while ((ended = ::waitpid(child, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() - interrupted < 10s) {
        std::this_thread::sleep_for(10ms);
    }
    took = std::chrono::steady_clock::now() - interrupted;
    if (ended == 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
        return false;
    }
    return true;
}

} // namespace

TEST(CliInterrupt, SigintMidGetAbortsOnTheServerAndKeepsOnlyThePart)
{
    if (const std::string why = CVsftpdServer::SkipReason(); !why.empty()) {
        GTEST_SKIP() << why;
    }
    // 1 MiB a second: the 8 MiB file is still moving when the signal comes.
    CVsftpdServer server(CRealFtpServer::Options{.maxRate = 1024 * 1024});
    ASSERT_TRUE(server.Start()) << server.Error();
    server.PutFile("big.bin", RandomBytes(8 * 1024 * 1024, 7));
    CTempDir local;

    const std::string url = "ftp://" + server.User() + "@" + server.Host() + ":" +
                            std::to_string(server.Port()) + "/";
    const pid_t child = StartCli(server, local, {"--passive", "--quiet", url, "get", "big.bin", local.Path()});
    ASSERT_GE(child, 0);
    EXPECT_EQ(WaitForMovingDownloads(local.Path(), 1, 100), 1U) << "the download started";
    int status = 0;
    std::chrono::steady_clock::duration took{};
    ASSERT_TRUE(Interrupt(child, status, took)) << "tarnwick-cli did not end within 10 s of SIGINT";
    EXPECT_LT(took, 2s);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_EQ(Names(local.Path()), std::vector<std::string>{"big.bin.part"})
        << "no target and no temporary file; what arrived is kept to go on from";
    EXPECT_FALSE(std::filesystem::exists(local.File("no-config"))) << "no settings file made";
    EXPECT_NE(server.Log().find("\"ABOR\""), std::string::npos) << server.Log();
}

namespace {

// Runs tarnwick-cli with `args` (the password from the environment); its exit status, and
// its standard error in `err`.
int RunCli(const std::vector<std::string>& args, const std::string& password, std::string& err)
{
    return RunProgramWithStandardError(TARNWICK_CLI_PATH, args, false, err,
                                       {{"TARNWICK_PASSWORD", password}});
}

} // namespace

TEST(CliTls, AnUntrustedCertificateEndsTheRunShowingItsFingerprint)
{
    if (const std::string why = CVsftpdServer::SkipReason(); !why.empty()) {
        GTEST_SKIP() << why;
    }
    CVsftpdServer server(CRealFtpServer::Options{.tls = true});
    ASSERT_TRUE(server.Start()) << server.Error();
    server.PutFile("a.txt", "hello\n");
    CTempDir local;
    const std::string url =
        "ftp://" + server.User() + "@" + server.Host() + ":" + std::to_string(server.Port()) + "/";
    const std::string fingerprint = server.Certificate().sha256;
    std::string err;
    EXPECT_EQ(RunCli({"--quiet", "--tls", url, "get", "a.txt", local.Path()}, server.Password(), err),
              2);
    EXPECT_NE(err.find(fingerprint), std::string::npos) << err;
    EXPECT_EQ(server.Log().find("\"USER"), std::string::npos) << "nothing sent after the check";

    for (const std::vector<std::string>& trust :
         {std::vector<std::string>{"--fingerprint", fingerprint},
          std::vector<std::string>{"--cacert", server.CertificateFile()}}) {
        std::vector<std::string> args{"--quiet", "--passive", "--tls"};
        args.insert(args.end(), trust.begin(), trust.end());
        args.insert(args.end(), {url, "get", "a.txt", local.Path()});
        EXPECT_EQ(RunCli(args, server.Password(), err), 0) << err;
        EXPECT_EQ(ReadWholeFile(local.File("a.txt")), "hello\n");
        std::filesystem::remove(local.File("a.txt"));
    }
}

TEST(CliTrees, GetGoesOnFromThePartAndTreesGoBothWays)
{
    if (const std::string why = CVsftpdServer::SkipReason(); !why.empty()) {
        GTEST_SKIP() << why;
    }
    CVsftpdServer server;
    ASSERT_TRUE(server.Start()) << server.Error();
    const std::string bytes = RandomBytes(300 * 1024, 11);
    server.PutFile("big.bin", bytes);
    CTempDir local;
    // What a cut download left: the first third.
    WriteWholeFile(local.File("big.bin.part"), bytes.substr(0, 100 * 1024));
    std::filesystem::create_directories(local.File("tree/a/b"));
    WriteWholeFile(local.File("tree/a/b/deep.txt"), "deep\n");
    WriteWholeFile(local.File("tree/top.bin"), bytes.substr(0, 5000));
    const std::string url =
        "ftp://" + server.User() + "@" + server.Host() + ":" + std::to_string(server.Port()) + "/";
    std::string err;
    EXPECT_EQ(RunCli({"--quiet", "--passive", url, "get", "-c", "big.bin", local.Path(), ";", "put",
                      "-r", local.File("tree"), "up", ";", "get", "-r", "up", local.File("back")},
                     server.Password(), err),
              0)
        << err;
    EXPECT_TRUE(ReadWholeFile(local.File("big.bin")) == bytes) << "the whole file, once";
    EXPECT_FALSE(std::filesystem::exists(local.File("big.bin.part")));
    EXPECT_NE(server.Log().find("\"REST 102400\""), std::string::npos) << server.Log();
    EXPECT_EQ(ReadWholeFile(server.PathOf("up/a/b/deep.txt")), "deep\n");
    EXPECT_EQ(ReadWholeFile(local.File("back/a/b/deep.txt")), "deep\n");
    EXPECT_TRUE(ReadWholeFile(local.File("back/top.bin")) == bytes.substr(0, 5000));
}

namespace {

// Every file below `root`, by its path under it, with its bytes.
std::map<std::string, std::string> TreeOf(const std::string& root)
{
    std::map<std::string, std::string> files;
    for (const auto& item : std::filesystem::recursive_directory_iterator(root)) {
        if (item.is_regular_file()) {
            files[item.path().lexically_relative(root).string()] =
                ReadWholeFile(item.path().string());
        }
    }
    return files;
}

std::size_t Count(const std::string& text, const std::string& what)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

} // namespace

// --parallel: a tree goes up and comes back on four connections, the same as on one, against
// vsftpd (plain, and over TLS with session reuse required) and pyftpdlib.
TEST(CliParallel, TreesMoveOnSeveralConnectionsUnchanged)
{
    const struct {
        const char* name;
        bool vsftpd;
        bool tls;
    } servers[] = {{"vsftpd", true, false}, {"vsftpd TLS", true, true}, {"pyftpdlib", false, false}};
    for (const auto& row : servers) {
        SCOPED_TRACE(row.name);
        const std::string why =
            row.vsftpd ? CVsftpdServer::SkipReason() : CPyftpdlibServer::SkipReason();
        if (!why.empty()) {
            continue;
        }
        CRealFtpServer::Options options;
        options.tls = row.tls;
        std::unique_ptr<CRealFtpServer> server;
        if (row.vsftpd) {
            server = std::make_unique<CVsftpdServer>(options);
        } else {
            server = std::make_unique<CPyftpdlibServer>(options);
        }
        ASSERT_TRUE(server->Start()) << server->Error();
        CTempDir local;
        for (int i = 0; i < 24; ++i) {
            const std::string folder = local.File("tree/d" + std::to_string(i % 4) + "/e");
            std::filesystem::create_directories(folder);
            WriteWholeFile(folder + "/f" + std::to_string(i) + ".bin",
                           RandomBytes(1000 + static_cast<std::size_t>(i) * 997, 100 + i));
        }
        const std::string url = "ftp://" + server->User() + "@" + server->Host() + ":" +
                                std::to_string(server->Port()) + "/";
        std::vector<std::string> args{"--quiet", "--passive", "--parallel", "4"};
        if (row.tls) {
            args.insert(args.end(), {"--tls", "--fingerprint", server->Certificate().sha256});
        }
        args.insert(args.end(), {url, "put", "-r", local.File("tree"), "up", ";", "get", "-r", "up",
                                 local.File("back")});
        std::string err;
        EXPECT_EQ(RunCli(args, server->Password(), err), 0) << err;
        EXPECT_EQ(TreeOf(local.File("back")), TreeOf(local.File("tree")));
        EXPECT_EQ(TreeOf(server->PathOf("up")), TreeOf(local.File("tree")));
        // The session's login and the queue's.
        const std::size_t logins =
            row.vsftpd ? Count(server->Log(), "\"PASS") : Count(server->Log(), "logged in");
        EXPECT_GE(logins, 3U) << server->Log();
    }
}

// Ctrl-C during a --parallel download stops every connection's transfer, each with its ABOR.
TEST(CliParallel, SigintAbortsTheTransferOnEveryConnection)
{
    if (const std::string why = CVsftpdServer::SkipReason(); !why.empty()) {
        GTEST_SKIP() << why;
    }
    CVsftpdServer server(CRealFtpServer::Options{.maxRate = 256 * 1024});
    ASSERT_TRUE(server.Start()) << server.Error();
    server.PutDir("tree");
    server.PutFile("tree/one.bin", RandomBytes(4 * 1024 * 1024, 1));
    server.PutFile("tree/two.bin", RandomBytes(4 * 1024 * 1024, 2));
    CTempDir local;
    const std::string url = "ftp://" + server.User() + "@" + server.Host() + ":" +
                            std::to_string(server.Port()) + "/";
    const pid_t child = StartCli(server, local,
                                 {"--passive", "--quiet", "--parallel", "2", url, "get", "-r",
                                  "tree", local.File("back")});
    ASSERT_GE(child, 0);
    EXPECT_EQ(WaitForMovingDownloads(local.File("back"), 2, 200), 2U) << "both files moving at once";
    int status = 0;
    std::chrono::steady_clock::duration took{};
    ASSERT_TRUE(Interrupt(child, status, took)) << "tarnwick-cli did not end within 10 s of SIGINT";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_EQ(Count(server.Log(), "\"ABOR\""), 2U) << server.Log();
    EXPECT_FALSE(std::filesystem::exists(local.File("back/one.bin")));
    EXPECT_FALSE(std::filesystem::exists(local.File("back/two.bin")));
}
