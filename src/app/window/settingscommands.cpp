// The transfer-mode menu and the options sheet. The mode chosen (自動, テキスト or バイナリ) is
// stored as it is and shown beside the status line, so what a transfer does is never a
// surprise: a restart and a confirmed options sheet keep it.
#include <QToolButton>

#include "app/window/commandids.h"
#include "app/window/maindlg.h"
#include "gui/dialogs/optionssheet.h"
#include "settings/settings.h"
#include "ui/seams/dialogrunner.h"
#include "ui/seams/prompt.h"

namespace tarnwick {

namespace {

QString ModeName(TransferMode mode)
{
    switch (mode) {
    case TransferMode::Auto:
        return QStringLiteral("自動");
    case TransferMode::Text:
        return QStringLiteral("テキスト");
    case TransferMode::Binary:
        break;
    }
    return QStringLiteral("バイナリ");
}

} // namespace

void CMainDlg::ApplyTransferMode(TransferMode mode)
{
    m_transferMode = mode;
    const int ticked = mode == TransferMode::Auto   ? ID_MODE_AUTO
                       : mode == TransferMode::Text ? ID_MODE_TEXT
                                                    : ID_MODE_BINARY;
    for (const int item : {ID_MODE_AUTO, ID_MODE_TEXT, ID_MODE_BINARY}) {
        CheckEditMenuItem(item, item == ticked ? 1 : 0);
    }
    // Auto keeps the engine's type: the next file sets it.
    if (mode == TransferMode::Text) {
        m_engine.SetTextType();
    } else if (mode == TransferMode::Binary) {
        m_engine.SetBinaryType();
    }
    // A narrow window keeps the room for the status line: the mode's name alone.
    m_pModeButton->setText((IsWideLayout() ? QStringLiteral("転送モード: ") : QString()) +
                           ModeName(mode));
    const QString what =
        mode == TransferMode::Auto
            ? QStringLiteral("拡張子で判別: テキストモードの拡張子は「設定」の「操作」で指定します")
        : mode == TransferMode::Text
            ? QStringLiteral("改行を変換します (TYPE A)。画像や圧縮ファイルは壊れます")
            : QStringLiteral("バイトをそのまま転送します (TYPE I)");
    m_pModeButton->setToolTip(QStringLiteral("転送モード: ") + ModeName(mode) + QLatin1Char('\n') +
                              what);
}

void CMainDlg::TransferModeAuto()
{
    if (GetTextModeList().empty()) {
        m_prompt.Message(QStringLiteral("判別のための拡張子が\n未設定です"));
        return;
    }
    static_cast<void>(SetStoredTransferMode(TransferMode::Auto));
    ApplyTransferMode(TransferMode::Auto);
}

void CMainDlg::TransferModeText()
{
    static_cast<void>(SetStoredTransferMode(TransferMode::Text));
    ApplyTransferMode(TransferMode::Text);
}

void CMainDlg::TransferModeBinary()
{
    static_cast<void>(SetStoredTransferMode(TransferMode::Binary));
    ApplyTransferMode(TransferMode::Binary);
}

void CMainDlg::SettingsCommand()
{
    COptionsSheet sheet(DialUpBackend(), m_prompt, this);
    if (m_runner.Run(sheet) != QDialog::Accepted) {
        return;
    }
    // The sheet's box says only automatic or not. Ticked is 自動; cleared keeps the manual
    // mode in use, and leaving 自動 goes to バイナリ, which changes no byte.
    TransferMode mode = m_transferMode;
    if (GetSettingFlag("AutoTransferMode")) {
        mode = TransferMode::Auto;
    } else if (mode == TransferMode::Auto) {
        mode = TransferMode::Binary;
    }
    static_cast<void>(SetStoredTransferMode(mode));
    ApplyTransferMode(mode);
}

} // namespace tarnwick
