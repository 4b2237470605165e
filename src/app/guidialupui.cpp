#include "app/guidialupui.h"

#include <string_view>

#include "app/maindlg.h"
#include "ui/prompt.h"

namespace tarnwick {

namespace {

// The dial-up manager's failure texts still name the handheld's calls; the user is told the
// Linux step that failed instead, with the rest of the text as it is.
std::string NameTheLinuxStep(std::string text)
{
    const struct {
        std::string_view handheld;
        std::string_view onLinux;
    } steps[] = {
        {"RasGetEntryDialParams Failed", "保存された接続が見つかりません (nmcli connection show)"},
        {"RasDial Failed", "接続を開始できません (nmcli connection up)"},
    };
    for (const auto& step : steps) {
        if (const std::size_t at = text.find(step.handheld); at != std::string::npos) {
            text.replace(at, step.handheld.size(), step.onLinux);
        }
    }
    return text;
}

} // namespace

std::string CGuiDialUpUi::UserText(const std::string& text)
{
    return NameTheLinuxStep(text);
}

void CGuiDialUpUi::ShowWaitText(const std::string& text)
{
    m_window.ShowWaitMessage(QString::fromStdString(text), false); // a dial-up wait runs to its end
}

void CGuiDialUpUi::HideWaitText()
{
    m_window.HideWaitMessage();
}

void CGuiDialUpUi::ShowMessage(const std::string& text)
{
    m_prompt.Message(QString::fromStdString(UserText(text)));
}

} // namespace tarnwick
