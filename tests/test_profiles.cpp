#include <gtest/gtest.h>

#include "settings/profiles.h"
#include "support/memorykeyring.h"
#include "support/tempdir.h"

using namespace tarnwick;
using tarnwick::testing::CMemoryKeyring;
using tarnwick::testing::CTempStore;

namespace {

ServerProfile Profile(const std::string& server, const std::string& password = "pw")
{
    return ServerProfile{server, "user", password, "/home/me", "/pub"};
}

// The slot's Pass%d as the file holds it.
std::string FilePassword(const std::string& name)
{
    ServerProfile loaded;
    return LoadProfile(name, loaded) ? loaded.password : "(no profile)";
}

// The password a front end gets for the profile `name`, file first, then the keyring.
std::string PasswordOf(const std::string& name, CPasswordStore& keyring)
{
    ServerProfile loaded;
    if (!LoadProfile(name, loaded)) {
        return "(no profile)";
    }
    (void)LoadProfilePassword(name, loaded, keyring);
    return loaded.password;
}

} // namespace

TEST(Profiles, FreshStoreHasTenFreeSlots)
{
    CTempStore store;
    for (int slot = 1; slot <= kProfileSlots; ++slot) {
        EXPECT_EQ(ReadProfileName(slot), "") << slot;
    }
    EXPECT_EQ(FindProfileSlot(""), 1);
    EXPECT_EQ(FindProfileSlot("work"), 0);
    ServerProfile profile = Profile("untouched");
    EXPECT_FALSE(LoadProfile("work", profile));
    EXPECT_EQ(profile.server, "untouched");
    EXPECT_FALSE(GetSavePassFlag());
}

TEST(Profiles, SaveFillsTheLowestFreeSlotAndNeverReplaces)
{
    CTempStore store;
    for (int i = 1; i <= 5; ++i) {
        ASSERT_EQ(SaveProfile("p" + std::to_string(i), Profile("host" + std::to_string(i))),
                  SaveProfileResult::Saved);
    }
    EXPECT_TRUE(DeleteProfile("p3"));
    EXPECT_EQ(ReadProfileName(3), "");
    EXPECT_FALSE(DeleteProfile("p3")); // no longer there
    ASSERT_EQ(SaveProfile("p1", Profile("second-p1")), SaveProfileResult::Saved);
    EXPECT_EQ(ReadProfileName(3), "p1"); // the freed slot, even for a name that exists
    ServerProfile loaded;
    ASSERT_TRUE(LoadProfile("p1", loaded));
    EXPECT_EQ(loaded.server, "host1"); // the lower slot wins
    EXPECT_EQ(loaded.remoteInitDir, "/pub");

    for (int i = 6; i <= 10; ++i) {
        ASSERT_EQ(SaveProfile("q" + std::to_string(i), Profile("h")), SaveProfileResult::Saved);
    }
    const std::string before = store.Text();
    EXPECT_EQ(SaveProfile("eleventh", Profile("h")), SaveProfileResult::NoFreeSlot);
    EXPECT_EQ(store.Text(), before);
}

TEST(Profiles, ANameIsMatchedExactly)
{
    CTempStore store;
    ASSERT_EQ(SaveProfile("Work", Profile("a")), SaveProfileResult::Saved);
    EXPECT_EQ(FindProfileSlot("work"), 0);
    EXPECT_EQ(FindProfileSlot("Work"), 1);
}

TEST(Profiles, UnreadableServerLoadsAsEmptyFields)
{
    CTempStore store;
    ASSERT_EQ(SaveProfile("long", Profile(std::string(100, 's'))), SaveProfileResult::Saved);
    ServerProfile loaded = Profile("stale");
    EXPECT_TRUE(LoadProfile("long", loaded));
    EXPECT_EQ(loaded.server, "");
    EXPECT_EQ(loaded.userName, "");
    EXPECT_EQ(loaded.password, "");
    EXPECT_EQ(loaded.localInitDir, "");
    EXPECT_EQ(loaded.remoteInitDir, "");
}

TEST(Profiles, SavePassFlag)
{
    CTempStore store;
    EXPECT_TRUE(SetSavePassFlag(true));
    EXPECT_TRUE(GetSavePassFlag());
    // In the product key itself, not in its Settings subkey.
    EXPECT_NE(store.Text().find("\\kestrum\\Tarnwick]\n\"SavePass\"=dword:00000001"),
              std::string::npos)
        << store.Text();
    EXPECT_TRUE(SetSavePassFlag(false));
    EXPECT_FALSE(GetSavePassFlag());
}

