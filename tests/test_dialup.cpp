#include <gtest/gtest.h>

#include <sys/stat.h>

#include "dialup/dialupmanager.h"
#include "dialup/nmclibackend.h"
#include "settings/settings.h"
#include "support/fakedialup.h"
#include "support/tempdir.h"

using namespace tarnwick;
using namespace tarnwick::testing;

namespace {

struct DialFixture {
    CTempStore store;
    CFakeDialUpBackend backend;
    CRecordingDialUpUi ui;
    CFakeClock clock;
    CDialUpManager manager{backend, ui, clock};
};

} // namespace

TEST(DialUp, MissingEntryNameFailsBeforeDialling)
{
    DialFixture f;
    f.backend.entries = {"Office"};
    EXPECT_FALSE(f.manager.DialUp(GetSettingText("AutoDialUpName")));
    EXPECT_EQ(
        f.ui.events,
        std::vector<std::string>{
            "message:接続に失敗しました\n保存された接続が見つかりません (nmcli connection show)"});
    EXPECT_TRUE(f.backend.dialed.empty());

    SetSettingText("AutoDialUpName", "Home"); // not a saved entry
    f.ui.events.clear();
    EXPECT_FALSE(f.manager.DialUp(GetSettingText("AutoDialUpName")));
    EXPECT_EQ(
        f.ui.events,
        std::vector<std::string>{
            "message:接続に失敗しました\n保存された接続が見つかりません (nmcli connection show)"});
}

TEST(DialUp, WaitTextShowsTheFirstTenCharactersAndConnects)
{
    DialFixture f;
    const std::string name = "ABCDEFGHIJKLMNO"; // 15 characters
    f.backend.entries = {name};
    SetSettingText("AutoDialUpName", name);
    // Connected at the status query made 20 seconds in.
    f.backend.stateFor = [](int query) {
        return query > 100 ? DialState::Connected : DialState::Connecting;
    };
    EXPECT_TRUE(f.manager.DialUp(GetSettingText("AutoDialUpName")));
    ASSERT_FALSE(f.ui.events.empty());
    EXPECT_EQ(f.ui.events.front(), "wait:ABCDEFGHIJ..に接続中です\nしばらくお待ちください...");
    EXPECT_EQ(f.ui.events.back(), "hide");
    EXPECT_EQ(f.backend.dialed, std::vector<std::string>{name});
    EXPECT_EQ(f.clock.sleeps, 100); // polled every 200 ms, never spinning
    EXPECT_EQ(f.manager.GetHandle().entry, name);
}

TEST(DialUp, JapaneseNameIsCutByCharacters)
{
    DialFixture f;
    const std::string name = "ダイアルアップ会社の回線です";
    f.backend.entries = {name};
    SetSettingText("AutoDialUpName", name);
    f.backend.stateFor = [](int) { return DialState::Connected; };
    EXPECT_TRUE(f.manager.DialUp(GetSettingText("AutoDialUpName")));
    EXPECT_EQ(f.ui.events.front(), "wait:ダイアルアップ会社の..に接続中です\nしばらくお待ちください...");
}

TEST(DialUp, NeverConnectingTimesOutAtNinetySeconds)
{
    DialFixture f;
    f.backend.entries = {"Office"};
    SetSettingText("AutoDialUpName", "Office");
    const std::int64_t start = f.clock.now;
    EXPECT_FALSE(f.manager.DialUp(GetSettingText("AutoDialUpName")));
    EXPECT_EQ(f.clock.now - start, 90000);
    EXPECT_EQ(f.ui.events.back(), "message:接続タイムアウトです");
    EXPECT_TRUE(f.backend.hungUp.empty()); // no failure hangs up
}

TEST(DialUp, AcceptedResultsAndFailedStatusQueries)
{
    {
        DialFixture f;
        f.backend.entries = {"Office"};
        SetSettingText("AutoDialUpName", "Office");
        f.backend.statusWorks = false; // the state cannot be learnt: go on
        EXPECT_TRUE(f.manager.DialUp(GetSettingText("AutoDialUpName")));
    }
    {
        DialFixture f;
        f.backend.entries = {"Office"};
        SetSettingText("AutoDialUpName", "Office");
        f.backend.dialResult = kDialPortAlreadyOpen;
        f.backend.stateFor = [](int) { return DialState::Connected; };
        EXPECT_TRUE(f.manager.DialUp(GetSettingText("AutoDialUpName")));
    }
    {
        DialFixture f;
        f.backend.entries = {"Office"};
        SetSettingText("AutoDialUpName", "Office");
        f.backend.dialResult = kDialFailed;
        EXPECT_FALSE(f.manager.DialUp(GetSettingText("AutoDialUpName")));
        EXPECT_EQ(f.ui.events.back(),
                  "message:接続に失敗しました\n接続を開始できません (nmcli connection up)");
        EXPECT_EQ(f.backend.statusQueries, 0);
    }
}

TEST(HangUp, WithoutAConnectionItShowsItsTextAndEnds)
{
    DialFixture f;
    f.manager.HangUp();
    EXPECT_EQ(f.ui.events,
              (std::vector<std::string>{"wait:切断処理中です。\nしばらくお待ちください...", "hide"}));
    EXPECT_EQ(f.clock.sleeps, 0);
}

