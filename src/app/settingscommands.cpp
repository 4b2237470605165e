// The transfer-mode menu and the options sheet. Only automatic versus manual is stored, so
// text and binary are told apart only by the menu's ticks and the engine's type command.
#include "app/commandids.h"
#include "app/maindlg.h"
#include "session/storedsettings.h"
#include "gui/optionssheet.h"
#include "settings/settings.h"
#include "ui/dialogrunner.h"
#include "ui/prompt.h"

namespace tarnwick {

void CMainDlg::TickTransferMode(int id)
{
    for (const int item : {ID_MODE_AUTO, ID_MODE_TEXT, ID_MODE_BINARY}) {
        CheckEditMenuItem(item, item == id ? 1 : 0);
    }
}

void CMainDlg::TransferModeAuto()
{
    if (StoredTextModeList().empty()) {
        m_prompt.Message(QStringLiteral("判別のための拡張子が\n未設定です"));
        return;
    }
    TickTransferMode(ID_MODE_AUTO);
    SetSettingFlag("AutoTransferMode", true);
    // The engine's type stays; the next file sets it.
}

void CMainDlg::TransferModeText()
{
    TickTransferMode(ID_MODE_TEXT);
    SetSettingFlag("AutoTransferMode", false);
    m_engine.SetTextType();
}

void CMainDlg::TransferModeBinary()
{
    TickTransferMode(ID_MODE_BINARY);
    SetSettingFlag("AutoTransferMode", false);
    m_engine.SetBinaryType();
}

void CMainDlg::SettingsCommand()
{
    COptionsSheet sheet(DialUpBackend(), m_prompt, this);
    if (m_runner.Run(sheet) != QDialog::Accepted) {
        return;
    }
    // The store holds only automatic or not: a confirmed sheet with it off lands in text.
    if (GetSettingFlag("AutoTransferMode")) {
        TickTransferMode(ID_MODE_AUTO);
    } else {
        TickTransferMode(ID_MODE_TEXT);
        m_engine.SetTextType();
    }
}

} // namespace tarnwick
