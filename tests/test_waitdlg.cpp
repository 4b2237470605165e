#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>

#include "ui/settingpagex.h"
#include "ui/waitdlg.h"

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
