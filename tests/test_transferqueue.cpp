// The background queue against a real vsftpd whose transfers are slowed down, so that items
// overlap: several connections at once, cancel and retry of one item, a file that is there
// already, and items that would move the same file twice.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ftp/ftpclient.h"
#include "session/transferqueue.h"
#include "support/realserver.h"
#include "support/tempdir.h"

using namespace tarnwick;
using namespace tarnwick::testing;
using namespace std::chrono_literals;

namespace {

constexpr auto kLimit = 60s;

class TransferQueueTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const std::string why = CVsftpdServer::SkipReason(); !why.empty()) {
            GTEST_SKIP() << why;
        }
        CRealFtpServer::Options options;
        options.maxRate = 400 * 1024;
        server = std::make_unique<CVsftpdServer>(options);
        ASSERT_TRUE(server->Start()) << server->Error();
    }

    CTransferQueue::ConnectFn Login()
    {
        return [this](CFtpClient& engine, int, std::string& why) {
            if (engine.Connect(server->Host(), server->Port()) &&
                engine.Login(server->User(), server->Password()) && engine.NegotiateFeatures()) {
                return true;
            }
            why = "login failed";
            return false;
        };
    }

    // Keeps the most items seen running at once.
    CTransferQueue::ChangeFn Watch(const std::atomic<const CTransferQueue*>& watched)
    {
        return [this, &watched] {
            const CTransferQueue* queue = watched.load();
            if (queue == nullptr) {
                return;
            }
            const auto items = queue->Items();
            const int running = static_cast<int>(
                std::count_if(items.begin(), items.end(), [](const QueueItem& item) {
                    return item.state == QueueItem::State::Running;
                }));
            mostRunning = std::max(mostRunning.load(), running);
        };
    }

    TransferRequest Get(const std::string& name)
    {
        TransferRequest request;
        request.remotePath = server->PathOf(name);
        request.localPath = local.File(name);
        return request;
    }
    TransferRequest Put(const std::string& name)
    {
        TransferRequest request;
        request.direction = TransferDirection::Upload;
        request.remotePath = server->PathOf(name);
        request.localPath = local.File(name);
        return request;
    }

    static QueueItem ItemOf(const CTransferQueue& queue, int id)
    {
        for (const QueueItem& item : queue.Items()) {
            if (item.id == id) {
                return item;
            }
        }
        return {};
    }

    std::unique_ptr<CRealFtpServer> server;
    CTempDir local;
    std::atomic<int> mostRunning{0};
};

std::string Bytes(std::size_t size, char seed)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(seed + static_cast<char>(i * 7 % 251));
    }
    return bytes;
}

} // namespace

TEST_F(TransferQueueTest, ItemsRunSideBySideOnTheirOwnConnections)
{
    const std::string a = Bytes(300 * 1024, 'a'), b = Bytes(300 * 1024, 'b');
    const std::string c = Bytes(200 * 1024, 'c');
    server->PutFile("a.bin", a);
    server->PutFile("b.bin", b);
    WriteWholeFile(local.File("c.bin"), c);
    std::atomic<const CTransferQueue*> watched{nullptr};
    CTransferQueue queue(2, Login(), Watch(watched));
    watched = &queue;
    const int ids[] = {queue.Add(Get("a.bin")), queue.Add(Get("b.bin")), queue.Add(Put("c.bin"))};
    ASSERT_TRUE(queue.WaitUntilIdle(kLimit));
    watched = nullptr;
    std::set<int> connections;
    for (const int id : ids) {
        const QueueItem item = ItemOf(queue, id);
        EXPECT_EQ(item.state, QueueItem::State::Done) << id << ": " << item.why;
        connections.insert(item.connection);
    }
    EXPECT_EQ(connections, (std::set<int>{1, 2}));
    EXPECT_EQ(mostRunning.load(), 2);
    EXPECT_EQ(ReadWholeFile(local.File("a.bin")), a);
    EXPECT_EQ(ReadWholeFile(local.File("b.bin")), b);
    EXPECT_EQ(server->ReadFile("c.bin"), c);
}

