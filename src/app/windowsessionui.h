// CWindowSessionUi: the session speaking through the main window: questions and messages in
// message boxes, texts in the status line, wait texts in the wait box.
#pragma once

#include "session/sessionui.h"

namespace tarnwick {

class CMainDlg;
class CPrompt;

class CWindowSessionUi : public CSessionUi {
public:
    CWindowSessionUi(CMainDlg& window, CPrompt& prompt) : m_window(window), m_prompt(prompt) {}

    bool Ask(const std::string& question) override;
    void Message(const std::string& text) override;
    void SetStatus(const std::string& text) override;
    void ShowWaitText(const std::string& text) override;
    void HideWaitText() override;
    // "n / m" in the progress box.
    void BeginItem(std::size_t number, std::size_t count) override;
    void ConnectionLost() override;
    CertificateAnswer TrustCertificate(const CertificateInfo& certificate,
                                       const std::string& server) override;

private:
    CMainDlg& m_window;
    CPrompt& m_prompt;
};

} // namespace tarnwick
