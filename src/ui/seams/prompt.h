// The one way command handlers talk to the user in a modal box: a message with OK only, or a
// question answered yes or no. The desktop shows message boxes; tests script the answers, so
// no test ever waits in a modal loop.
#pragma once

#include <QString>
#include <QStringList>

namespace tarnwick {

class CPrompt {
public:
    virtual ~CPrompt() = default;
    // Shows `text` with an OK button and returns when it is dismissed.
    virtual void Message(const QString& text) = 0;
    // Asks `text`; true for yes, false for no (also when the box is closed another way).
    virtual bool Ask(const QString& text) = 0;
    // Asks `text` before damage that cannot be undone: no is the default (Enter and Escape
    // answer no).
    virtual bool AskCaution(const QString& text) { return Ask(text); }
    // Asks `text` with a button for each of `buttons` (the first is the default, the second
    // answers Escape) and returns the index pressed. With `applyToAll` a box "すべてに適用"
    // is offered, and set as the user left it. Where only yes and no can be answered, yes is
    // the first button and no the second.
    virtual int Choose(const QString& text, const QStringList& buttons, bool* applyToAll)
    {
        static_cast<void>(buttons);
        static_cast<void>(applyToAll);
        return Ask(text) ? 0 : 1;
    }
};

} // namespace tarnwick
