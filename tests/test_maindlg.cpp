#include <gtest/gtest.h>

#include <QAction>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QToolButton>

#include <memory>
#include <string>
#include <vector>

#include "ui/widgets/arrowbutton.h"
#include "app/window/commandids.h"
#include "app/window/maindlg.h"
#include "ui/widgets/panelist.h"
#include "ui/widgets/statusline.h"
#include "settings/settings.h"
#include "support/gui/scripteddialogrunner.h"
#include "support/gui/scriptedprompt.h"
#include "support/scriptedserver.h"
#include "support/tempdir.h"
#include "ui/widgets/waitdlg.h"

using namespace tarnwick;
using namespace tarnwick::testing;

namespace {

const QColor kWhite(0xFF, 0xFF, 0xFF);
const QColor kGray(0xC0, 0xC0, 0xC0);

// The main window with its command hooks recording which command ran while which pane was
// active.
class CRecordingDlg : public CMainDlg {
public:
    using CMainDlg::CMainDlg;
    struct Call {
        std::string command;
        int activePane;
        bool operator==(const Call&) const = default;
    };
    void ConnectCommand() override
    {
        Record("connect");
        visibleAtConnect = isVisible();
    }
    void SettingsCommand() override { Record("settings"); }
    void TransferModeAuto() override { Record("auto"); }
    void TransferModeText() override { Record("text"); }
    void TransferModeBinary() override { Record("binary"); }
    void CreateDirectoryCommand() override { Record("createDir"); }
    void DeleteCommand() override
    {
        Record("delete");
        if (onDelete) {
            onDelete();
        }
    }
    void ChangeAttributesCommand() override { Record("attrib"); }
    void DownloadSelected() override { Record("download"); }
    void UploadSelected() override { Record("upload"); }

    std::vector<Call> calls;
    std::function<void()> onDelete;
    bool visibleAtConnect = false;

private:
    void Record(const char* command) { calls.push_back({command, m_nActivePane}); }
};

class MainDlgTest : public ::testing::Test {
protected:
    void SetUp() override { Open(); }

    void Open()
    {
        dlg = std::make_unique<CRecordingDlg>(prompt, runner);
        dlg->show();
        dlg->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get(), 5000));
    }

    template <class T> T* Find(const char* name)
    {
        T* found = dlg->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QAction* Action(const char* name) { return Find<QAction>(name); }
    CPaneList* List(const char* name) { return Find<CPaneList>(name); }

    static bool IsAbove(const QWidget* upper, const QWidget* lower)
    {
        const QObjectList& order = upper->parent()->children();
        return order.indexOf(upper) > order.indexOf(lower);
    }
    static QColor Base(const QWidget* widget) { return widget->palette().color(QPalette::Base); }

    // The whole display that depends on the active pane.
    void ExpectActivePane(int pane)
    {
        const bool local = pane == 1;
        SCOPED_TRACE(local ? "local pane active" : "remote pane active");
        EXPECT_EQ(dlg->m_nActivePane, pane);
        CPaneList* localList = List("localList");
        CPaneList* remoteList = List("remoteList");
        EXPECT_EQ(IsAbove(localList, remoteList), local);
        EXPECT_EQ(Base(localList), local ? kWhite : kGray);
        EXPECT_EQ(Base(Find<QLineEdit>("localDirEdit")), local ? kWhite : kGray);
        EXPECT_EQ(Base(remoteList), local ? kGray : kWhite);
        EXPECT_EQ(Base(Find<QLineEdit>("remoteDirEdit")), local ? kGray : kWhite);
        EXPECT_EQ(Find<QLabel>("localLabel")->isEnabled(), local);
        EXPECT_EQ(Find<QLabel>("remoteLabel")->isEnabled(), !local);
        // Both fields stay usable, so Tab reaches them; the inactive one is gray.
        EXPECT_TRUE(Find<QLineEdit>("localDirEdit")->isEnabled());
        EXPECT_TRUE(Find<QLineEdit>("remoteDirEdit")->isEnabled());
    }

    void ExpectDisplay(bool connected)
    {
        SCOPED_TRACE(connected ? "connected display" : "disconnected display");
        EXPECT_EQ(Action("connectAction")->isEnabled(), !connected);
        EXPECT_EQ(Action("disconnectAction")->isEnabled(), connected);
        EXPECT_EQ(Find<CArrowButton>("downloadButton")->isEnabled(), connected);
        EXPECT_EQ(Find<CArrowButton>("uploadButton")->isEnabled(), connected);
    }

    void Click(QWidget* list, QPoint at = QPoint(8, 8))
    {
        QTest::mouseClick(static_cast<CPaneList*>(list)->viewport(), Qt::LeftButton, {}, at);
    }

    // Right-click on a list: the press gives it the focus, the context-menu event shows the
    // pop-up menu.
    QMenu* OpenContextMenu(CPaneList* list)
    {
        const QPoint at(8, 8);
        QTest::mousePress(list->viewport(), Qt::RightButton, {}, at);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(list->viewport(), &event);
        QTest::mouseRelease(list->viewport(), Qt::RightButton, {}, at);
        QMenu* menu = Find<QMenu>("contextMenu");
        EXPECT_TRUE(menu && menu->isVisible());
        return menu;
    }

    CTempStore store;
    CScriptedPrompt prompt;
    CScriptedDialogRunner runner;
    std::unique_ptr<CRecordingDlg> dlg;
};

