#include <gtest/gtest.h>

#include <unistd.h>

#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <memory>

#include "app/clientapp.h"
#include "app/window/maindlg.h"
#include "ui/seams/singleinstance.h"
#include "support/gui/scripteddialogrunner.h"
#include "support/gui/scriptedprompt.h"
#include "support/tempdir.h"

using namespace tarnwick;
using namespace tarnwick::testing;

namespace {

constexpr int kWaitMs = 20000;

// A key no other test or run uses.
QString UniqueKey()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("tarnwick-test-%1-%2").arg(getpid()).arg(++counter);
}

// The real program, started with its own instance key and settings store, without a display.
std::unique_ptr<QProcess> Start(const QString& key, const CTempStore& store)
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("TARNWICK_INSTANCE_KEY", key);
    env.insert("TARNWICK_CONFIG_DIR", QString::fromStdString(store.Dir()));
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(QStringLiteral(TARNWICK_EXE), QStringList());
    EXPECT_TRUE(process->waitForStarted(kWaitMs));
    return process;
}

// Waits, with the event loop running, until the process ends; true when it ended on its own
// with status 0.
bool EndsCleanly(QProcess& process)
{
    const bool ended =
        QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, kWaitMs);
    return ended && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// True once a first copy listens under `key`. The probe sends nothing, so it asks for no
// activation.
bool FirstCopyListens(const QString& key)
{
    const QString path = CSingleInstance(key).SocketPath();
    return QTest::qWaitFor(
        [&] {
            QLocalSocket probe;
            probe.connectToServer(path);
            return probe.waitForConnected(200);
        },
        kWaitMs);
}

void Stop(QProcess& process)
{
    process.terminate();
    if (!process.waitForFinished(kWaitMs)) {
        process.kill();
        process.waitForFinished(kWaitMs);
    }
}

} // namespace

TEST(ClientApp, WithoutSocketsTellsSoAndEndsLeavingNoLockBehind)
{
    CTempStore store;
    const QString key = UniqueKey();
    CScriptedPrompt prompt;
    CScriptedDialogRunner runner;
    CClientApp failing(prompt, runner);
    failing.SetInstanceKey(key);
    failing.SetSocketCheck([] { return false; });
    EXPECT_EQ(failing.InitInstance(), 1);
    EXPECT_EQ(prompt.messages, QStringList{"Windows CE ソケットの初期化に失敗しました。"});
    EXPECT_TRUE(runner.ran.isEmpty()) << "no window";

    // Once sockets work, the next start is a first copy and runs its window to the end.
    CClientApp working(prompt, runner);
    working.SetInstanceKey(key);
    bool ranWithWindow = false;
    runner.answers.push_back([&](QDialog& dialog) {
        ranWithWindow = working.m_pMainWnd == &dialog && dialog.isVisible();
        return static_cast<int>(QDialog::Rejected);
    });
    EXPECT_EQ(working.InitInstance(), 0);
    EXPECT_TRUE(ranWithWindow);
    EXPECT_EQ(runner.ran, QStringList{"mainDialog"});
    EXPECT_EQ(working.m_pMainWnd, nullptr);
    EXPECT_EQ(prompt.messages.size(), 1);
}

TEST(SingleInstance, SecondStartRaisesTheFirstWindowAndExits)
{
    CTempStore store;
    const QString key = UniqueKey();
    CScriptedPrompt prompt;
    CScriptedDialogRunner runner;
    CClientApp first(prompt, runner);
    first.SetInstanceKey(key);
    bool raised = false;
    bool secondEnded = false;
    runner.answers.push_back([&](QDialog& dialog) {
        dialog.showMinimized();
        auto second = Start(key, store);
        secondEnded = EndsCleanly(*second);
        raised = QTest::qWaitFor(
            [&] { return !(dialog.windowState() & Qt::WindowMinimized) && dialog.isVisible(); },
            kWaitMs);
        return static_cast<int>(QDialog::Rejected);
    });
    EXPECT_EQ(first.InitInstance(), 0);
    EXPECT_TRUE(secondEnded);
    EXPECT_TRUE(raised);
    EXPECT_EQ(runner.unexpected, 0);
}

TEST(SingleInstance, SecondStartBeforeTheFirstHasAWindowExitsSilently)
{
    CTempStore store;
    const QString key = UniqueKey();
    CSingleInstance first(key);
    ASSERT_TRUE(first.Acquire());
    QSignalSpy activations(&first, &CSingleInstance::activationRequested);
    auto second = Start(key, store);
    EXPECT_TRUE(EndsCleanly(*second));
    EXPECT_EQ(activations.count(), 0);
    CSingleInstance another(key);
    EXPECT_FALSE(another.Acquire()) << "the first still holds the lock";
}

TEST(SingleInstance, TwoProgramsAndARestartAfterTheFirstEnds)
{
    CTempStore store;
    const QString key = UniqueKey();
    auto first = Start(key, store);
    ASSERT_TRUE(FirstCopyListens(key));
    auto second = Start(key, store);
    EXPECT_TRUE(EndsCleanly(*second)) << "the second start ends by itself";
    EXPECT_EQ(first->state(), QProcess::Running);

    // The first copy ends without cleaning up; its lock goes with it and its socket stays.
    Stop(*first);
    auto third = Start(key, store);
    EXPECT_TRUE(FirstCopyListens(key));
    auto fourth = Start(key, store);
    EXPECT_TRUE(EndsCleanly(*fourth));
    EXPECT_EQ(third->state(), QProcess::Running) << "the restart is a first copy again";
    Stop(*third);
}