TEST_F(TransferQueueTest, OneItemIsCancelledAndRetriedWhileTheOtherGoesOn)
{
    const std::string big = Bytes(2 * 1024 * 1024, 'x'), small = Bytes(200 * 1024, 'y');
    server->PutFile("big.bin", big);
    server->PutFile("small.bin", small);
    CTransferQueue queue(2, Login());
    const int slow = queue.Add(Get("big.bin"));
    const int quick = queue.Add(Get("small.bin"));
    const int missing = queue.Add(Get("missing.bin"));
    // Cancelled once it moves: its target is never made.
    for (int wait = 0; wait < 600 && ItemOf(queue, slow).moved == 0; ++wait) {
        std::this_thread::sleep_for(10ms);
    }
    queue.Cancel(slow);
    ASSERT_TRUE(queue.WaitUntilIdle(kLimit));
    EXPECT_EQ(ItemOf(queue, slow).state, QueueItem::State::Cancelled);
    EXPECT_FALSE(std::filesystem::exists(local.File("big.bin")));
    EXPECT_EQ(ItemOf(queue, quick).state, QueueItem::State::Done);
    EXPECT_EQ(ReadWholeFile(local.File("small.bin")), small);
    const QueueItem failed = ItemOf(queue, missing);
    EXPECT_EQ(failed.state, QueueItem::State::Failed);
    EXPECT_NE(failed.why.find("550"), std::string::npos) << failed.why;

    // Retried, both arrive; the finished ones can be cleared.
    server->PutFile("missing.bin", "now here");
    EXPECT_TRUE(queue.Retry(slow));
    EXPECT_TRUE(queue.Retry(missing));
    EXPECT_FALSE(queue.Retry(quick)) << "a finished item is not run again";
    ASSERT_TRUE(queue.WaitUntilIdle(kLimit));
    EXPECT_EQ(ReadWholeFile(local.File("big.bin")), big);
    EXPECT_EQ(ReadWholeFile(local.File("missing.bin")), "now here");
    queue.ClearFinished();
    EXPECT_TRUE(queue.Items().empty());
}