QStringList MenuLayout(const QMenu* menu)
{
    QStringList items;
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            items << "-";
        } else {
            items << action->text() + (action->isEnabled() ? "" : " (grayed)");
        }
    }
    return items;
}

} // namespace

TEST_F(MainDlgTest, StartUpState)
{
    EXPECT_EQ(dlg->windowTitle(), "Tarnwick for PocketPC");
    ExpectActivePane(1);
    ExpectDisplay(false);
    EXPECT_EQ(Find<CArrowButton>("downloadButton")->CurrentFace(), CArrowButton::Face::Disabled);
    EXPECT_EQ(dlg->GetStatusText(), "Tarnwick for PocketPC - Build 09");
    EXPECT_EQ(Find<CStatusLine>("statusLine")->text(), "Tarnwick for PocketPC - Build 09");
    // A fresh store starts in the mode that changes no byte.
    EXPECT_TRUE(Action("modeBinaryAction")->isChecked());
    EXPECT_FALSE(Action("modeAutoAction")->isChecked());
    EXPECT_FALSE(Action("modeTextAction")->isChecked());

    EXPECT_EQ(dlg->m_strLocalDir, "/");
    EXPECT_EQ(dlg->m_strRemoteDir, "");
    EXPECT_EQ(Find<QLineEdit>("localDirEdit")->text(), "/");
    EXPECT_EQ(Find<QLineEdit>("remoteDirEdit")->text(), "");
    const QStringList rows = List("localList")->Rows();
    EXPECT_FALSE(rows.contains("..")) << "the root has no parent row";
    EXPECT_TRUE(rows.contains("<tmp>"));
    EXPECT_EQ(List("remoteList")->count(), 0);
    EXPECT_EQ(List("localList")->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_TRUE(List("localList")->isSortingEnabled());
    EXPECT_TRUE(dlg->IsWideLayout()) << "a first start shows the panes side by side";
    EXPECT_TRUE(prompt.asked.isEmpty());
    EXPECT_TRUE(runner.ran.isEmpty());
}

TEST_F(MainDlgTest, CommandBarAndMenusHoldTheirItemsInOrder)
{
    QStringList bar;
    for (const char* name : {"connectAction", "disconnectAction", "settingsAction", "exitAction"}) {
        bar << Action(name)->text();
    }
    EXPECT_EQ(bar, QStringList({"接続", "切断", "設定", "終了"}));
    EXPECT_EQ(Find<QWidget>("editButton")->property("text").toString(), "編集");

    EXPECT_EQ(MenuLayout(Find<QMenu>("editMenu")),
              QStringList({"転送モード", "-", "開く (grayed)", "新規Dir作成", "削除", "名前の変更",
                           "-", "属性変更", "移動 (grayed)"}));
    EXPECT_EQ(MenuLayout(Find<QMenu>("transferModeMenu")),
              QStringList({"自動", "-", "テキスト", "バイナリ"}));
    EXPECT_EQ(MenuLayout(Find<QMenu>("contextMenu")),
              QStringList({"開く (grayed)", "新規Dir作成", "削除", "名前の変更", "属性変更"}));
}

TEST(MainDlgStartUp, TicksTheStoredTransferModeAndShowsItBesideTheStatusLine)
{
    const struct {
        const char* name;
        int autoFlag; // AutoTransferMode; -1: no value stored
        int mode;     // TransferModeChoice; -1: none (a store of an earlier version, or fresh)
        int ticked;
        const char* type;
        const char* shown;
    } cases[] = {
        {"fresh", -1, -1, ID_MODE_BINARY, "TYPE I", "転送モード: バイナリ"},
        {"earlier-zero", 0, -1, ID_MODE_TEXT, "TYPE A", "転送モード: テキスト"},
        {"earlier-one", 1, -1, ID_MODE_AUTO, "TYPE A", "転送モード: 自動"},
        {"earlier-two-is-not-set", 2, -1, ID_MODE_TEXT, "TYPE A", "転送モード: テキスト"},
        {"chosen-binary", 0, 2, ID_MODE_BINARY, "TYPE I", "転送モード: バイナリ"},
        {"chosen-text", -1, 1, ID_MODE_TEXT, "TYPE A", "転送モード: テキスト"},
        {"chosen-auto", 0, 0, ID_MODE_AUTO, "TYPE A", "転送モード: 自動"},
        {"chosen-unknown-reads-the-flag", 1, 7, ID_MODE_AUTO, "TYPE A", "転送モード: 自動"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CTempStore store;
        if (c.autoFlag >= 0) {
            ASSERT_TRUE(SetSettingInt("AutoTransferMode", static_cast<std::uint32_t>(c.autoFlag)));
        }
        if (c.mode >= 0) {
            ASSERT_TRUE(SetSettingInt("TransferModeChoice", static_cast<std::uint32_t>(c.mode)));
        }
        CScriptedPrompt prompt;
        CScriptedDialogRunner runner;
        CMainDlg dlg(prompt, runner);
        dlg.show(); // a first start is wide: the button has room for its whole text
        QCoreApplication::processEvents();
        for (const int id : {ID_MODE_AUTO, ID_MODE_TEXT, ID_MODE_BINARY}) {
            EXPECT_EQ(dlg.IsEditMenuItemChecked(id), id == c.ticked) << id;
        }
        EXPECT_EQ(dlg.m_engine.GetTypeCommand(), c.type);
        auto* button = dlg.findChild<QToolButton*>("transferModeButton");
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), c.shown);
        EXPECT_EQ(button->accessibleName(), "転送モード");
        EXPECT_EQ(button->menu(), dlg.findChild<QMenu*>("transferModeMenu"));
        dlg.resize(420, 680);
        QCoreApplication::processEvents();
        EXPECT_EQ("転送モード: " + button->text(), c.shown) << "narrow: the name alone";
    }
}

