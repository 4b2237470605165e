#include "app/window/guidialupui.h"

#include "app/window/maindlg.h"
#include "ui/seams/prompt.h"

namespace tarnwick {

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
    m_prompt.Message(QString::fromStdString(text));
}

} // namespace tarnwick
