// CScriptedPrompt: the prompt for tests. It records every message and question in order and
// answers questions from a queue (no when the queue is empty), so no test ever waits in a
// message box.
#pragma once

#include <QString>
#include <QStringList>

#include <deque>

#include "ui/prompt.h"

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

    // Answers for the next questions, yes = true.
    std::deque<bool> answers;
    QStringList messages;
    QStringList questions;
    // Messages and questions together, in the order they came.
    QStringList asked;
};

} // namespace tarnwick::testing
