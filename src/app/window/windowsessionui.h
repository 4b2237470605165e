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
    bool AskCaution(const std::string& question) override;
    void Message(const std::string& text) override;
    void SetStatus(const std::string& text) override;
    // The English words behind the status text: its tooltip.
    void SetStatusOriginal(const std::string& text) override;
    void ShowWaitText(const std::string& text) override;
    void HideWaitText() override;
    // "n / m" in the progress box.
    void BeginItem(std::size_t number, std::size_t count) override;
    void ConnectionLost() override;
    // 上書き / スキップ (/ 再開), or 再開 / スキップ / 最初から for a part alone, with
    // "すべてに適用" when more files follow.
    ExistingAnswer AskExisting(const ExistingFile& file, bool& applyToAll) override;
    // The whole tree's files and bytes in the progress box.
    void TreeProgress(const TreeCounts& counts) override;
    void TransferResumes(std::int64_t offset) override;
    void LinkFolders(const std::vector<std::string>& rows) override;
    CertificateAnswer TrustCertificate(const CertificateInfo& certificate,
                                       const std::string& server) override;

private:
    CMainDlg& m_window;
    CPrompt& m_prompt;
};

} // namespace tarnwick
