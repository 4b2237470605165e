// The options sheet: what each page shows from the store and what OK and cancel write.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QTabWidget>

#include <map>
#include <sstream>

#include "core/textcodec.h"
#include "gui/dialogs/optionssheet.h"
#include "settings/settings.h"
#include "support/fakedialup.h"
#include "support/gui/scripteddialogrunner.h"
#include "support/gui/scriptedprompt.h"
#include "support/tempdir.h"

using namespace tarnwick;
using namespace tarnwick::testing;

namespace {

// The value lines of the store file by value name.
std::map<std::string, std::string> StoredValues(const CTempStore& store)
{
    std::map<std::string, std::string> values;
    std::istringstream lines(store.Text());
    for (std::string line; std::getline(lines, line);) {
        const std::size_t end = line.find("\"=");
        if (line.starts_with("\"") && end != std::string::npos) {
            values[line.substr(1, end - 1)] = line.substr(end + 2);
        }
    }
    return values;
}

class OptionsTest : public ::testing::Test {
protected:
    // Runs a sheet answered by `answer`.
    int Run(CScriptedDialogRunner::Answer answer)
    {
        COptionsSheet sheet(backend, prompt);
        runner.answers = {std::move(answer)};
        return runner.Run(sheet);
    }
    // Opens the sheet, shows the tab `index`, lets `look` read or change the controls, and
    // closes with `result`.
    int Visit(int index, const std::function<void(QDialog&)>& look, int result = QDialog::Accepted)
    {
        return Run([index, look, result](QDialog& sheet) {
            sheet.findChild<QTabWidget*>("optionsTabs")->setCurrentIndex(index);
            look(sheet);
            return result;
        });
    }
    template <class T> static T* Find(QDialog& sheet, const char* name)
    {
        T* found = sheet.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    static QStringList Rows(QDialog& sheet)
    {
        QStringList rows;
        auto* list = Find<QListWidget>(sheet, "dialUpList");
        for (int row = 0; row < list->count(); ++row) {
            rows << list->item(row)->text();
        }
        return rows;
    }
    static QStringList Selected(QDialog& sheet)
    {
        QStringList rows;
        for (const QListWidgetItem* item :
             Find<QListWidget>(sheet, "dialUpList")->selectedItems()) {
            rows << item->text();
        }
        return rows;
    }

    CTempStore store;
    CFakeDialUpBackend backend;
    CScriptedPrompt prompt;
    CScriptedDialogRunner runner;
};

} // namespace

TEST_F(OptionsTest, FourTabsInOrderWithTheInfoPageLast)
{
    COptionsSheet sheet(backend, prompt);
    EXPECT_EQ(sheet.windowTitle(), "Tarnwick 設定");
    auto* tabs = Find<QTabWidget>(sheet, "optionsTabs");
    ASSERT_NE(tabs, nullptr);
    QStringList captions;
    for (int i = 0; i < tabs->count(); ++i) {
        captions << tabs->tabText(i);
    }
    EXPECT_EQ(captions, QStringList({"操作", "DialUp", "FTP 拡張", "Info."}));
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(tabs->widget(3)->objectName(), "infoPage");
}

TEST_F(OptionsTest, FreshStoreShowsClearBoxesAndTheDefaultListAndOkStoresThemOnly)
{
    QStringList shown;
    EXPECT_EQ(Visit(0,
                    [&](QDialog& sheet) {
                        for (const char* box :
                             {"connectAtStartupCheck", "autoModeCheck", "checkOverwriteCheck"}) {
                            shown << QString::number(Find<QCheckBox>(sheet, box)->isChecked());
                        }
                        auto* list = Find<QLineEdit>(sheet, "extensionListEdit");
                        shown << list->text() << QString::number(list->isEnabled());
                    }),
              QDialog::Accepted);
    // A fresh store asks before overwriting.
    EXPECT_EQ(shown, QStringList({"0", "0", "1", "txt html htm cgi pl", "0"}));
    EXPECT_EQ(StoredValues(store), (std::map<std::string, std::string>{
                                       {"ConnectDlgWithStartup", "dword:00000000"},
                                       {"AutoTransferMode", "dword:00000000"},
                                       {"AutoTransferModeList", "\"txt html htm cgi pl\""},
                                       {"CheckOverwrite", "dword:00000001"},
                                   }));
}

TEST_F(OptionsTest, OkWithoutVisitingOtherTabsLeavesTheirValuesAlone)
{
    ASSERT_TRUE(SetSettingFlag("UseAutoDialUp", true));
    SetSettingText("AutoDialUpName", "Office");
    ASSERT_TRUE(SetSettingFlag("UsePASV", true));
    ASSERT_TRUE(SetSettingFlag("CheckOverwrite", true));
    SetSettingText("AutoTransferModeList", "c h");
    std::map<std::string, std::string> expected = StoredValues(store);
    backend.entries = {"Home"}; // page DialUp would select Home if it were shown

    EXPECT_EQ(Run(CScriptedDialogRunner::Accept()), QDialog::Accepted);
    expected["ConnectDlgWithStartup"] = "dword:00000000";
    expected["AutoTransferMode"] = "dword:00000000";
    EXPECT_EQ(StoredValues(store), expected);
}

TEST_F(OptionsTest, ListFieldFollowsTheAutoBoxAndIsStoredAsItStands)
{
    QStringList enabled;
    Visit(0, [&](QDialog& sheet) {
        auto* list = Find<QLineEdit>(sheet, "extensionListEdit");
        auto* autoMode = Find<QCheckBox>(sheet, "autoModeCheck");
        autoMode->click();
        enabled << QString::number(list->isEnabled());
        autoMode->click();
        enabled << QString::number(list->isEnabled());
        list->clear();
    });
    EXPECT_EQ(enabled, QStringList({"1", "0"}));
    EXPECT_EQ(StoredValues(store).at("AutoTransferModeList"), "\"\"");
    EXPECT_EQ(GetSettingText("AutoTransferModeList"), "");

    QString next;
    Visit(
        0,
        [&](QDialog& sheet) {
            next = Find<QLineEdit>(sheet, "extensionListEdit")->text();
            Find<QCheckBox>(sheet, "connectAtStartupCheck")->click();
            Find<QCheckBox>(sheet, "checkOverwriteCheck")->click();
        },
        QDialog::Rejected);
    EXPECT_EQ(next, "txt html htm cgi pl") << "an empty list shows the default again";
    EXPECT_FALSE(GetSettingFlag("ConnectDlgWithStartup")) << "cancel stores nothing";
    EXPECT_TRUE(GetSettingFlag("CheckOverwrite"));
}

TEST_F(OptionsTest, DialUpPageListsTheEntriesSortedWithTheStoredOneSelected)
{
    const struct {
        const char* name;
        std::vector<std::string> entries;
        bool listWorks;
        const char* stored;
        QStringList rows;
        QStringList selected;
        bool listEnabled;
    } cases[] = {
        {"stored-selected",
         {"Office", "Home"},
         true,
         "Office",
         {"Home", "Office"},
         {"Office"},
         false},
        {"case-folded-order", {"b", "A", "a"}, true, "a", {"A", "a", "b"}, {"a"}, false},
        {"stored-gone-first-selected",
         {"Office", "Home"},
         true,
         "Cafe",
         {"Home", "Office"},
         {"Home"},
         false},
        {"nothing-stored", {"Office", "Home"}, true, "", {"Home", "Office"}, {}, false},
        {"no-entries", {}, true, "Office", {"登録されていません"}, {}, true},
        {"listing-failed", {}, false, "Office", {"一覧表示に失敗しました"}, {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CTempStore caseStore;
        ASSERT_TRUE(SetSettingFlag("UseAutoDialUp", false));
        SetSettingText("AutoDialUpName", c.stored);
        backend.entries = c.entries;
        backend.listWorks = c.listWorks;
        QStringList rows;
        QStringList selected;
        bool enabled = false;
        Visit(1, [&](QDialog& sheet) {
            rows = Rows(sheet);
            selected = Selected(sheet);
            enabled = Find<QListWidget>(sheet, "dialUpList")->isEnabled();
            // A line that says why there are no entries cannot be chosen.
            Find<QListWidget>(sheet, "dialUpList")->setCurrentRow(0);
        });
        EXPECT_EQ(rows, c.rows);
        EXPECT_EQ(selected, c.selected);
        EXPECT_EQ(enabled, c.listEnabled);
        EXPECT_EQ(GetSettingText("AutoDialUpName"),
                  c.entries.empty() ? std::string(c.stored) : c.rows.front().toStdString());
    }
}

TEST_F(OptionsTest, WithoutADialUpBackendTheBoxCannotBeTickedAndSaysWhy)
{
    const struct {
        const char* name;
        bool listWorks;
        std::vector<std::string> entries;
        const char* reason; // null: the box is usable
    } cases[] = {
        {"listing-failed", false, {}, "NetworkManager (nmcli) が使えません"},
        {"no-entries", true, {}, "保存された接続がありません"},
        {"entries", true, {"Office"}, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CTempStore caseStore;
        // Stored while dial-up worked, or by hand.
        ASSERT_TRUE(SetSettingFlag("UseAutoDialUp", true));
        backend.entries = c.entries;
        backend.listWorks = c.listWorks;
        bool enabled = false;
        bool ticked = false;
        bool reasonShown = false;
        QString reason;
        Visit(1, [&](QDialog& sheet) {
            auto* box = Find<QCheckBox>(sheet, "useDialUpCheck");
            enabled = box->isEnabled();
            ticked = box->isChecked();
            auto* why = Find<QLabel>(sheet, "dialUpReason");
            reasonShown = !why->isHidden();
            reason = why->text();
        });
        EXPECT_EQ(enabled, c.reason == nullptr);
        EXPECT_EQ(reasonShown, c.reason != nullptr);
        EXPECT_EQ(reason, c.reason != nullptr ? QString(c.reason) : QString());
        EXPECT_EQ(ticked, c.reason == nullptr);
        // OK stores what the page showed.
        EXPECT_EQ(GetSettingFlag("UseAutoDialUp"), ticked);
    }
}

TEST_F(OptionsTest, DialUpPageStoresTheFlagAndTheChosenEntry)
{
    backend.entries = {"Office", "Home"};
    ASSERT_TRUE(SetSettingFlag("UseAutoDialUp", true));
    SetSettingText("AutoDialUpName", "Home");
    bool enabledAtLoad = false;
    Visit(1, [&](QDialog& sheet) {
        auto* list = Find<QListWidget>(sheet, "dialUpList");
        enabledAtLoad = list->isEnabled();
        Find<QCheckBox>(sheet, "useDialUpCheck")->click();
        EXPECT_FALSE(list->isEnabled());
        list->setCurrentRow(1);
    });
    EXPECT_TRUE(enabledAtLoad);
    EXPECT_FALSE(GetSettingFlag("UseAutoDialUp"));
    EXPECT_EQ(GetSettingText("AutoDialUpName"), "Office") << "stored with the box clear too";
}

TEST_F(OptionsTest, FtpPageEditsPassiveListTimeoutAndEncoding)
{
    QStringList shown;
    Visit(2, [&](QDialog& sheet) {
        auto* useList = Find<QCheckBox>(sheet, "useListCheck");
        auto* encoding = Find<QComboBox>(sheet, "encodingCombo");
        shown << useList->text() << QString::number(useList->isEnabled())
              << QString::number(Find<QCheckBox>(sheet, "usePasvCheck")->isChecked())
              << QString::number(useList->isChecked())
              << QString::number(Find<QSpinBox>(sheet, "timeoutSpin")->value())
              << encoding->currentData().toString();
        for (int i = 0; i < encoding->count(); ++i) {
            shown << encoding->itemData(i).toString();
        }
        Find<QCheckBox>(sheet, "usePasvCheck")->click();
        useList->click();
        Find<QSpinBox>(sheet, "timeoutSpin")->setValue(15);
        encoding->setCurrentIndex(encoding->findData("CP932"));
    });
    EXPECT_EQ(shown, QStringList({"NLST のかわりに LIST を使う", "1", "0", "0", "60", "", "",
                                  "UTF-8", "CP932", "EUC-JP", "AUTO"}));
    const std::map<std::string, std::string> values = StoredValues(store);
    EXPECT_EQ(values.at("UsePASV"), "dword:00000001");
    EXPECT_EQ(values.at("UseLIST"), "dword:00000001");
    EXPECT_EQ(values.at("TimeoutSeconds"), "dword:0000000f");
    EXPECT_EQ(values.at("ServerEncoding"), "\"CP932\"");
    EXPECT_EQ(GetServerEncodingSetting(), "CP932");

    // What was stored shows next time; no time limit and the locale's charset.
    Visit(2, [&](QDialog& sheet) {
        EXPECT_TRUE(Find<QCheckBox>(sheet, "useListCheck")->isChecked());
        EXPECT_EQ(Find<QComboBox>(sheet, "encodingCombo")->currentData().toString(), "CP932");
        Find<QSpinBox>(sheet, "timeoutSpin")->setValue(0);
        Find<QComboBox>(sheet, "encodingCombo")->setCurrentIndex(0);
    });
    EXPECT_EQ(GetTimeoutSeconds(), 0u);
    EXPECT_EQ(GetSettingText("ServerEncoding"), "");
    EXPECT_EQ(GetServerEncodingSetting(), DefaultServerEncoding());
}

TEST_F(OptionsTest, AStoredEncodingOutsideTheChoicesIsKept)
{
    SetSettingText("ServerEncoding", "ISO-8859-1");
    QString current;
    Visit(2, [&](QDialog& sheet) {
        current = Find<QComboBox>(sheet, "encodingCombo")->currentText();
    });
    EXPECT_EQ(current, "ISO-8859-1");
    EXPECT_EQ(GetSettingText("ServerEncoding"), "ISO-8859-1");
}

TEST_F(OptionsTest, OkRefusesAnEncodingIconvDoesNotKnowAndStoresNothing)
{
    const struct {
        const char* name;
        const char* chosen; // null: the stored name stays chosen
        bool refused;
        const char* stored;
    } cases[] = {
        {"unknown-kept", nullptr, true, "NO-SUCH-CHARSET"},
        {"known-chosen", "CP932", false, "CP932"},
        {"locale-chosen", "", false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CTempStore caseStore;
        prompt.messages.clear();
        SetSettingText("ServerEncoding", "NO-SUCH-CHARSET"); // written by hand
        const std::map<std::string, std::string> before = StoredValues(caseStore);
        bool open = false;
        int tab = -1;
        Visit(
            2,
            [&](QDialog& sheet) {
                auto* encoding = Find<QComboBox>(sheet, "encodingCombo");
                if (c.chosen != nullptr) {
                    const int index = encoding->findData(QString(c.chosen));
                    EXPECT_GE(index, 0);
                    encoding->setCurrentIndex(index);
                }
                auto* tabs = Find<QTabWidget>(sheet, "optionsTabs");
                tabs->setCurrentIndex(0); // OK pressed from another page
                sheet.accept();
                open = sheet.isVisible();
                tab = tabs->currentIndex();
            },
            QDialog::Rejected);
        EXPECT_EQ(open, c.refused);
        EXPECT_EQ(prompt.messages,
                  c.refused
                      ? QStringList{"サーバーの文字コード「NO-SUCH-CHARSET」は使用できません\n"
                                    "(UTF-8、CP932、EUC-JP など)"}
                      : QStringList{});
        if (c.refused) {
            EXPECT_EQ(tab, 2) << "the refusing page is brought forward";
            EXPECT_EQ(StoredValues(caseStore), before) << "not even the first page is stored";
        } else {
            EXPECT_EQ(GetSettingText("ServerEncoding"), c.stored);
            EXPECT_EQ(StoredValues(caseStore).count("ConnectDlgWithStartup"), 1u);
        }
    }
}