TEST_F(MainDlgTest, ClickingTheRemoteListReversesTheDisplayAndClickingBackRestoresIt)
{
    List("localList")->SetRowSelected(0, true);
    Click(List("remoteList"));
    ExpectActivePane(0);
    EXPECT_TRUE(List("localList")->IsRowSelected(0)) << "selections stay as they are";

    Click(List("localList"));
    ExpectActivePane(1);
    ExpectDisplay(false);
    EXPECT_EQ(dlg->GetStatusText(), "Tarnwick for PocketPC - Build 09");
}

TEST_F(MainDlgTest, CheckEditMenuItemTicksOnlyForFlagOne)
{
    const struct {
        int flag;
        bool ticked;
    } cases[] = {{1, true}, {2, false}, {0, false}, {-1, false}, {1, true}};
    for (const auto& c : cases) {
        dlg->CheckEditMenuItem(ID_MODE_BINARY, c.flag);
        EXPECT_EQ(Action("modeBinaryAction")->isChecked(), c.ticked) << "flag " << c.flag;
    }
    dlg->CheckEditMenuItem(ID_MODE_TEXT, 2);
    EXPECT_FALSE(Action("modeTextAction")->isChecked());
}

TEST_F(MainDlgTest, ChoosingAModeItemLeavesTheTicksToItsCommand)
{
    Action("modeBinaryAction")->trigger();
    Action("modeTextAction")->trigger();
    EXPECT_EQ(dlg->calls, (std::vector<CRecordingDlg::Call>{{"binary", 1}, {"text", 1}}));
    // The ticks of the start (a fresh store: バイナリ) stay.
    EXPECT_TRUE(Action("modeBinaryAction")->isChecked());
    EXPECT_FALSE(Action("modeTextAction")->isChecked());
    EXPECT_FALSE(Action("modeAutoAction")->isChecked());
}