TEST(ProfilePasswords, APasswordInTheFileMovesWhenItsProfileIsSavedAgain)
{
    CTempStore store;
    CMemoryKeyring keyring;
    ASSERT_EQ(SaveProfile("work", Profile("w.example", "old")), SaveProfileResult::Saved);
    // Same name, another server: another account, whose password stays where it is.
    ASSERT_EQ(SaveProfile("work", Profile("other.example", "other")), SaveProfileResult::Saved);
    ASSERT_EQ(SaveProfile("home", Profile("w.example", "home")), SaveProfileResult::Saved);
    EXPECT_EQ(PasswordOf("work", keyring), "old") << "read from the file, keyring not asked";
    EXPECT_EQ(keyring.calls, 0);

    KeyringResult result;
    ASSERT_EQ(SaveProfile("work", Profile("w.example", "new"), keyring, result),
              SaveProfileResult::Saved);
    EXPECT_EQ(result.status, KeyringStatus::Ok);
    EXPECT_EQ(store.Text().find("\"old\""), std::string::npos) << store.Text();
    EXPECT_NE(store.Text().find("\"Pass2\"=\"other\""), std::string::npos) << store.Text();
    EXPECT_NE(store.Text().find("\"Pass3\"=\"home\""), std::string::npos) << store.Text();
    EXPECT_EQ(FilePassword("work"), "");
    EXPECT_EQ(PasswordOf("work", keyring), "new");
    EXPECT_EQ(keyring.items,
              (std::map<CMemoryKeyring::Key, std::string>{{{"work", "w.example", "user"}, "new"}}));
}

TEST(ProfilePasswords, TheKeyringIsLeftAloneWithoutAPasswordOrASlot)
{
    CTempStore store;
    CMemoryKeyring keyring;
    KeyringResult result;
    ASSERT_EQ(SaveProfile("nopass", Profile("h", ""), keyring, result), SaveProfileResult::Saved);
    EXPECT_EQ(PasswordOf("nopass", keyring), "");
    for (int i = 2; i <= kProfileSlots; ++i) {
        ASSERT_EQ(SaveProfile("p" + std::to_string(i), Profile("h")), SaveProfileResult::Saved);
    }
    EXPECT_EQ(SaveProfile("eleventh", Profile("h", "pw"), keyring, result),
              SaveProfileResult::NoFreeSlot);
    EXPECT_TRUE(keyring.items.empty());
    // Only the lookup of "nopass", whose file holds no password.
    EXPECT_EQ(keyring.calls, 1);

    // A profile whose server cannot be read is not looked up: nothing to log in to.
    ASSERT_TRUE(DeleteProfile("p2"));
    ASSERT_EQ(SaveProfile("long", Profile(std::string(100, 's'), "")), SaveProfileResult::Saved);
    ServerProfile loaded;
    ASSERT_TRUE(LoadProfile("long", loaded));
    EXPECT_EQ(LoadProfilePassword("long", loaded, keyring).status, KeyringStatus::NotFound);
    EXPECT_EQ(keyring.calls, 1);
}

TEST(ProfilePasswords, DeletingTheLastSlotOfAnAccountRemovesItsItem)
{
    CTempStore store;
    CMemoryKeyring keyring;
    KeyringResult result;
    ASSERT_EQ(SaveProfile("work", Profile("w.example", "pw"), keyring, result),
              SaveProfileResult::Saved);
    ASSERT_EQ(SaveProfile("work", Profile("w.example", "pw"), keyring, result),
              SaveProfileResult::Saved);
    EXPECT_TRUE(DeleteProfile("work", keyring, result));
    EXPECT_EQ(keyring.items.size(), 1u) << "slot 2 still uses it";
    EXPECT_EQ(PasswordOf("work", keyring), "pw");
    EXPECT_TRUE(DeleteProfile("work", keyring, result));
    EXPECT_TRUE(keyring.items.empty());
    EXPECT_FALSE(DeleteProfile("work", keyring, result));

    keyring.unusable = KeyringStatus::Locked;
    ASSERT_EQ(SaveProfile("home", Profile("h.example", "pw")), SaveProfileResult::Saved);
    EXPECT_TRUE(DeleteProfile("home", keyring, result)) << "the file's slot goes regardless";
    EXPECT_EQ(result.status, KeyringStatus::Locked);
    EXPECT_EQ(ReadProfileName(1), "");
}
