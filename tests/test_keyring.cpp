// Saved passwords in a real gnome-keyring-daemon on a private session bus, and the ways a
// keyring can be missing: no bus at all, a bus without the service, a locked keyring and one
// that does not answer. Both the store and tarnwick-cli --profile are driven.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>

#include "settings/profiles.h"
#include "settings/secretservice.h"
#include "support/keyringsession.h"
#include "support/runprogram.h"
#include "support/scriptedserver.h"
#include "support/tempdir.h"

using namespace tarnwick;
using namespace tarnwick::testing;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

const PasswordKey kWork{"work", "ftp.example.jp:2121", "anna"};

// A keyring that cannot be used answers in well under this, however it fails.
constexpr auto kPromptly = 2s;

class KeyringTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const std::string why = CKeyringSession::SkipReason(); !why.empty()) {
            GTEST_SKIP() << why;
        }
    }

    // Every call of `store` gives `expected`, each promptly.
    static void ExpectEveryCall(CPasswordStore& store, KeyringStatus expected)
    {
        std::string password = "untouched";
        const auto start = Clock::now();
        EXPECT_EQ(store.Probe().status, expected);
        EXPECT_EQ(store.Lookup(kWork, password).status, expected);
        EXPECT_EQ(store.Store(kWork, "pw").status, expected);
        EXPECT_EQ(store.Remove(kWork).status, expected);
        EXPECT_LT(Clock::now() - start, kPromptly);
        EXPECT_EQ(password, "untouched");
    }

    // A profile saved with the password "s3cret" through `store`: the file holds the password
    // exactly when the keyring could not take it, and the profile still reads it back.
    static void ExpectProfileFallback(CPasswordStore& store, KeyringStatus expected)
    {
        CTempStore settings;
        KeyringResult result;
        ASSERT_EQ(SaveProfile("work", ServerProfile{"h.example", "anna", "s3cret", "", ""}, store,
                              result),
                  SaveProfileResult::Saved);
        EXPECT_EQ(result.status, expected);
        EXPECT_NE(settings.Text().find("\"Pass1\"=\"s3cret\""), std::string::npos)
            << settings.Text();
        ServerProfile loaded;
        ASSERT_TRUE(LoadProfile("work", loaded));
        EXPECT_EQ(LoadProfilePassword("work", loaded, store).status, KeyringStatus::Ok);
        EXPECT_EQ(loaded.password, "s3cret");
    }

    CKeyringSession session;
};

} // namespace

TEST_F(KeyringTest, SavedPasswordsAreReadBackByTheirWholeKey)
{
    ASSERT_TRUE(session.StartBus() && session.StartKeyring()) << session.Error();
    CSecretServiceStore store;
    EXPECT_EQ(store.Probe().status, KeyringStatus::Ok);
    ASSERT_EQ(store.Store(kWork, "s3cret").status, KeyringStatus::Ok);
    const PasswordKey japanese{"仕事", "ftp.example.jp", "花子"};
    ASSERT_EQ(store.Store(japanese, "パス\x01word").status, KeyringStatus::Ok);

    struct Row {
        const char* name;
        PasswordKey key;
        KeyringStatus status;
        std::string password;
    } const rows[] = {
        {"saved", kWork, KeyringStatus::Ok, "s3cret"},
        {"japanese-names-and-password", japanese, KeyringStatus::Ok, "パス\x01word"},
        {"other-server", {"work", "evil.example", "anna"}, KeyringStatus::NotFound, ""},
        {"other-user", {"work", "ftp.example.jp:2121", "bob"}, KeyringStatus::NotFound, ""},
        {"other-profile", {"home", "ftp.example.jp:2121", "anna"}, KeyringStatus::NotFound, ""},
        {"not-utf8", {"work\xff", "ftp.example.jp:2121", "anna"}, KeyringStatus::NotFound, ""},
    };
    // A second store is a program started again: nothing is kept in memory.
    CSecretServiceStore restarted;
    for (const Row& row : rows) {
        std::string password;
        EXPECT_EQ(restarted.Lookup(row.key, password).status, row.status) << row.name;
        EXPECT_EQ(password, row.password) << row.name;
    }

    // Saving again replaces; removing leaves nothing.
    ASSERT_EQ(store.Store(kWork, "changed").status, KeyringStatus::Ok);
    std::string password;
    EXPECT_EQ(store.Lookup(kWork, password).status, KeyringStatus::Ok);
    EXPECT_EQ(password, "changed");
    EXPECT_EQ(store.Remove(kWork).status, KeyringStatus::Ok);
    EXPECT_EQ(store.Lookup(kWork, password).status, KeyringStatus::NotFound);
    EXPECT_EQ(store.Remove(kWork).status, KeyringStatus::Ok) << "nothing to remove";
}

