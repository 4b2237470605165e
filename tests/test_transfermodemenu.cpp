// The transfer-mode menu: ticks, the stored mode and the engine's type command, through the
// menu items, the options sheet and a restart.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>

#include <memory>

#include "app/window/commandids.h"
#include "app/window/maindlg.h"
#include "session/session.h"
#include "settings/settings.h"
#include "support/fakedialup.h"
#include "support/gui/scripteddialogrunner.h"
#include "support/gui/scriptedprompt.h"
#include "support/tempdir.h"

using namespace tarnwick;
using namespace tarnwick::testing;

namespace {

class TransferModeMenuTest : public ::testing::Test {
protected:
    void SetUp() override { Open(); }
    void Open()
    {
        dlg = std::make_unique<CMainDlg>(prompt, runner);
        dlg->SetDialUpBackend(std::make_unique<CFakeDialUpBackend>());
    }
    void Choose(const char* action)
    {
        QAction* item = dlg->findChild<QAction*>(action);
        ASSERT_NE(item, nullptr) << action;
        item->trigger();
    }
    // "auto", "text" or "binary" for the one ticked item, and the engine's type command.
    std::string State() const
    {
        std::string ticked;
        const struct {
            int id;
            const char* name;
        } items[] = {{ID_MODE_AUTO, "auto"}, {ID_MODE_TEXT, "text"}, {ID_MODE_BINARY, "binary"}};
        for (const auto& item : items) {
            if (dlg->IsEditMenuItemChecked(item.id)) {
                ticked += ticked.empty() ? item.name : std::string("+") + item.name;
            }
        }
        return ticked + " " + dlg->m_engine.GetTypeCommand();
    }
    // Confirms the options sheet with the automatic box set to `autoMode` and the list as
    // `list`.
    void ConfirmOptions(bool autoMode, const QString& list = "txt")
    {
        runner.answers = {[autoMode, list](QDialog& sheet) {
            sheet.findChild<QCheckBox*>("autoModeCheck")->setChecked(autoMode);
            sheet.findChild<QLineEdit*>("extensionListEdit")->setText(list);
            return static_cast<int>(QDialog::Accepted);
        }};
        Choose("settingsAction");
    }

    CTempStore store;
    CScriptedPrompt prompt;
    CScriptedDialogRunner runner;
    std::unique_ptr<CMainDlg> dlg;
};

} // namespace

TEST_F(TransferModeMenuTest, EachItemTicksItselfStoresTheModeAndSetsTheType)
{
    SetSettingText("AutoTransferModeList", "txt");
    EXPECT_EQ(State(), "binary TYPE I") << "a fresh store";

    Choose("modeTextAction");
    EXPECT_EQ(State(), "text TYPE A");
    EXPECT_EQ(GetSettingInt("AutoTransferMode", 9), 0u);
    EXPECT_EQ(GetSettingInt("TransferModeChoice", 9), 1u);

    // Auto keeps the type the engine holds; the next file sets it.
    Choose("modeAutoAction");
    EXPECT_EQ(State(), "auto TYPE A");
    EXPECT_EQ(GetSettingInt("AutoTransferMode", 9), 1u);
    EXPECT_EQ(GetSettingInt("TransferModeChoice", 9), 0u);

    Choose("modeBinaryAction");
    EXPECT_EQ(State(), "binary TYPE I");
    EXPECT_EQ(GetSettingInt("AutoTransferMode", 9), 0u);
    EXPECT_EQ(GetSettingInt("TransferModeChoice", 9), 2u);
    EXPECT_TRUE(prompt.asked.isEmpty());
}

TEST_F(TransferModeMenuTest, AutoWithAStoredEmptyListSaysSoAndChangesNothing)
{
    SetSettingText("AutoTransferModeList", "");
    Choose("modeBinaryAction");
    Choose("modeAutoAction");
    EXPECT_EQ(prompt.messages, QStringList({"判別のための拡張子が\n未設定です"}));
    EXPECT_EQ(State(), "binary TYPE I");
    EXPECT_EQ(GetSettingInt("AutoTransferMode", 9), 0u);
}

TEST_F(TransferModeMenuTest, OnAFreshStoreAutoUsesTheListTheOptionsPageShows)
{
    Choose("modeAutoAction");
    EXPECT_TRUE(prompt.asked.isEmpty());
    EXPECT_EQ(State(), "auto TYPE I");
    // Each file by its ending, as "txt html htm cgi pl" says; nothing was written.
    const struct {
        const char* name;
        TransferType type;
    } files[] = {{"a.txt", TransferType::Text},   {"index.html", TransferType::Text},
                 {"run.cgi", TransferType::Text}, {"a.jpg", TransferType::Binary},
                 {"perl", TransferType::Binary},  {"README.TXT", TransferType::Binary}};
    for (const auto& file : files) {
        EXPECT_EQ(dlg->Session().Runner().ChooseType(file.name), file.type) << file.name;
    }
    EXPECT_EQ(GetSettingText("AutoTransferModeList"), "");
    // A list stored later is the one used.
    SetSettingText("AutoTransferModeList", "jpg");
    EXPECT_EQ(dlg->Session().Runner().ChooseType("a.txt"), TransferType::Binary);
    EXPECT_EQ(dlg->Session().Runner().ChooseType("a.jpg"), TransferType::Text);
}

TEST_F(TransferModeMenuTest, ConfirmedOptionsKeepTheModeUnlessTheAutoBoxChangesIt)
{
    // OK with the box as it was keeps each manual mode.
    Choose("modeBinaryAction");
    ConfirmOptions(false);
    EXPECT_EQ(State(), "binary TYPE I");
    Choose("modeTextAction");
    ConfirmOptions(false);
    EXPECT_EQ(State(), "text TYPE A");

    Choose("modeBinaryAction");
    ConfirmOptions(true, "");
    EXPECT_EQ(State(), "auto TYPE I") << "automatic even with an empty list";
    EXPECT_TRUE(GetSettingFlag("AutoTransferMode"));
    EXPECT_EQ(GetSettingText("AutoTransferModeList"), "");
    // Leaving automatic by the box lands in the mode that changes no byte.
    ConfirmOptions(false);
    EXPECT_EQ(State(), "binary TYPE I");
    EXPECT_EQ(GetSettingInt("TransferModeChoice", 9), 2u);

    // Cancel changes nothing.
    runner.answers = {[](QDialog& sheet) {
        sheet.findChild<QCheckBox*>("autoModeCheck")->setChecked(true);
        return static_cast<int>(QDialog::Rejected);
    }};
    Choose("settingsAction");
    EXPECT_EQ(State(), "binary TYPE I");
    EXPECT_EQ(runner.unexpected, 0);
    EXPECT_TRUE(prompt.asked.isEmpty());
}

TEST_F(TransferModeMenuTest, ARestartKeepsEachMode)
{
    const struct {
        const char* action;
        const char* state; // after the restart: automatic starts with the engine's own type
    } modes[] = {{"modeTextAction", "text TYPE A"},
                 {"modeAutoAction", "auto TYPE A"},
                 {"modeBinaryAction", "binary TYPE I"}};
    for (const auto& mode : modes) {
        SCOPED_TRACE(mode.action);
        Choose(mode.action);
        dlg.reset();
        Open();
        EXPECT_EQ(State(), mode.state);
    }
}
