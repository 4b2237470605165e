// CCancelToken: the user's request to stop the running network work (the wait box's 中止
// button, Escape, Ctrl-C in tarnwick-cli). Every wait checks it between poll slices; setting
// it is safe from a signal handler.
#pragma once

#include <atomic>

namespace tarnwick {

class CCancelToken {
public:
    void Cancel() { m_bCancelled.store(true, std::memory_order_relaxed); }
    // Called before a new command starts: an old request never stops new work.
    void Reset() { m_bCancelled.store(false, std::memory_order_relaxed); }
    [[nodiscard]] bool IsCancelled() const { return m_bCancelled.load(std::memory_order_relaxed); }

private:
    static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
    std::atomic<bool> m_bCancelled{false};
};

} // namespace tarnwick