TEST_F(MainDlgTest, GrayedItemsDoNothing)
{
    const QStringList localRows = List("localList")->Rows();
    for (const char* name : {"openAction", "moveAction", "contextOpenAction"}) {
        QAction* action = Action(name);
        EXPECT_FALSE(action->isEnabled()) << name;
        action->trigger();
    }
    EXPECT_TRUE(dlg->calls.empty());
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->GetStatusText(), "Tarnwick for PocketPC - Build 09");
    EXPECT_EQ(List("localList")->Rows(), localRows);
    EXPECT_TRUE(prompt.asked.isEmpty());
    EXPECT_TRUE(runner.ran.isEmpty());
}

TEST_F(MainDlgTest, MenuCommandsRunOnThePaneClickedLast)
{
    const struct {
        const char* action;
        const char* command;
    } items[] = {
        {"createDirAction", "createDir"}, {"deleteAction", "delete"},
        {"attribAction", "attrib"},       {"connectAction", "connect"},
        {"settingsAction", "settings"},   {"modeAutoAction", "auto"},
    };
    for (const char* list : {"remoteList", "localList"}) {
        Click(List(list));
        const int pane = std::string(list) == "localList" ? 1 : 0;
        for (const auto& item : items) {
            dlg->calls.clear();
            Action(item.action)->trigger();
            EXPECT_EQ(dlg->calls, (std::vector<CRecordingDlg::Call>{{item.command, pane}}))
                << item.action << " after clicking " << list;
        }
    }
}

TEST_F(MainDlgTest, ContextMenuCommandsGoToThePaneClickedLast)
{
    const struct {
        const char* list;
        const char* action;
        CRecordingDlg::Call call;
    } cases[] = {
        {"remoteList", "contextDeleteAction", {"delete", 0}},
        {"localList", "contextCreateDirAction", {"createDir", 1}},
        {"remoteList", "contextAttribAction", {"attrib", 0}},
        {"localList", "contextDeleteAction", {"delete", 1}},
        {"remoteList", "contextCreateDirAction", {"createDir", 0}},
    };
    for (const auto& c : cases) {
        dlg->calls.clear();
        QMenu* menu = OpenContextMenu(List(c.list));
        ASSERT_NE(menu, nullptr);
        ExpectActivePane(c.call.activePane);
        Action(c.action)->trigger();
        menu->hide();
        EXPECT_EQ(dlg->calls, std::vector<CRecordingDlg::Call>{c.call})
            << c.list << " " << c.action;
    }
}

