#include <gtest/gtest.h>

#include "settings/profiles.h"
#include "support/tempdir.h"

using namespace tarnwick;
using tarnwick::testing::CTempStore;

namespace {

ServerProfile Profile(const std::string& server, const std::string& password = "pw")
{
    return ServerProfile{server, "user", password, "/home/me", "/pub"};
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
