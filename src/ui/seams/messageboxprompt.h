// CMessageBoxPrompt: the prompt as real message boxes, with Japanese button captions whether
// or not Qt's own translation is installed.
#pragma once

#include <memory>

#include "ui/seams/prompt.h"

class QMessageBox;

namespace tarnwick {

class CMessageBoxPrompt : public CPrompt {
public:
    void Message(const QString& text) override;
    bool Ask(const QString& text) override;
    bool AskCaution(const QString& text) override;
    int Choose(const QString& text, const QStringList& buttons, bool* applyToAll) override;

    // The box Message (OK only) or Ask ("はい" and "いいえ", yes as default, Escape = no; no as
    // default too when `caution`) runs, owned by the window the user is working in.
    [[nodiscard]] static std::unique_ptr<QMessageBox> MakeBox(const QString& text, bool question,
                                                              bool caution = false);
};

} // namespace tarnwick