TEST_F(MainDlgTest, TransferButtonsWorkOnlyInTheConnectedDisplay)
{
    QTest::mouseClick(Find<CArrowButton>("downloadButton"), Qt::LeftButton);
    EXPECT_TRUE(dlg->calls.empty()) << "disabled buttons do nothing";

    dlg->SetConnectedDisplay();
    ExpectDisplay(true);
    EXPECT_EQ(Find<CArrowButton>("uploadButton")->CurrentFace(), CArrowButton::Face::Normal);
    Click(List("remoteList"));
    QTest::mouseClick(Find<CArrowButton>("downloadButton"), Qt::LeftButton);
    QTest::mouseClick(Find<CArrowButton>("uploadButton"), Qt::LeftButton);
    EXPECT_EQ(dlg->calls, (std::vector<CRecordingDlg::Call>{{"download", 0}, {"upload", 0}}));
    ExpectActivePane(0);

    // Enter in a field presses no button.
    dlg->calls.clear();
    QTest::keyClick(Find<QLineEdit>("localDirEdit"), Qt::Key_Return);
    EXPECT_TRUE(dlg->calls.empty());
    EXPECT_TRUE(dlg->isVisible());

    dlg->SetDisconnectedDisplay();
    ExpectDisplay(false);
}

TEST(MainDlgStartUp, ConnectsAtStartOnlyWhenAskedWithTheWindowShown)
{
    for (const bool asked : {false, true}) {
        CTempStore store;
        ASSERT_TRUE(SetSettingFlag("ConnectDlgWithStartup", asked));
        CScriptedPrompt prompt;
        CScriptedDialogRunner runner;
        CRecordingDlg dlg(prompt, runner);
        dlg.ConnectAtStartup();
        if (asked) {
            EXPECT_EQ(dlg.calls, (std::vector<CRecordingDlg::Call>{{"connect", 1}}));
            EXPECT_TRUE(dlg.visibleAtConnect);
        } else {
            EXPECT_TRUE(dlg.calls.empty());
            EXPECT_FALSE(dlg.isVisible());
        }
    }
}

TEST_F(MainDlgTest, PanesOverlapLikeCardsAtEveryNarrowSize)
{
    for (const QSize size : {QSize(420, 680), QSize(300, 420), QSize(600, 1000)}) {
        dlg->resize(size);
        QCoreApplication::processEvents();
        const QRect remote = List("remoteList")->geometry();
        const QRect local = List("localList")->geometry();
        const QRect download = Find<QWidget>("downloadButton")->geometry();
        const QRect upload = Find<QWidget>("uploadButton")->geometry();
        const QRect area = List("remoteList")->parentWidget()->rect();
        SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
        EXPECT_EQ(remote.topLeft(), area.topLeft());
        EXPECT_EQ(local.bottomRight(), area.bottomRight());
        EXPECT_TRUE(remote.intersects(local));
        EXPECT_LT(remote.left(), local.left());
        EXPECT_LT(remote.top(), local.top());
        EXPECT_GT(remote.height(), area.height() / 2);
        EXPECT_GT(local.width(), area.width() / 2);
        // The buttons stand in the two notches, clear of both panes.
        for (const QRect& button : {download, upload}) {
            EXPECT_TRUE(area.contains(button));
            EXPECT_FALSE(button.intersects(remote));
            EXPECT_FALSE(button.intersects(local));
        }
        EXPECT_EQ(download.topRight(), area.topRight());
        EXPECT_EQ(upload.bottomLeft(), area.bottomLeft());
    }
}

TEST_F(MainDlgTest, StatusLineKeepsTheExactTextAndShowsLineEndsAsBlanks)
{
    dlg->SetStatusText(std::string("226 Transfer complete\r\n"));
    EXPECT_EQ(dlg->GetStatusText(), "226 Transfer complete\r\n");
    EXPECT_EQ(Find<CStatusLine>("statusLine")->text(), "226 Transfer complete  ");
    dlg->SetStatusText(QString("UserLogin に失敗\r\n"));
    EXPECT_EQ(dlg->GetStatusText(), "UserLogin に失敗\r\n");
}

