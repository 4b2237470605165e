// CClientApp: start-up and shutdown. Checks that sockets can be used, makes sure only one
// copy runs (a later start brings the running copy's window to the front and ends), then
// runs the main window to its end.
#pragma once

#include <functional>

#include <QString>

namespace tarnwick {

class CDialogRunner;
class CMainDlg;
class CPrompt;

class CClientApp {
public:
    // The message box and the modal run of the main window go through `prompt` and
    // `runner`.
    CClientApp(CPrompt& prompt, CDialogRunner& runner);

    // Replaces the socket-layer check (true when sockets can be used).
    void SetSocketCheck(std::function<bool()> check) { m_socketCheck = std::move(check); }
    // Replaces the single-instance key (CSingleInstance::DefaultKey() otherwise).
    void SetInstanceKey(const QString& key) { m_strInstanceKey = key; }

    // Runs start-up to the end and returns the process's exit status: 1 when sockets cannot
    // be used (after the message), 0 when another copy runs or when the main window has
    // closed.
    int InitInstance();

    // The main window while it runs; null before and after.
    CMainDlg* m_pMainWnd = nullptr;

private:
    CPrompt& m_prompt;
    CDialogRunner& m_runner;
    std::function<bool()> m_socketCheck;
    QString m_strInstanceKey;
};

} // namespace tarnwick