TEST_F(KeyringTest, APasswordInTheFileMovesToTheKeyringWhenItsProfileIsSaved)
{
    ASSERT_TRUE(session.StartBus() && session.StartKeyring()) << session.Error();
    CTempStore settings;
    const ServerProfile profile{"h.example", "anna", "s3cret", "/local", "/remote"};
    // Saved before the keyring was used.
    ASSERT_EQ(SaveProfile("work", profile), SaveProfileResult::Saved);
    ASSERT_NE(settings.Text().find("s3cret"), std::string::npos);

    CSecretServiceStore store;
    KeyringResult result;
    ASSERT_EQ(SaveProfile("work", profile, store, result), SaveProfileResult::Saved);
    EXPECT_EQ(result.status, KeyringStatus::Ok);
    EXPECT_EQ(settings.Text().find("s3cret"), std::string::npos) << settings.Text();

    CSecretServiceStore restarted;
    ServerProfile loaded;
    ASSERT_TRUE(LoadProfile("work", loaded));
    EXPECT_EQ(loaded.password, "");
    EXPECT_EQ(LoadProfilePassword("work", loaded, restarted).status, KeyringStatus::Ok);
    EXPECT_EQ(loaded.password, "s3cret");

    // Deleting both slots of the account removes its item.
    EXPECT_TRUE(DeleteProfile("work", restarted, result));
    EXPECT_TRUE(DeleteProfile("work", restarted, result));
    EXPECT_EQ(result.status, KeyringStatus::Ok);
    std::string password;
    EXPECT_EQ(restarted.Lookup({"work", "h.example", "anna"}, password).status,
              KeyringStatus::NotFound);
}

TEST_F(KeyringTest, NoSessionBusAtAll)
{
    CTempDir runtime; // no "bus" socket in it
    CScopedEnv noAddress("DBUS_SESSION_BUS_ADDRESS", nullptr);
    CScopedEnv noUserBus("XDG_RUNTIME_DIR", runtime.Path());
    EXPECT_EQ(SessionBusAddress(), "");
    CSecretServiceStore store;
    ExpectEveryCall(store, KeyringStatus::NoBus);
    ExpectProfileFallback(store, KeyringStatus::NoBus);

    // An address that leads nowhere is no bus either.
    CScopedEnv dead("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + runtime.File("gone"));
    CSecretServiceStore deadStore;
    ExpectEveryCall(deadStore, KeyringStatus::NoBus);
}

TEST_F(KeyringTest, ABusWithoutTheSecretService)
{
    ASSERT_TRUE(session.StartBus()) << session.Error();
    CSecretServiceStore store;
    ExpectEveryCall(store, KeyringStatus::NoService);
    ExpectProfileFallback(store, KeyringStatus::NoService);
}

TEST_F(KeyringTest, ALockedKeyringIsNeverUnlockedAndTheFileIsKept)
{
    ASSERT_TRUE(session.StartBus() && session.StartKeyring()) << session.Error();
    CSecretServiceStore store;
    ASSERT_EQ(store.Store(kWork, "s3cret").status, KeyringStatus::Ok);
    ASSERT_TRUE(session.LockKeyring()) << session.Error();
    ExpectEveryCall(store, KeyringStatus::Locked);
    ExpectProfileFallback(store, KeyringStatus::Locked);
}

TEST_F(KeyringTest, AKeyringThatDoesNotAnswerCostsOneBoundedWait)
{
    ASSERT_TRUE(session.StartBus() && session.StartKeyring()) << session.Error();
    ASSERT_TRUE(session.PauseKeyring(true)) << session.Error();
    CSecretServiceStore store(300ms);
    int pumped = 0;
    store.SetPump([&pumped] { ++pumped; });
    const auto start = Clock::now();
    EXPECT_EQ(store.Probe().status, KeyringStatus::TimedOut);
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, 300ms);
    EXPECT_LT(waited, 1500ms);
    EXPECT_GE(pumped, 3) << "the caller's pump ran while it waited";
    // The same store does not wait again.
    ExpectEveryCall(store, KeyringStatus::TimedOut);
    EXPECT_TRUE(session.PauseKeyring(false)) << session.Error();
}