TEST_F(MainDlgTest, DisconnectWithoutConnectionEmptiesTheRemoteSideOnly)
{
    dlg->SetConnectedDisplay();
    dlg->m_strRemoteDir = "/pub";
    dlg->ShowTexts();
    List("remoteList")->AddString("..");
    const QStringList localRows = List("localList")->Rows();

    Action("disconnectAction")->trigger();
    EXPECT_EQ(dlg->m_strRemoteDir, "");
    EXPECT_EQ(Find<QLineEdit>("remoteDirEdit")->text(), "");
    EXPECT_EQ(List("remoteList")->count(), 0);
    EXPECT_EQ(List("localList")->Rows(), localRows);
    EXPECT_EQ(Find<QLineEdit>("localDirEdit")->text(), "/");
    ExpectDisplay(false);
    EXPECT_TRUE(dlg->isVisible());
}

// The window's ways to close, against a server that is connected: which of them say QUIT.
class MainDlgCloseTest : public MainDlgTest {
protected:
    void Connect(bool expectQuit)
    {
        server = std::make_unique<CScriptedFtpServer>([expectQuit](CScriptSession& s) {
            s.Send("220 Ready\r\n");
            if (expectQuit) {
                s.ExpectReply("QUIT", "221 Goodbye\r\n");
            }
            s.ExpectClosed();
        });
        ASSERT_TRUE(dlg->m_engine.Connect("127.0.0.1", server->Port()));
        dlg->SetConnectedDisplay();
        dlg->m_strRemoteDir = "/pub";
        dlg->ShowTexts();
    }
    std::string Finish()
    {
        dlg.reset(); // drops a connection that is still open
        std::string failures;
        for (const std::string& failure : server->Finish()) {
            failures += failure + "\n";
        }
        return failures;
    }
    std::unique_ptr<CScriptedFtpServer> server;
};

TEST_F(MainDlgCloseTest, ExitDisconnectsThenCloses)
{
    Connect(true);
    Action("exitAction")->trigger();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(dlg->GetStatusText(), "221 Goodbye\r\n");
    EXPECT_EQ(Find<QLineEdit>("remoteDirEdit")->text(), "");
    EXPECT_EQ(Finish(), "");
    EXPECT_EQ(server->Received(), "QUIT\r\n");
}

TEST_F(MainDlgCloseTest, CloseButtonDisconnectsThenCloses)
{
    Connect(true);
    EXPECT_TRUE(dlg->close());
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->GetStatusText(), "221 Goodbye\r\n");
    ExpectDisplay(false);
    EXPECT_EQ(Finish(), "");
    EXPECT_EQ(server->Received(), "QUIT\r\n");
}

TEST_F(MainDlgCloseTest, EscapeLeavesTheWindowOpen)
{
    Connect(false);
    dlg->show();
    QTest::keyClick(List("localList"), Qt::Key_Escape);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->GetStatusText(), "Tarnwick for PocketPC - Build 09");
    EXPECT_EQ(Find<QLineEdit>("remoteDirEdit")->text(), "/pub");
    EXPECT_EQ(Finish(), "");
    EXPECT_EQ(server->Received(), "");
}

TEST_F(MainDlgCloseTest, CloseRequestWhileACommandRunsIsRefused)
{
    Connect(true);
    bool closed = true;
    // A close request that reaches the window while a command waits on the network.
    dlg->onDelete = [&] { closed = dlg->close(); };
    Action("deleteAction")->trigger();
    EXPECT_FALSE(closed);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(server->Received(), "");
    Action("exitAction")->trigger();
    EXPECT_EQ(Finish(), "");
    EXPECT_EQ(server->Received(), "QUIT\r\n");
}

TEST_F(MainDlgTest, WaitTextStaysUpUntilTheCommandReturns)
{
    const QString text = "ファイルリスト取得中です。\nしばらくお待ちください...";
    bool upDuringWork = false;
    dlg->onDelete = [&] {
        dlg->ShowWaitMessage(text);
        // The engine's pump runs while the command blocks on the network.
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            QTest::qWait(10);
        }
        auto* box = dlg->findChild<CWaitDlg*>("waitDialog");
        upDuringWork = box && box->isVisible() && box->GetText() == text;
    };
    Action("deleteAction")->trigger();
    EXPECT_TRUE(upDuringWork);
    EXPECT_EQ(dlg->findChild<CWaitDlg*>("waitDialog"), nullptr);
}
