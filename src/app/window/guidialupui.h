// CGuiDialUpUi: how the dial-up manager speaks to the user in the window: its wait texts in
// the window's wait box, its failures in message boxes.
#pragma once

#include <string>

#include "dialup/dialupmanager.h"

namespace tarnwick {

class CMainDlg;
class CPrompt;

class CGuiDialUpUi : public CDialUpUi {
public:
    CGuiDialUpUi(CMainDlg& window, CPrompt& prompt) : m_window(window), m_prompt(prompt) {}

    void ShowWaitText(const std::string& text) override;
    void HideWaitText() override;
    void ShowMessage(const std::string& text) override;

private:
    CMainDlg& m_window;
    CPrompt& m_prompt;
};

} // namespace tarnwick
