// The one way command handlers talk to the user in a modal box: a message with OK only, or a
// question answered yes or no. The desktop shows message boxes; tests script the answers, so
// no test ever waits in a modal loop.
#pragma once

#include <QString>

namespace tarnwick {

class CPrompt {
public:
    virtual ~CPrompt() = default;
    // Shows `text` with an OK button and returns when it is dismissed.
    virtual void Message(const QString& text) = 0;
    // Asks `text`; true for yes, false for no (also when the box is closed another way).
    virtual bool Ask(const QString& text) = 0;
};

} // namespace tarnwick
