// The window's two layouts, its rows, its tab order and keys, and the size and place it
// remembers.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QTest>
#include <QScreen>
#include <QToolBar>

#include "ui/widgets/arrowbutton.h"
#include "ui/widgets/panearea.h"
#include "ui/widgets/panemodel.h"
#include "connecttest.h"

using namespace tarnwick;
using namespace tarnwick::testing;

namespace {

class WindowLayoutTest : public ConnectTest {
protected:
    // The geometry of `widget` in the pane area's coordinates.
    QRect InArea(const QWidget* widget)
    {
        auto* area = Find<QWidget>("paneArea");
        return QRect(widget->mapTo(area, QPoint(0, 0)), widget->size());
    }
    // Resizes the window so that the pane area is `width` pixels wide.
    void SetAreaWidth(int width)
    {
        auto* area = Find<QWidget>("paneArea");
        dlg->resize(dlg->width() - area->width() + width, 700);
        QCoreApplication::processEvents();
        ASSERT_EQ(area->width(), width);
    }
    QString Shown(CPaneList* list, int row, int column)
    {
        return list->model()->index(row, column).data().toString();
    }
};

} // namespace

TEST_F(WindowLayoutTest, FromTheThresholdOnThePanesStandSideBySide)
{
    const struct {
        int width;
        bool wide;
    } cases[] = {{420, false}, {CPaneArea::kWideWidth - 1, false}, {CPaneArea::kWideWidth, true},
                 {1184, true}, {CPaneArea::kWideWidth - 1, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        SetAreaWidth(c.width);
        EXPECT_EQ(dlg->IsWideLayout(), c.wide);
        const QRect remote = InArea(List("remoteList"));
        const QRect local = InArea(List("localList"));
        const QRect download = InArea(Find<QWidget>("downloadButton"));
        const QRect upload = InArea(Find<QWidget>("uploadButton"));
        const QRect remoteField = InArea(Field("remoteDirEdit"));
        const QRect localField = InArea(Field("localDirEdit"));
        EXPECT_EQ(remote.intersects(local), !c.wide);
        for (CPaneList* list : {List("remoteList"), List("localList")}) {
            EXPECT_EQ(list->header()->isVisible(), c.wide);
            EXPECT_EQ(list->isColumnHidden(CPaneModel::kDate), !c.wide);
        }
        EXPECT_EQ(Find<CArrowButton>("downloadButton")->IsHorizontal(), c.wide);
        if (!c.wide) {
            continue;
        }
        // Each pane whole, about 300 pixels or more, under its own field; the buttons between.
        EXPECT_GE(remote.width(), 280);
        EXPECT_GE(local.width(), 280);
        EXPECT_LT(remote.right(), download.left());
        EXPECT_LT(download.right(), local.left());
        EXPECT_LT(upload.right(), local.left());
        EXPECT_LT(remoteField.bottom(), remote.top());
        EXPECT_LT(localField.bottom(), local.top());
        EXPECT_LE(remoteField.right(), remote.right() + 3);
        EXPECT_GE(localField.left(), local.left() - 3);
        EXPECT_EQ(remote.top(), local.top());
        EXPECT_EQ(remote.height(), local.height());
    }
}

TEST_F(WindowLayoutTest, TheDetailsViewSortsByItsColumnsWithDirectoriesFirst)
{
    Connect([](CScriptSession&) {},
            DirLine("zeta") + FileLine("1.txt", "10") + FileLine("big.bin", "2048000") +
                FileLine("mid.bin", "300") + FileLine("ln", "3", "lrwxrwxrwx"));
    CPaneList* remote = List("remoteList");
    SetAreaWidth(420);
    // The list: the row texts in text order ("1" comes before "<").
    EXPECT_EQ(remote->Rows(), (QStringList{"..", "1.txt", "<zeta>", "big.bin", "ln", "mid.bin"}));
    EXPECT_EQ(Shown(remote, 2, CPaneModel::kName), "<zeta>");

    SetAreaWidth(900);
    EXPECT_EQ(remote->Rows(), (QStringList{"..", "<zeta>", "1.txt", "big.bin", "ln", "mid.bin"}));
    // Names without brackets, sizes in groups of three, the listing's date and permissions.
    EXPECT_EQ(Shown(remote, 1, CPaneModel::kName), "zeta");
    EXPECT_EQ(Shown(remote, 3, CPaneModel::kSize), "2,048,000");
    EXPECT_EQ(Shown(remote, 3, CPaneModel::kDate), "Jan 01 12:00");
    EXPECT_EQ(Shown(remote, 4, CPaneModel::kAttributes), "lrwxrwxrwx");
    EXPECT_FALSE(remote->model()->index(4, CPaneModel::kName).data(Qt::DecorationRole).isNull());

    // A row selected before a sort stays selected after it.
    remote->SetCurrentRow(remote->FindRow("mid.bin"), QItemSelectionModel::ClearAndSelect);
    remote->sortByColumn(CPaneModel::kSize, Qt::DescendingOrder);
    EXPECT_EQ(remote->Rows(), (QStringList{"..", "<zeta>", "big.bin", "mid.bin", "1.txt", "ln"}));
    EXPECT_EQ(remote->SelectedRowTexts(), std::vector<std::string>{"mid.bin"});
    remote->sortByColumn(CPaneModel::kSize, Qt::AscendingOrder);
    EXPECT_EQ(remote->Rows(), (QStringList{"..", "<zeta>", "ln", "1.txt", "mid.bin", "big.bin"}));
    EXPECT_EQ(Finish(), "");
}

// A server file named "<odd>" is a file in the details view: after the folders, with its
// size and its whole name.
TEST_F(WindowLayoutTest, AFileNamedLikeAFolderRowShowsAsAFile)
{
    Connect([](CScriptSession&) {}, FileLine("<odd>", "10") + DirLine("zeta"));
    CPaneList* remote = List("remoteList");
    SetAreaWidth(900);
    EXPECT_EQ(remote->Rows(), (QStringList{"..", "<zeta>", "<odd>"}));
    EXPECT_EQ(Shown(remote, 2, CPaneModel::kName), "<odd>");
    EXPECT_EQ(Shown(remote, 2, CPaneModel::kSize), "10");
    EXPECT_EQ(Finish(), "");
}

TEST_F(WindowLayoutTest, RowsKeepOneHeightWhateverTheirCharacters)
{
    CPaneList* remote = List("remoteList");
    QList<int> heights;
    for (const std::string& name : {std::string("plain.txt"), std::string("日本語のファイル.txt")}) {
        FillRemotePane(*remote, FileLine(name), dlg->m_remoteFiles);
        for (int row = 0; row < remote->count(); ++row) {
            heights << remote->RowRect(row).height();
        }
    }
    ASSERT_EQ(heights.size(), 4);
    EXPECT_EQ(heights, QList<int>(4, heights.front()));
    EXPECT_GE(heights.front(), remote->fontMetrics().height());
}

// Side by side, the name column takes the width the other columns leave, which are as wide as
// what they show; a narrow pane drops 属性 first, then 更新日時. A long name is shortened in the
// middle and whole in its tooltip; folders show their plain names beside an icon.
TEST_F(WindowLayoutTest, TheNameColumnTakesTheSpareWidth)
{
    const QString longName = QString(60, 'n') + "-final.tar.gz";
    Connect([](CScriptSession&) {},
            FileLine(longName.toStdString(), "123") + DirLine("folder") + FileLine("short.txt", "7"));
    CPaneList* remote = List("remoteList");
    QHeaderView* header = remote->header();
    const struct {
        int area;
        bool date;
        bool attributes;
    } cases[] = {{CPaneArea::kWideWidth, true, false}, {1000, true, true}, {1800, true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.area);
        SetAreaWidth(c.area);
        EXPECT_EQ(remote->isColumnHidden(CPaneModel::kDate), !c.date);
        EXPECT_EQ(remote->isColumnHidden(CPaneModel::kAttributes), !c.attributes);
        int others = 0;
        for (int column = CPaneModel::kSize; column < CPaneModel::kColumnCount; ++column) {
            others += remote->isColumnHidden(column) ? 0 : header->sectionSize(column);
        }
        const int name = header->sectionSize(CPaneModel::kName);
        EXPECT_EQ(name + others, remote->viewport()->width()) << "the name takes the rest";
        EXPECT_GE(name, remote->viewport()->width() / 3);
    }
    // The other columns do not grow with the pane.
    const int sizeColumn = header->sectionSize(CPaneModel::kSize);
    SetAreaWidth(1000);
    EXPECT_EQ(header->sectionSize(CPaneModel::kSize), sizeColumn);
    EXPECT_LT(sizeColumn, remote->fontMetrics().horizontalAdvance("999,999,999"))
        << "as wide as \"123\" and its caption, not as a size of nine digits";

    EXPECT_EQ(remote->textElideMode(), Qt::ElideMiddle);
    const int row = remote->FindRow(longName);
    EXPECT_EQ(Shown(remote, row, CPaneModel::kName), longName);
    EXPECT_EQ(remote->model()->index(row, CPaneModel::kName).data(Qt::ToolTipRole).toString(),
              longName);
    const int folder = remote->FindRow("<folder>");
    EXPECT_EQ(Shown(remote, folder, CPaneModel::kName), "folder");
    EXPECT_FALSE(
        remote->model()->index(folder, CPaneModel::kName).data(Qt::DecorationRole).isNull());
    EXPECT_EQ(Finish(), "");
}

TEST_F(WindowLayoutTest, TabReachesEveryControlAndNeverTheStatusLine)
{
    dlg->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get(), 5000));
    dlg->SetConnectedDisplay();
    Field("remoteDirEdit")->setFocus();
    QStringList forward;
    for (int step = 0; step < 14; ++step) {
        forward << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(forward, (QStringList{"remoteDirEdit", "remoteList", "downloadButton", "uploadButton",
                                    "localDirEdit", "localList", "disconnectActionButton",
                                    "editButton", "settingsActionButton", "exitActionButton",
                                    "transferModeButton", "queuePanelButton",
                                    "conversationLogButton", "remoteDirEdit"}));
    QStringList back;
    for (int step = 0; step < 3; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        back << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(back,
              (QStringList{"remoteDirEdit", "conversationLogButton", "queuePanelButton"}));

    // A field that takes the focus makes its pane the active one.
    Field("remoteDirEdit")->setFocus();
    EXPECT_EQ(dlg->m_nActivePane, 0);
    Field("localDirEdit")->setFocus();
    EXPECT_EQ(dlg->m_nActivePane, 1);

    // Clicked into, the status line gives the focus back at the end of the next command.
    Find<QWidget>("statusLine")->setFocus();
    runner.answers.push_back(CScriptedDialogRunner::Reject());
    Action("settingsAction")->trigger();
    EXPECT_EQ(QApplication::focusWidget(), List("localList"));
}

TEST_F(WindowLayoutTest, CommandsShowTheirKeysInTheirTooltips)
{
    const struct {
        const char* action;
        const char* tip;
    } actions[] = {
        {"connectAction", "接続 (Ctrl+O)"},        {"disconnectAction", "切断 (Ctrl+D)"},
        {"settingsAction", "設定 (Ctrl+,)"},       {"exitAction", "終了 (Ctrl+Q)"},
        {"createDirAction", "新規Dir作成 (Ctrl+Shift+N)"}, {"deleteAction", "削除 (Del)"},
        {"attribAction", "属性変更 (Alt+Return)"}, {"conversationLogAction", "通信ログ (Ctrl+L)"},
    };
    for (const auto& entry : actions) {
        EXPECT_EQ(Action(entry.action)->toolTip(), entry.tip) << entry.action;
    }
    EXPECT_EQ(Find<QWidget>("downloadButton")->toolTip(), "ダウンロード (Ctrl+G)");
    EXPECT_EQ(Find<QWidget>("uploadButton")->toolTip(), "アップロード (Ctrl+U)");
    EXPECT_EQ(Find<QWidget>("editButton")->toolTip(), "編集 (Alt+E)");
    // Every named control has a Japanese name for screen readers.
    for (const char* name : {"remoteDirEdit", "localDirEdit", "remoteList", "localList",
                             "downloadButton", "uploadButton", "statusLine", "editButton",
                             "connectActionButton", "exitActionButton"}) {
        EXPECT_FALSE(Find<QWidget>(name)->accessibleName().isEmpty()) << name;
    }
}

TEST(WindowPlace, TheWindowComesBackWhereItWasLeft)
{
    CTempStore store;
    CScriptedPrompt prompt;
    CScriptedDialogRunner runner;
    {
        CMainDlg dlg(prompt, runner);
        dlg.show();
        dlg.resize(900, 600);
        dlg.move(40, 30);
        QCoreApplication::processEvents();
        dlg.close();
    }
    EXPECT_EQ(GetSettingInt("WindowWidth", 0), 900u);
    EXPECT_EQ(GetSettingInt("WindowHeight", 0), 600u);
    {
        CMainDlg dlg(prompt, runner);
        EXPECT_EQ(dlg.size(), QSize(900, 600));
        EXPECT_EQ(dlg.pos(), QPoint(40, 30));
    }
    // A place on no screen there is now (a screen since unplugged): as at a first start,
    // three quarters of the screen (at least 960 x 640, at most all of it), side by side.
    ASSERT_TRUE(SetSettingInt("WindowLeft", 20000));
    CMainDlg dlg(prompt, runner);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QSize expected = QSize(std::max(area.width() * 3 / 4, 960), std::max(area.height() * 3 / 4, 640))
                               .boundedTo(area.size());
    EXPECT_EQ(dlg.size(), expected);
    EXPECT_TRUE(area.contains(dlg.geometry()));
    dlg.show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(dlg.IsWideLayout());
}

// The remote rows are read from the listing: the order of every column, names of any case
// and script, and rows that stay right when the listing behind them is made again.
TEST_F(WindowLayoutTest, TheRemoteRowsAreReadFromTheListing)
{
    const auto line = [](const std::string& permissions, const std::string& size,
                         const std::string& date, const std::string& name) {
        return permissions + "   1 ftp      ftp      " + size + " " + date + " " + name + "\r\n";
    };
    CPaneList* remote = List("remoteList");
    FillRemotePane(*remote,
                   line("-rw-------", "7", "Dec  1  2020", "b.TXT") +
                       line("-rwxr-xr-x", "12", "Mar  3  2023", "B.txt") +
                       line("-rw-r--r--", "5", "2021-06-30 18:45", "資料.txt") +
                       line("drwxr-xr-x", "4096", "Jan  1  2019", "Alpha") +
                       line("-rw-r--r--", "300", "Jul  4  2022", "a.bin"),
                   dlg->m_remoteFiles);
    SetAreaWidth(420);
    // Case is ignored first, then decides; "<" comes before letters.
    EXPECT_EQ(remote->Rows(),
              (QStringList{"..", "<Alpha>", "a.bin", "B.txt", "b.TXT", "資料.txt"}));

    SetAreaWidth(900);
    const struct {
        int column;
        Qt::SortOrder order;
        QStringList rows;
    } cases[] = {
        {CPaneModel::kName, Qt::DescendingOrder,
         {"..", "<Alpha>", "資料.txt", "b.TXT", "B.txt", "a.bin"}},
        {CPaneModel::kDate, Qt::AscendingOrder,
         {"..", "<Alpha>", "b.TXT", "資料.txt", "a.bin", "B.txt"}},
        {CPaneModel::kDate, Qt::DescendingOrder,
         {"..", "<Alpha>", "B.txt", "a.bin", "資料.txt", "b.TXT"}},
        {CPaneModel::kAttributes, Qt::AscendingOrder,
         {"..", "<Alpha>", "b.TXT", "a.bin", "資料.txt", "B.txt"}},
        {CPaneModel::kSize, Qt::AscendingOrder,
         {"..", "<Alpha>", "資料.txt", "b.TXT", "B.txt", "a.bin"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.column * 10 + c.order);
        remote->sortByColumn(c.column, c.order);
        EXPECT_EQ(remote->Rows(), c.rows);
    }
    const int row = remote->FindRow("資料.txt");
    ASSERT_GE(row, 0);
    EXPECT_EQ(Shown(remote, row, CPaneModel::kName), "資料.txt");
    EXPECT_EQ(Shown(remote, row, CPaneModel::kDate), "2021-06-30 18:45");
    EXPECT_EQ(remote->RowData(remote->FindRow("<Alpha>")).name, "Alpha");

    // The listing is emptied and made again behind rows still on screen: they keep showing
    // what they were listed as.
    dlg->m_remoteFiles.Clear();
    CRowList elsewhere;
    FillRemotePane(elsewhere, line("-rw-r--r--", "1", "Jan  1  2000", "z"), dlg->m_remoteFiles);
    EXPECT_EQ(Shown(remote, row, CPaneModel::kName), "資料.txt");
    EXPECT_EQ(Shown(remote, row, CPaneModel::kSize), "5");
}

// The log pane: hidden at first, shown from the 編集 menu with what was said since the start
// (the password hidden), and hidden again.
TEST_F(WindowLayoutTest, TheConversationLogShowsWhatWasSaid)
{
    auto* view = Find<QPlainTextEdit>("conversationLog");
    EXPECT_EQ(view->accessibleName(), "通信ログ");
    EXPECT_FALSE(view->isVisible());
    Connect(
        [](CScriptSession& s) {
            s.ExpectReply("USER anna", "331 Password required\r\n");
            s.ExpectReply("PASS secret", "230 Logged in\r\n");
        },
        FileLine("a.txt"));
    ASSERT_TRUE(dlg->m_engine.Login("anna", "secret"));
    Action("conversationLogAction")->trigger();
    EXPECT_TRUE(view->isVisible());
    const QString text = view->toPlainText();
    for (const char* said : {"] < 220 Ready", "] > USER anna", "] < 331 Password required",
                             "] > PASS ****", "] < 230 Logged in"}) {
        EXPECT_TRUE(text.contains(QString::fromUtf8(said))) << said << "\n" << text.toStdString();
    }
    EXPECT_FALSE(text.contains("secret"));
    Action("conversationLogAction")->trigger();
    EXPECT_FALSE(view->isVisible());
    EXPECT_EQ(Finish(), "");
}
