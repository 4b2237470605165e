#include "app/window/windowsessionui.h"

#include "app/window/maindlg.h"
#include "ui/seams/prompt.h"

#include <utility>
#include <vector>

namespace tarnwick {

bool CWindowSessionUi::Ask(const std::string& question)
{
    return m_prompt.Ask(QString::fromStdString(question));
}

bool CWindowSessionUi::AskCaution(const std::string& question)
{
    return m_prompt.AskCaution(QString::fromStdString(question));
}

void CWindowSessionUi::Message(const std::string& text)
{
    m_prompt.Message(QString::fromStdString(text));
}

void CWindowSessionUi::SetStatus(const std::string& text)
{
    m_window.SetStatusText(text);
}

void CWindowSessionUi::SetStatusOriginal(const std::string& text)
{
    m_window.SetStatusOriginal(QString::fromStdString(text));
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

ExistingAnswer CWindowSessionUi::AskExisting(const ExistingFile& file, bool& applyToAll)
{
    std::vector<std::pair<QString, ExistingAnswer>> choices;
    if (file.exists) {
        choices = {{QStringLiteral("上書き"), ExistingAnswer::Replace},
                   {QStringLiteral("スキップ"), ExistingAnswer::Skip}};
        if (file.canResume) {
            choices.emplace_back(QStringLiteral("再開"), ExistingAnswer::Resume);
        }
    } else {
        choices = {{QStringLiteral("再開"), ExistingAnswer::Resume},
                   {QStringLiteral("スキップ"), ExistingAnswer::Skip},
                   {QStringLiteral("最初から"), ExistingAnswer::Replace}};
    }
    QStringList buttons;
    for (const auto& choice : choices) {
        buttons << choice.first;
    }
    const int index = m_prompt.Choose(QString::fromStdString(file.question), buttons,
                                      file.more ? &applyToAll : nullptr);
    // Closed another way: スキップ, which never replaces anything.
    const std::size_t at = index >= 0 && static_cast<std::size_t>(index) < choices.size()
                               ? static_cast<std::size_t>(index)
                               : 1;
    return choices[at].second;
}

void CWindowSessionUi::TreeProgress(const TreeCounts& counts)
{
    m_window.SetTreeProgress(counts);
}

void CWindowSessionUi::LinkFolders(const std::vector<std::string>& rows)
{
    m_window.SetRemoteLinkFolders(rows);
}

void CWindowSessionUi::TransferResumes(std::int64_t offset)
{
    m_window.SetResumeOffset(offset);
}

CertificateAnswer CWindowSessionUi::TrustCertificate(const CertificateInfo& certificate,
                                                     const std::string& server)
{
    return m_window.AskCertificateTrust(certificate, server);
}

} // namespace tarnwick