// Questions come at an item's turn, one at a time, about the file as it is then; while one
// is open the other connection goes on moving; すべてに適用 holds for the rest of the queue.
TEST_F(TransferQueueTest, AnItemAsksAtItsTurnWhileTheOthersMove)
{
    const std::string big = Bytes(600 * 1024, 'g');
    const std::string whole = Bytes(100 * 1024, 'r');
    server->PutFile("big.bin", big);
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
        server->PutFile(name, std::string("server ") + name);
        WriteWholeFile(local.File(name), std::string("mine ") + name);
    }
    server->PutFile("r.bin", whole);
    WriteWholeFile(local.File("r.bin.part"), whole.substr(0, 40 * 1024));
    WriteWholeFile(local.File("up.bin"), whole);
    server->PutFile("up.bin", whole.substr(0, 30 * 1024));

    std::atomic<const CTransferQueue*> watched{nullptr};
    std::atomic<int> bigId{0};
    std::vector<std::string> asked; // only the worker that asks writes it, one at a time
    bool bigMovedWhileAsked = false;
    CTransferQueue queue(2, Login(), {}, [&](const QueueItem& item, const ExistingFile& file,
                                             bool& applyToAll, const CCancelToken&) {
        asked.push_back(file.name);
        if (file.name == "a.txt") {
            // The big file goes on while this question is open.
            const std::int64_t before = ItemOf(*watched.load(), bigId).moved;
            for (int wait = 0; wait < 500 && !bigMovedWhileAsked; ++wait) {
                std::this_thread::sleep_for(10ms);
                bigMovedWhileAsked = ItemOf(*watched.load(), bigId).moved > before;
            }
            return ExistingAnswer::Replace;
        }
        if (file.name == "r.bin") {
            EXPECT_TRUE(file.canResume && !file.exists) << file.question;
            return ExistingAnswer::Resume;
        }
        if (file.name == "up.bin") {
            EXPECT_TRUE(file.canResume && file.exists) << file.question;
            return ExistingAnswer::Resume;
        }
        EXPECT_NE(file.question.find(item.request.localPath.substr(local.File("").size())),
                  std::string::npos);
        applyToAll = true;
        return ExistingAnswer::Skip;
    });
    watched = &queue;
    QueueQuestion question;
    question.askReplace = true;
    bigId = queue.Add(Get("big.bin"), question);
    for (int wait = 0; wait < 500 && ItemOf(queue, bigId).moved == 0; ++wait) {
        std::this_thread::sleep_for(10ms);
    }
    const int a = queue.Add(Get("a.txt"), question);
    const int r = queue.Add(Get("r.bin"), question);
    QueueQuestion upload = question;
    upload.serverFile = FileFacts{30 * 1024, -1, ""};
    const int up = queue.Add(Put("up.bin"), upload);
    const int b = queue.Add(Get("b.txt"), question);
    const int c = queue.Add(Get("c.txt"), question);
    // The same file twice, either way, is refused while the first is pending.
    EXPECT_EQ(queue.Add(Get("c.txt")), -1);
    EXPECT_EQ(queue.Add(Put("b.txt")), -1);
    ASSERT_TRUE(queue.WaitUntilIdle(kLimit));
    watched = nullptr;

    EXPECT_TRUE(bigMovedWhileAsked) << "the other connection moved while a question was open";
    EXPECT_EQ(asked, (std::vector<std::string>{"a.txt", "r.bin", "up.bin", "b.txt"}))
        << "c.txt took b.txt's answer for all";
    for (const int id : {bigId.load(), a, r, up}) {
        EXPECT_EQ(ItemOf(queue, id).state, QueueItem::State::Done) << id << ItemOf(queue, id).why;
    }
    EXPECT_EQ(ItemOf(queue, b).state, QueueItem::State::Skipped);
    EXPECT_EQ(ItemOf(queue, c).state, QueueItem::State::Skipped);
    EXPECT_EQ(ReadWholeFile(local.File("a.txt")), "server a.txt");
    EXPECT_EQ(ReadWholeFile(local.File("b.txt")), "mine b.txt");
    EXPECT_EQ(ReadWholeFile(local.File("c.txt")), "mine c.txt");
    EXPECT_TRUE(ReadWholeFile(local.File("r.bin")) == whole);
    EXPECT_TRUE(server->ReadFile("up.bin") == whole);
    EXPECT_TRUE(ReadWholeFile(local.File("big.bin")) == big);

    // The answer for all ended with the queue's work: the next file there is asked about.
    WriteWholeFile(local.File("d.txt"), "mine d");
    server->PutFile("d.txt", "server d");
    const int d = queue.Add(Get("d.txt"), question);
    ASSERT_TRUE(queue.WaitUntilIdle(kLimit));
    EXPECT_EQ(asked.back(), "d.txt");
    EXPECT_EQ(ItemOf(queue, d).state, QueueItem::State::Skipped);
}

TEST_F(TransferQueueTest, AConnectionThatCannotBeMadeFailsItsItemsWithTheReason)
{
    server->PutFile("a.txt", "a");
    CTransferQueue queue(2, [](CFtpClient&, int, std::string& why) {
        why = "接続できません";
        return false;
    });
    const int id = queue.Add(Get("a.txt"));
    ASSERT_TRUE(queue.WaitUntilIdle(kLimit));
    EXPECT_EQ(ItemOf(queue, id).state, QueueItem::State::Failed);
    EXPECT_EQ(ItemOf(queue, id).why, "接続できません");
    EXPECT_FALSE(std::filesystem::exists(local.File("a.txt")));
}
