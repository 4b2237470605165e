#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QTest>

#include "ui/widgets/settingpagex.h"
#include "ui/widgets/waitdlg.h"

using namespace tarnwick;

namespace {

QLabel* Text(const QWidget& box, const char* name)
{
    auto* label = box.findChild<QLabel*>(QString::fromLatin1(name));
    EXPECT_NE(label, nullptr) << name;
    return label;
}

} // namespace

TEST(WaitDlg, TwoLineTextShowsBothLinesCentred)
{
    CWaitDlg box;
    box.SetText("ファイルリスト取得中です。\nしばらくお待ちください...");
    box.ShowNow();
    EXPECT_TRUE(box.isVisible());
    EXPECT_EQ(box.windowTitle(), "しばらくお待ちください...");
    QLabel* label = Text(box, "waitText");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), "ファイルリスト取得中です。\nしばらくお待ちください...");
    EXPECT_TRUE(label->alignment() & Qt::AlignHCenter);
    // Both lines fit: the label is as tall and as wide as the two lines need.
    const QFontMetrics metrics = label->fontMetrics();
    EXPECT_GE(label->height(), 2 * metrics.height());
    EXPECT_GE(label->width(), metrics.horizontalAdvance("ファイルリスト取得中です。"));
    EXPECT_GE(label->width(), metrics.horizontalAdvance("しばらくお待ちください..."));
}

TEST(WaitDlg, ProgressUseShowsEachTextAndGoesAtTheEnd)
{
    CWaitDlg box;
    CProgressSink& sink = box;
    sink.Begin("準備中です\nしばらくお待ちください");
    EXPECT_TRUE(box.isVisible());
    EXPECT_EQ(Text(box, "waitText")->text(), "準備中です\nしばらくお待ちください");
    sink.Update("...data.bin\n510/1000", 510, 1000);
    EXPECT_EQ(Text(box, "waitText")->text(), "...data.bin\n510/1000");
    EXPECT_TRUE(box.isVisible());
    // The user cannot take it away while its operation runs.
    QTest::keyClick(&box, Qt::Key_Escape);
    EXPECT_TRUE(box.isVisible());
    sink.Update("...data.bin\n1000/1000", 1000, 1000);
    sink.End();
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.GetText(), "...data.bin\n1000/1000");
}

TEST(InfoPage, ShowsTheProductLinesCreditsAndMotto)
{
    CSettingPageX page;
    EXPECT_EQ(page.windowTitle(), "Info.");
    const QStringList lines = Text(page, "infoText")->text().split('\n');
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[0], "Tarnwick for PocketPC");
    EXPECT_EQ(lines[1], "Build 11");
    EXPECT_EQ(lines[2], "(basis on Tarnwick #45)");
    EXPECT_EQ(lines[3], "");
    EXPECT_FALSE(lines[4].isEmpty());
    EXPECT_FALSE(lines[5].isEmpty());
    const QStringList motto = Text(page, "infoMotto")->text().split('\n');
    ASSERT_EQ(motto.size(), 2);
    EXPECT_TRUE(motto[0].contains("教"));
    EXPECT_TRUE(motto[1].contains("学"));
    EXPECT_FALSE(Text(page, "infoIcon")->pixmap().isNull());
}

