// The transfer queue's panel over a queue whose connections cannot be made: a row per file
// with its name, direction and state, and the buttons that act on the failed and finished.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <atomic>
#include <thread>

#include "ui/widgets/queuepanel.h"

using namespace tarnwick;

namespace {

QString Cell(const CQueuePanel& panel, int row, int column)
{
    return panel.Model().index(row, column).data().toString();
}

} // namespace

TEST(QueuePanel, ShowsEachFileAndActsOnTheFailedAndTheFinished)
{
    CQueuePanel panel;
    EXPECT_TRUE(panel.accessibleName().contains(QStringLiteral("転送")));
    auto queue = std::make_unique<CTransferQueue>(
        2,
        [](CFtpClient&, int, std::string& why) {
            why = "接続できません";
            return false;
        },
        [&panel] { panel.Changed(); });
    panel.SetQueue(queue.get());
    // Failed items end too, each once an end: the window then lists their folders again.
    std::vector<int> ended;
    QObject::connect(&panel, &CQueuePanel::itemsEnded,
                     [&ended](const std::vector<QueueItem>& items) {
                         for (const QueueItem& item : items) {
                             ended.push_back(item.id);
                         }
                     });
    TransferRequest get;
    get.remotePath = "/pub/資料.txt";
    get.localPath = "/nonexistent-folder/資料.txt";
    get.expectedSize = 2048;
    TransferRequest put;
    put.direction = TransferDirection::Upload;
    put.remotePath = "/pub/upload.bin";
    put.localPath = "/nonexistent-folder/upload.bin";
    ASSERT_GT(queue->Add(get), 0);
    ASSERT_GT(queue->Add(put), 0);
    ASSERT_TRUE(queue->WaitUntilIdle(std::chrono::seconds(10)));
    // The change reaches the panel through the event loop.
    QTRY_COMPARE_WITH_TIMEOUT(Cell(panel, 1, CQueueModel::kState), QStringLiteral("失敗: 接続できません"),
                              5000);
    EXPECT_EQ(Cell(panel, 0, CQueueModel::kName), "資料.txt");
    EXPECT_EQ(Cell(panel, 0, CQueueModel::kDirection), "ダウンロード");
    EXPECT_EQ(Cell(panel, 0, CQueueModel::kSize), "2.0 KB");
    EXPECT_EQ(Cell(panel, 1, CQueueModel::kName), "upload.bin");
    EXPECT_EQ(Cell(panel, 1, CQueueModel::kDirection), "アップロード");
    EXPECT_EQ(ended.size(), 2U);

    auto* retry = panel.findChild<QPushButton*>("queueRetryButton");
    auto* clear = panel.findChild<QPushButton*>("queueClearButton");
    auto* cancelAll = panel.findChild<QPushButton*>("queueCancelAllButton");
    ASSERT_TRUE(retry->isEnabled());
    EXPECT_FALSE(cancelAll->isEnabled()) << "nothing is pending";
    QTest::mouseClick(retry, Qt::LeftButton);
    ASSERT_TRUE(queue->WaitUntilIdle(std::chrono::seconds(10)));
    for (const QueueItem& item : queue->Items()) {
        EXPECT_EQ(item.state, QueueItem::State::Failed) << "tried again, failed again";
    }
    panel.Refresh();
    EXPECT_EQ(ended.size(), 4U) << "ended again after the retry";
    ASSERT_TRUE(clear->isEnabled());
    QTest::mouseClick(clear, Qt::LeftButton);
    EXPECT_TRUE(queue->Items().empty());
    panel.Refresh();
    EXPECT_EQ(panel.Model().rowCount(), 0);
    EXPECT_FALSE(clear->isEnabled());
    // The queue goes first: its workers tell the panel of changes.
    queue.reset();
    panel.SetQueue(nullptr);
}

// A tree's files come below a row of their folder with its totals; choosing that row and
// 選んだ転送を中止 stops all of them.
TEST(QueuePanel, AFolderShowsItsTotalsAndActsForItsFiles)
{
    CQueuePanel panel;
    std::atomic<bool> release{false};
    auto queue = std::make_unique<CTransferQueue>(
        1,
        [&release](CFtpClient&, int, std::string& why) {
            // Holds the only connection, so the folder's files wait.
            for (int wait = 0; wait < 1000 && !release; ++wait) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            why = "接続できません";
            return false;
        },
        [&panel] { panel.Changed(); });
    panel.SetQueue(queue.get());
    const auto get = [](const std::string& path, std::int64_t size) {
        TransferRequest request;
        request.remotePath = path;
        request.localPath = "/nonexistent-folder" + path;
        request.expectedSize = size;
        return request;
    };
    ASSERT_GT(queue->Add(get("/alone.txt", 10)), 0);
    const QueueFolder folder{7, "/pub/data/"};
    ASSERT_GT(queue->Add(get("/pub/data/a.txt", 1024), std::nullopt, folder), 0);
    ASSERT_GT(queue->Add(get("/pub/data/sub/b.txt", 1024), std::nullopt, folder), 0);
    panel.Refresh();
    ASSERT_EQ(panel.Model().rowCount(), 4);
    const QStringList expected[] = {
        {"alone.txt", "", ""},
        {"data/", "2.0 KB", "0 / 2 ファイル"},
        {"    a.txt", "1.0 KB", ""},
        {"    b.txt", "1.0 KB", ""},
    };
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(Cell(panel, row, CQueueModel::kName), expected[row][0]) << row;
        if (row > 0) {
            EXPECT_EQ(Cell(panel, row, CQueueModel::kSize), expected[row][1]) << row;
        }
    }
    EXPECT_EQ(Cell(panel, 1, CQueueModel::kProgress), expected[1][2]);
    EXPECT_EQ(Cell(panel, 1, CQueueModel::kState), "待機中");

    panel.Table()->selectRow(1);
    auto* cancel = panel.findChild<QPushButton*>("queueCancelButton");
    ASSERT_TRUE(cancel->isEnabled());
    QTest::mouseClick(cancel, Qt::LeftButton);
    release = true;
    ASSERT_TRUE(queue->WaitUntilIdle(std::chrono::seconds(10)));
    panel.Refresh();
    EXPECT_EQ(Cell(panel, 1, CQueueModel::kState), "中止");
    EXPECT_EQ(Cell(panel, 2, CQueueModel::kState), "中止");
    EXPECT_EQ(Cell(panel, 3, CQueueModel::kState), "中止");
    EXPECT_EQ(Cell(panel, 0, CQueueModel::kState), "失敗: 接続できません") << "not in the folder";
    queue.reset();
    panel.SetQueue(nullptr);
}
