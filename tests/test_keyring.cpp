// Saved passwords in a real gnome-keyring-daemon on a private session bus, and the ways a
// keyring can be missing: no bus at all, a bus without the service, a locked keyring and one
// that does not answer. Both the store and tarnwick-cli --profile are driven.
#include <gtest/gtest.h>

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

enum class Keyring { NoBus, BusOnly, Keyring, LockedKeyring };

class KeyringTest : public ::testing::TestWithParam<Keyring> {
protected:
    void SetUp() override
    {
        if (const std::string why = CKeyringSession::SkipReason(); !why.empty()) {
            GTEST_SKIP() << why;
        }
    }

    // The session `setup` asks for; with a keyring, kWork saved as "s3cret" first.
    void Start(Keyring setup)
    {
        if (setup == Keyring::NoBus) {
            noAddress = std::make_unique<CScopedEnv>("DBUS_SESSION_BUS_ADDRESS", nullptr);
            noUserBus = std::make_unique<CScopedEnv>("XDG_RUNTIME_DIR", runtime.Path());
            return;
        }
        ASSERT_TRUE(session.StartBus()) << session.Error();
        if (setup != Keyring::BusOnly) {
            ASSERT_TRUE(session.StartKeyring()) << session.Error();
            ASSERT_EQ(CSecretServiceStore().Store(kWork, "s3cret").status, KeyringStatus::Ok);
        }
        if (setup == Keyring::LockedKeyring) {
            ASSERT_TRUE(session.LockKeyring()) << session.Error();
        }
    }

    // Every call of `store` answers `expected`, promptly, and leaves the password alone.
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

    CTempDir runtime; // no bus socket in it
    std::unique_ptr<CScopedEnv> noAddress;
    std::unique_ptr<CScopedEnv> noUserBus;
    CKeyringSession session;
    CTempStore settings;
};

} // namespace

