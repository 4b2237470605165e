#include "ui/seams/guiclock.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <thread>

namespace tarnwick {

namespace {

// Short enough that the window repaints smoothly while a dial-up wait polls.
constexpr std::int64_t kSliceMs = 20;

} // namespace

std::int64_t CGuiClock::NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void CGuiClock::SleepMs(int ms)
{
    const std::int64_t end = NowMs() + ms;
    for (std::int64_t now = NowMs(); now < end; now = NowMs()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(kSliceMs, end - now)));
    }
}

} // namespace tarnwick
