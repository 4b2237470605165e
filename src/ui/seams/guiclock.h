// CGuiClock: the dial-up manager's clock in the window. Its waits keep the window painted and
// take no user input, as the engine's waits do.
#pragma once

#include "dialup/dialupmanager.h"

namespace tarnwick {

class CGuiClock : public CClock {
public:
    std::int64_t NowMs() override;
    // Sleeps in short slices, processing everything but user input between them.
    void SleepMs(int ms) override;
};

} // namespace tarnwick
