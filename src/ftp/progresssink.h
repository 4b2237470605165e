// Where the engine's transfers report progress. The GUI's wait box implements it; the
// command-line front end draws a bar; tests record the texts.
#pragma once

#include <cstdint>
#include <string>

namespace tarnwick {

class CProgressSink {
public:
    virtual ~CProgressSink() = default;
    // The box appears with its first text ("準備中です\nしばらくお待ちください").
    virtual void Begin(const std::string& text) = 0;
    // The text changes and is shown at once. `done` and `total` are the byte counts behind a
    // running-count text ("...name\n510/1000"); both are -1 for other texts.
    virtual void Update(const std::string& text, std::int64_t done, std::int64_t total) = 0;
    // The box goes away.
    virtual void End() = 0;
};

} // namespace tarnwick
