// CScriptedPrompt: the prompt for tests. It records every message and question in order and
// answers questions from a queue (no when the queue is empty), so no test ever waits in a
// message box.
#pragma once

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <utility>

#include "ui/seams/prompt.h"

namespace tarnwick::testing {

class CScriptedPrompt : public CPrompt {
public:
    void Message(const QString& text) override
    {
        messages << text;
        asked << text;
    }
    bool Ask(const QString& text) override
    {
        questions << text;
        asked << text;
        if (answers.empty()) {
            return false;
        }
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }

    // A question whose default is no: recorded in `cautions` too.
    bool AskCaution(const QString& text) override
    {
        cautions << text;
        return Ask(text);
    }

    // A question with its own buttons takes the next of `choices` (the button's index, and
    // "すべてに適用" ticked or not); without one it is answered as a yes/no question.
    int Choose(const QString& text, const QStringList& buttons, bool* applyToAll) override
    {
        if (choices.empty()) {
            return CPrompt::Choose(text, buttons, applyToAll);
        }
        questions << text;
        asked << text;
        offered << buttons.join(QLatin1Char('/')) + (applyToAll != nullptr ? "+all" : "");
        if (whileChoosing) {
            whileChoosing();
        }
        const auto [index, all] = choices.front();
        choices.pop_front();
        if (applyToAll != nullptr) {
            *applyToAll = all;
        }
        return index;
    }

    // Runs while a Choose question is open, before it is answered.
    std::function<void()> whileChoosing;
    // Answers for the next questions, yes = true.
    std::deque<bool> answers;
    std::deque<std::pair<int, bool>> choices;
    // The buttons of each Choose ("上書き/スキップ", "+all" when the box was offered).
    QStringList offered;
    QStringList messages;
    QStringList questions;
    // The questions asked with no as the default.
    QStringList cautions;
    // Messages and questions together, in the order they came.
    QStringList asked;
};

} // namespace tarnwick::testing
