#include "app/windowsessionui.h"

#include "app/maindlg.h"
#include "ui/prompt.h"

namespace tarnwick {

bool CWindowSessionUi::Ask(const std::string& question)
{
    return m_prompt.Ask(QString::fromStdString(question));
}

void CWindowSessionUi::Message(const std::string& text)
{
    m_prompt.Message(QString::fromStdString(text));
}

void CWindowSessionUi::SetStatus(const std::string& text)
{
    m_window.SetStatusText(text);
}

void CWindowSessionUi::ShowWaitText(const std::string& text)
{
    m_window.ShowWaitMessage(QString::fromStdString(text));
}

void CWindowSessionUi::HideWaitText()
{
    m_window.HideWaitMessage();
}

void CWindowSessionUi::BeginItem(std::size_t number, std::size_t count)
{
    m_window.SetItemCount(number, count);
}

void CWindowSessionUi::ConnectionLost()
{
    m_window.OnConnectionLost();
}

CertificateAnswer CWindowSessionUi::TrustCertificate(const CertificateInfo& certificate,
                                                     const std::string& server)
{
    return m_window.AskCertificateTrust(certificate, server);
}

} // namespace tarnwick