TEST(HangUp, WaitsForTheDisconnectionAtMostThirtySeconds)
{
    DialFixture f;
    f.backend.entries = {"Office"};
    SetSettingText("AutoDialUpName", "Office");
    f.backend.stateFor = [](int query) { return query == 1 ? DialState::Connected : DialState::Connecting; };
    ASSERT_TRUE(f.manager.DialUp(GetSettingText("AutoDialUpName")));
    const std::int64_t start = f.clock.now;
    f.manager.HangUp(); // never reaches the disconnected state
    EXPECT_EQ(f.clock.now - start, 30000);
    EXPECT_EQ(f.backend.hungUp, std::vector<std::string>{"Office"});

    f.backend.stateFor = [](int) { return DialState::Disconnected; };
    const std::int64_t again = f.clock.now;
    f.manager.HangUp();
    EXPECT_EQ(f.clock.now, again);
}

namespace {

// A stand-in for nmcli: a shell script that answers from files in its folder.
class CFakeNmcli {
public:
    CFakeNmcli()
    {
        WriteWholeFile(m_dir.File("nmcli"),
                       "#!/bin/sh\n"
                       "d=$(dirname \"$0\")\n"
                       "echo \"$@\" >> \"$d/calls\"\n"
                       "case \"$*\" in\n"
                       "  '-t -f NAME connection show') cat \"$d/names\" ;;\n"
                       "  '-t -f NAME,STATE connection show --active') cat \"$d/active\" ;;\n"
                       "  'connection up id '*) echo 'Office:activating' > \"$d/active\"; sleep 0.2;\n"
                       "    echo 'Office:activated' > \"$d/active\" ;;\n"
                       "  'connection down id '*) : > \"$d/active\" ;;\n"
                       "esac\n");
        ::chmod(m_dir.File("nmcli").c_str(), 0755);
        WriteWholeFile(m_dir.File("names"), "Office\nHome\\: 2nd\n");
        WriteWholeFile(m_dir.File("active"), "Wired\\: eth0:activated\n");
    }
    [[nodiscard]] std::string Program() const { return m_dir.File("nmcli"); }
    [[nodiscard]] std::string Calls() const { return ReadWholeFile(m_dir.File("calls")); }

private:
    CTempDir m_dir;
};

} // namespace

TEST(NmcliBackend, ListsDialsAndHangsUpThroughNmcli)
{
    CFakeNmcli nmcli;
    CNmcliBackend backend(nmcli.Program());
    std::vector<std::string> names;
    ASSERT_TRUE(backend.ListEntries(names));
    EXPECT_EQ(names, (std::vector<std::string>{"Office", "Home: 2nd"}));
    EXPECT_EQ(backend.GetEntryDialParams("Home: 2nd"), kDialOk);
    EXPECT_NE(backend.GetEntryDialParams("Elsewhere"), kDialOk);

    CTempStore store;
    SetSettingText("AutoDialUpName", "Office");
    CRecordingDialUpUi ui;
    CSteadyClock clock;
    CDialUpManager manager(backend, ui, clock);
    EXPECT_TRUE(manager.DialUp(GetSettingText("AutoDialUpName")));
    DialHandle handle = manager.GetHandle();
    DialState state = DialState::Disconnected;
    ASSERT_EQ(backend.GetConnectStatus(handle, state), 0);
    EXPECT_EQ(state, DialState::Connected);
    EXPECT_EQ(backend.Dial("Office", handle), kDialPortAlreadyOpen); // already up

    manager.HangUp();
    ASSERT_EQ(backend.GetConnectStatus(handle, state), 0);
    EXPECT_EQ(state, DialState::Disconnected);
    EXPECT_NE(nmcli.Calls().find("connection up id Office\n"), std::string::npos);
    EXPECT_NE(nmcli.Calls().find("connection down id Office\n"), std::string::npos);
}

TEST(NmcliBackend, TerseFieldsHonourTheirEscapes)
{
    const struct {
        const char* name;
        const char* line;
        std::vector<std::string> fields;
    } rows[] = {
        {"plain", "Office:activated", {"Office", "activated"}},
        {"escaped-colon", "Home\\: 2nd:activating", {"Home: 2nd", "activating"}},
        {"name-ending-in-backslash", "Lab\\\\:activated", {"Lab\\", "activated"}},
        {"backslash-then-colon", "a\\\\\\::x", {"a\\:", "x"}},
        {"empty-state", "Office:", {"Office", ""}},
        {"lone-trailing-backslash", "odd\\", {"odd\\"}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(CNmcliBackend::SplitTerse(row.line), row.fields) << row.name;
    }
}

TEST(NmcliBackend, MissingNmcliFailsToListAndToDial)
{
    CNmcliBackend backend("/nonexistent/nmcli");
    std::vector<std::string> names;
    EXPECT_FALSE(backend.ListEntries(names));
    EXPECT_NE(backend.GetEntryDialParams("Office"), kDialOk);
}