namespace {

// tarnwick-cli --profile work pwd against a scripted server that expects `password`.
class KeyringCliTest : public KeyringTest {
protected:
    // Saves "work" for the server through `keyring`; the exit status of the run.
    int RunProfile(CPasswordStore& keyring, const std::string& password, std::string& err)
    {
        CScriptedFtpServer server([password](CScriptSession& s) {
            s.Send("220 Ready\r\n");
            s.ExpectReply("AUTH TLS", "500 Unknown command\r\n");
            s.ExpectReply("USER anna", "331 Password please\r\n");
            s.ExpectReply("PASS " + password, "230 Welcome\r\n");
            s.ExpectReply("FEAT", "502 Not implemented\r\n");
            s.ExpectReply("PWD", "257 \"/\"\r\n");
            s.ExpectReply("QUIT", "221 Bye\r\n");
        });
        KeyringResult result;
        const ServerProfile profile{"127.0.0.1:" + std::to_string(server.Port()), "anna", "s3cret",
                                    "", ""};
        EXPECT_EQ(SaveProfile("work", profile, keyring, result), SaveProfileResult::Saved);
        const int status = RunProgram(TARNWICK_CLI_PATH, {"--profile", "work", "pwd"}, err);
        for (const std::string& failure : server.Finish()) {
            ADD_FAILURE() << failure;
        }
        return status;
    }

    CTempStore settings;
    CScopedEnv noEnvPassword{"TARNWICK_PASSWORD", nullptr};
};

} // namespace

TEST_F(KeyringCliTest, ProfileReadsItsPasswordFromTheKeyring)
{
    ASSERT_TRUE(session.StartBus() && session.StartKeyring()) << session.Error();
    CSecretServiceStore keyring;
    std::string err;
    EXPECT_EQ(RunProfile(keyring, "s3cret", err), 0) << err;
    EXPECT_EQ(settings.Text().find("s3cret"), std::string::npos) << "in the keyring only";
}

TEST_F(KeyringCliTest, ProfileWorksWithoutABusAndWithoutTheService)
{
    {
        // The profile's password went into the file: a session without a keyring is enough.
        CTempDir runtime;
        CScopedEnv noAddress("DBUS_SESSION_BUS_ADDRESS", nullptr);
        CScopedEnv noUserBus("XDG_RUNTIME_DIR", runtime.Path());
        CSecretServiceStore keyring;
        std::string err;
        EXPECT_EQ(RunProfile(keyring, "s3cret", err), 0) << err;
    }
    ASSERT_TRUE(session.StartBus()) << session.Error();
    CTempStore freshSettings;
    CSecretServiceStore keyring;
    std::string err;
    EXPECT_EQ(RunProfile(keyring, "s3cret", err), 0) << err;
}

TEST_F(KeyringCliTest, APasswordItCannotReadIsSaidAndNotWaitedFor)
{
    ASSERT_TRUE(session.StartBus() && session.StartKeyring()) << session.Error();
    CSecretServiceStore keyring;
    KeyringResult result;
    ASSERT_EQ(SaveProfile("work", ServerProfile{"127.0.0.1:1", "anna", "s3cret", "", ""}, keyring,
                          result),
              SaveProfileResult::Saved);
    ASSERT_TRUE(session.LockKeyring()) << session.Error();
    std::string err;
    const auto start = Clock::now();
    EXPECT_EQ(RunProgram(TARNWICK_CLI_PATH, {"--profile", "work", "pwd"}, err), 1);
    EXPECT_LT(Clock::now() - start, kPromptly);
    EXPECT_NE(err.find("tarnwick-cli: the password of profile 'work' cannot be read from the "
                       "keyring: the keyring is locked\n"),
              std::string::npos)
        << err;
}