TEST(WaitDlg, ProgressAddsABarPercentSpeedTimeLeftAndTheFileCount)
{
    QWidget owner;
    owner.setGeometry(100, 80, 900, 700);
    owner.show();
    CWaitDlg box(&owner);
    CProgressSink& sink = box;
    box.SetItemCount(2, 5);
    sink.Begin("準備中です\nしばらくお待ちください");
    auto* bar = box.findChild<QProgressBar*>("progressBar");
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isHidden()) << "no bar before bytes move";
    // Speed and time left need a moment of transfer behind them.
    QTest::qWait(300);
    sink.Update("...data.bin\n250/1000", 250, 1000);
    EXPECT_EQ(Text(box, "waitText")->text(), "...data.bin\n250/1000") << "the two lines stay";
    EXPECT_FALSE(bar->isHidden());
    EXPECT_EQ(bar->value(), 250);
    const QStringList parts = box.GetDetails().split(" ・ ");
    ASSERT_EQ(parts.size(), 4) << box.GetDetails().toStdString();
    EXPECT_EQ(parts[0], "25%");
    EXPECT_TRUE(parts[1].endsWith("B/s")) << parts[1].toStdString();
    EXPECT_TRUE(parts[2].startsWith("残り ")) << parts[2].toStdString();
    EXPECT_EQ(parts[3], "2 / 5 ファイル");

    // Centred on its window, and it goes along when the window moves.
    EXPECT_LE((box.frameGeometry().center() - owner.frameGeometry().center()).manhattanLength(), 2);
    owner.move(300, 200);
    QCoreApplication::processEvents();
    EXPECT_LE((box.frameGeometry().center() - owner.frameGeometry().center()).manhattanLength(), 2);
    // The caption fits, with room for the window manager's buttons.
    EXPECT_GE(box.width(), box.fontMetrics().horizontalAdvance(box.windowTitle()) + 100);

    // A single file says no count; an unknown size moves the bar without a percentage.
    box.SetItemCount(1, 1);
    sink.Update("...data.bin\n300/0", 300, 0);
    EXPECT_FALSE(box.GetDetails().contains("%"));
    EXPECT_FALSE(box.GetDetails().contains("ファイル"));
    EXPECT_EQ(bar->maximum(), 0);
    // Within a tree the bar runs over the tree: its files n / m and bytes x / y.
    TreeCounts tree;
    tree.files = 11;
    tree.filesTotal = 300;
    tree.bytes = 3 * 1024 * 1024 / 2 - 300;
    tree.bytesTotal = 3 * 1024 * 1024;
    box.SetTreeCounts(tree);
    sink.Update("...data.bin\n300/0", 300, 0);
    EXPECT_TRUE(box.GetDetails().startsWith("50% ・ ")) << box.GetDetails().toStdString();
    EXPECT_TRUE(box.GetDetails().endsWith("ファイル 12 / 300 ・ 1.5 MB / 3.0 MB"))
        << box.GetDetails().toStdString();
    EXPECT_EQ(bar->value(), 500);
    sink.End();
}

TEST(WaitDlg, SpeedAndTimeTexts)
{
    const struct {
        double speed;
        const char* text;
    } speeds[] = {{512, "512 B/s"}, {2048, "2.0 KB/s"}, {1.5 * 1024 * 1024, "1.5 MB/s"},
                  {3.3 * 1024 * 1024 * 1024, "3.3 GB/s"}};
    for (const auto& row : speeds) {
        EXPECT_EQ(CWaitDlg::SpeedText(row.speed), row.text);
    }
    const struct {
        std::int64_t seconds;
        const char* text;
    } times[] = {{5, "0:05"}, {65, "1:05"}, {3600, "1:00:00"}, {3725, "1:02:05"}};
    for (const auto& row : times) {
        EXPECT_EQ(CWaitDlg::TimeText(row.seconds), row.text);
    }
}

// A resumed file: what was there before is no part of the speed or the time left. 9 MB were
// there; 100 KB more moved in about 0.3 s, so the speed is some hundreds of KB/s and the rest
// takes seconds, not the "30 MB/s, 残り 0:01" that counting the part would give.
TEST(WaitDlg, TheSpeedCountsOnlyTheBytesMovedInThisRun)
{
    CWaitDlg box;
    CProgressSink& sink = box;
    box.BeginCommand();
    box.SetResumeOffset(9'000'000);
    sink.Begin("準備中です\nしばらくお待ちください");
    QTest::qWait(300);
    sink.Update("...big.iso\n9100000/10000000", 9'100'000, 10'000'000);
    const QStringList parts = box.GetDetails().split(" ・ ");
    ASSERT_EQ(parts.size(), 3) << box.GetDetails().toStdString();
    EXPECT_EQ(parts[0], "91%");
    EXPECT_TRUE(parts[1].endsWith(" KB/s")) << parts[1].toStdString();
    EXPECT_LT(parts[1].split(' ').front().toDouble(), 400.0);
    EXPECT_TRUE(parts[2].startsWith("残り ")) << parts[2].toStdString();
    EXPECT_NE(parts[2], "残り 0:01");
    // Within the command the box waits for the next file; the command's end takes it away.
    sink.End();
    EXPECT_TRUE(box.isVisible());
    box.EndCommand();
    EXPECT_FALSE(box.isVisible());
}
