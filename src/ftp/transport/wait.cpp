#include "ftp/transport/wait.h"

#include <cerrno>

#include "ftp/transport/canceltoken.h"

namespace tarnwick {

namespace {

constexpr int kSliceMs = 50;

} // namespace

CDeadline::CDeadline(const WaitPolicy& policy) : m_limit(policy.limit)
{
    Restart();
}

void CDeadline::Restart()
{
    m_end = std::chrono::steady_clock::now() + m_limit;
}

bool CDeadline::Expired() const
{
    return m_limit.count() > 0 && std::chrono::steady_clock::now() >= m_end;
}

int CDeadline::NextSliceMs(int slice) const
{
    if (m_limit.count() <= 0) {
        return slice;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          m_end - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) {
        return 0;
    }
    return left < slice ? static_cast<int>(left) + 1 : slice;
}

bool IsCancelled(const WaitPolicy& policy)
{
    return policy.cancel != nullptr && policy.cancel->IsCancelled();
}

IoResult WaitForAny(std::span<pollfd> fds, const CDeadline& deadline, const WaitPolicy& policy)
{
    for (;;) {
        if (IsCancelled(policy)) {
            return IoResult::Cancelled;
        }
        for (pollfd& fd : fds) {
            fd.revents = 0;
        }
        const int rc = ::poll(fds.data(), fds.size(), deadline.NextSliceMs(kSliceMs));
        if (rc > 0) {
            return IoResult::Ok;
        }
        if (rc < 0 && errno != EINTR) {
            return IoResult::Error;
        }
        if (policy.pump) {
            policy.pump();
        }
        if (IsCancelled(policy)) {
            return IoResult::Cancelled;
        }
        if (deadline.Expired()) {
            return IoResult::TimedOut;
        }
    }
}

} // namespace tarnwick
