#include "app/clientapp.h"

#include <sys/socket.h>
#include <unistd.h>

#include "app/window/maindlg.h"
#include "ui/seams/singleinstance.h"
#include "ui/seams/dialogrunner.h"
#include "ui/seams/prompt.h"

namespace tarnwick {

namespace {

// Sockets are usable when one can be made, over IPv4 or IPv6.
bool SocketLayerWorks()
{
    for (const int family : {AF_INET, AF_INET6}) {
        const int fd = socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd >= 0) {
            close(fd);
            return true;
        }
    }
    return false;
}

} // namespace

CClientApp::CClientApp(CPrompt& prompt, CDialogRunner& runner)
    : m_prompt(prompt), m_runner(runner), m_socketCheck(SocketLayerWorks)
{
}

int CClientApp::InitInstance()
{
    if (!m_socketCheck()) {
        m_prompt.Message(QStringLiteral("Windows CE ソケットの初期化に失敗しました。"));
        return 1;
    }

    CSingleInstance instance(m_strInstanceKey.isEmpty() ? CSingleInstance::DefaultKey()
                                                        : m_strInstanceKey);
    if (!instance.Acquire()) {
        // No answer means the running copy has no window yet, or is just ending: leave
        // quietly either way.
        instance.ActivateRunningCopy();
        return 0;
    }

    CMainDlg dlg(m_prompt, m_runner);
    m_pMainWnd = &dlg;
    // The window exists now, so a later start may find it.
    QObject::connect(&instance, &CSingleInstance::activationRequested, &dlg,
                     &CMainDlg::BringToFront);
    instance.Listen();
    dlg.ConnectAtStartup();
    m_runner.Run(dlg);
    m_pMainWnd = nullptr;
    return 0;
}

} // namespace tarnwick