TEST_F(KeyringTest, SavedPasswordsAreReadBackByTheirWholeKeyOnly)
{
    Start(Keyring::Keyring);
    CSecretServiceStore store;
    EXPECT_EQ(store.Probe().status, KeyringStatus::Ok);
    const PasswordKey japanese{"仕事", "ftp.example.jp", "花子"};
    ASSERT_EQ(store.Store(japanese, "パス\x01word").status, KeyringStatus::Ok);
    const struct {
        const char* name;
        PasswordKey key;
        KeyringStatus status;
        std::string password;
    } rows[] = {
        {"saved", kWork, KeyringStatus::Ok, "s3cret"},
        {"japanese", japanese, KeyringStatus::Ok, "パス\x01word"},
        {"other-server", {"work", "evil.example", "anna"}, KeyringStatus::NotFound, ""},
        {"other-user", {"work", "ftp.example.jp:2121", "bob"}, KeyringStatus::NotFound, ""},
        {"other-profile", {"home", "ftp.example.jp:2121", "anna"}, KeyringStatus::NotFound, ""},
        {"not-utf8", {"work\xff", "ftp.example.jp:2121", "anna"}, KeyringStatus::NotFound, ""},
    };
    CSecretServiceStore restarted; // nothing is kept in memory between programs
    for (const auto& row : rows) {
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
}

TEST_F(KeyringTest, APasswordInTheFileMovesToTheKeyringWhenItsProfileIsSaved)
{
    Start(Keyring::Keyring);
    const ServerProfile profile{"h.example", "anna", "moving", "/local", "/remote"};
    ASSERT_EQ(SaveProfile("work", profile), SaveProfileResult::Saved); // before the keyring
    CSecretServiceStore store;
    KeyringResult result;
    ASSERT_EQ(SaveProfile("work", profile, store, result), SaveProfileResult::Saved);
    EXPECT_EQ(result.status, KeyringStatus::Ok);
    EXPECT_EQ(settings.Text().find("moving"), std::string::npos) << settings.Text();
    ServerProfile loaded;
    ASSERT_TRUE(LoadProfile("work", loaded));
    CSecretServiceStore restarted;
    EXPECT_EQ(LoadProfilePassword("work", loaded, restarted).status, KeyringStatus::Ok);
    EXPECT_EQ(loaded.password, "moving");
}

// Without a usable keyring every call answers why at once, a profile's password stays in the
// file and is read from there.
TEST_P(KeyringTest, AnUnusableKeyringIsSaidPromptlyAndTheFileIsKept)
{
    Start(GetParam());
    const KeyringStatus expected = GetParam() == Keyring::NoBus     ? KeyringStatus::NoBus
                                   : GetParam() == Keyring::BusOnly ? KeyringStatus::NoService
                                                                    : KeyringStatus::Locked;
    CSecretServiceStore store;
    ExpectEveryCall(store, expected);
    KeyringResult result;
    ASSERT_EQ(
        SaveProfile("work", ServerProfile{"h.example", "anna", "in-file", "", ""}, store, result),
        SaveProfileResult::Saved);
    EXPECT_EQ(result.status, expected);
    EXPECT_NE(settings.Text().find("\"Pass1\"=\"in-file\""), std::string::npos);
    ServerProfile loaded;
    ASSERT_TRUE(LoadProfile("work", loaded));
    EXPECT_EQ(LoadProfilePassword("work", loaded, store).status, KeyringStatus::Ok);
    EXPECT_EQ(loaded.password, "in-file");
}

std::string KeyringName(const ::testing::TestParamInfo<Keyring>& info)
{
    const char* const names[] = {"NoBus", "BusOnly", "Keyring", "Locked"};
    return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Unusable, KeyringTest,
                         ::testing::Values(Keyring::NoBus, Keyring::BusOnly, Keyring::LockedKeyring),
                         KeyringName);

TEST_F(KeyringTest, ABusAddressThatLeadsNowhereIsNoBus)
{
    CScopedEnv dead("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + runtime.File("gone"));
    CSecretServiceStore store;
    ExpectEveryCall(store, KeyringStatus::NoBus);
}

TEST_F(KeyringTest, AKeyringThatDoesNotAnswerCostsOneBoundedWait)
{
    Start(Keyring::Keyring);
    ASSERT_TRUE(session.PauseKeyring(true)) << session.Error();
    CSecretServiceStore store(300ms);
    int pumped = 0;
    store.SetPump([&pumped] { ++pumped; });
    const auto start = Clock::now();
    EXPECT_EQ(store.Probe().status, KeyringStatus::TimedOut);
    EXPECT_GE(Clock::now() - start, 300ms);
    EXPECT_LT(Clock::now() - start, 1500ms);
    EXPECT_GE(pumped, 3) << "the caller's pump ran while it waited";
    ExpectEveryCall(store, KeyringStatus::TimedOut); // the same store does not wait again
}

// tarnwick-cli --profile work pwd, the profile saved through the keyring where one is usable:
// the password reaches the server whichever way it was kept.
TEST_F(KeyringTest, TheCommandLineReadsTheProfilesPasswordWithOrWithoutAKeyring)
{
    for (const Keyring setup : {Keyring::Keyring, Keyring::BusOnly, Keyring::NoBus}) {
        SCOPED_TRACE(static_cast<int>(setup));
        CKeyringSession own;
        CTempStore fresh;
        CScopedEnv noEnvPassword("TARNWICK_PASSWORD", nullptr);
        if (setup == Keyring::NoBus) {
            Start(setup);
        } else {
            ASSERT_TRUE(own.StartBus() && (setup != Keyring::Keyring || own.StartKeyring()))
                << own.Error();
        }
        CScriptedFtpServer server([](CScriptSession& s) {
            s.Send("220 Ready\r\n");
            s.ExpectReply("AUTH TLS", "500 Unknown command\r\n");
            s.ExpectReply("USER anna", "331 Password please\r\n");
            s.ExpectReply("PASS s3cret", "230 Welcome\r\n");
            s.ExpectReply("FEAT", "502 Not implemented\r\n");
            s.ExpectReply("PWD", "257 \"/\"\r\n");
            s.ExpectReply("QUIT", "221 Bye\r\n");
        });
        CSecretServiceStore keyring;
        KeyringResult result;
        ASSERT_EQ(
            SaveProfile("work",
                        {"127.0.0.1:" + std::to_string(server.Port()), "anna", "s3cret", "", ""},
                        keyring, result),
            SaveProfileResult::Saved);
        EXPECT_EQ(fresh.Text().find("s3cret") == std::string::npos, setup == Keyring::Keyring);
        std::string err;
        EXPECT_EQ(RunProgram(TARNWICK_CLI_PATH, {"--profile", "work", "pwd"}, err), 0) << err;
        for (const std::string& failure : server.Finish()) {
            ADD_FAILURE() << failure;
        }
    }
}

TEST_F(KeyringTest, APasswordTheCommandLineCannotReadIsSaid)
{
    Start(Keyring::Keyring);
    KeyringResult result;
    CSecretServiceStore keyring;
    ASSERT_EQ(SaveProfile("work", {"127.0.0.1:1", "anna", "s3cret", "", ""}, keyring, result),
              SaveProfileResult::Saved);
    ASSERT_TRUE(session.LockKeyring()) << session.Error();
    CScopedEnv noEnvPassword("TARNWICK_PASSWORD", nullptr);
    std::string err;
    const auto start = Clock::now();
    EXPECT_EQ(RunProgram(TARNWICK_CLI_PATH, {"--profile", "work", "pwd"}, err), 1);
    EXPECT_LT(Clock::now() - start, kPromptly);
    EXPECT_NE(err.find("tarnwick-cli: the password of profile 'work' cannot be read from the "
                       "keyring: the keyring is locked\n"),
              std::string::npos)
        << err;
}
