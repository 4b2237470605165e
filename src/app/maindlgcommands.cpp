// The main window's run-time behaviour: pane activation, the menus' tick marks, the status
// line, the display states, the wait text and the commands built so far.
#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>

#include "app/arrowbutton.h"
#include "app/maindlg.h"
#include "app/panelist.h"
#include "app/statusline.h"
#include "settings/settings.h"
#include "ui/waitdlg.h"

namespace tarnwick {

namespace {

void Paint(QWidget* widget, const QBrush& brush)
{
    QPalette palette = widget->palette();
    // Every colour group, so that a disabled field shows the pane's colour too.
    palette.setBrush(QPalette::All, QPalette::Base, brush);
    // The style's disabled text is as light as the gray pane; keep the inactive path
    // readable, as gray text on gray.
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x60, 0x60, 0x60));
    widget->setPalette(palette);
    widget->update();
}

} // namespace

void CMainDlg::ReadFields()
{
    m_strLocalDir = m_editLocalDir->text().toStdString();
    m_strRemoteDir = m_editRemoteDir->text().toStdString();
}

void CMainDlg::ShowTexts()
{
    m_editLocalDir->setText(QString::fromStdString(m_strLocalDir));
    m_editRemoteDir->setText(QString::fromStdString(m_strRemoteDir));
}

QAction* CMainDlg::FindEditMenuItem(int id) const
{
    for (QAction* action : m_pEditMenu->findChildren<QAction*>()) {
        if (!action->isSeparator() && action->data().toInt() == id) {
            return action;
        }
    }
    return nullptr;
}

void CMainDlg::CheckEditMenuItem(int id, int flag)
{
    if (QAction* action = FindEditMenuItem(id)) {
        action->setCheckable(true);
        action->setProperty("ticked", flag == 1);
        action->setChecked(flag == 1);
    }
}

bool CMainDlg::IsEditMenuItemChecked(int id) const
{
    const QAction* action = FindEditMenuItem(id);
    return action && action->isChecked();
}

void CMainDlg::SetStatusText(const QString& text)
{
    m_editStatus->SetStatusText(text);
}

void CMainDlg::SetStatusText(const std::string& text)
{
    m_editStatus->SetStatusText(QString::fromStdString(text));
}

QString CMainDlg::GetStatusText() const
{
    return m_editStatus->GetStatusText();
}

void CMainDlg::SetConnectedDisplay()
{
    m_pConnectAction->setEnabled(false);
    m_pDisconnectAction->setEnabled(true);
    m_btnDownload->setEnabled(true);
    m_btnUpload->setEnabled(true);
}

void CMainDlg::SetDisconnectedDisplay()
{
    m_pConnectAction->setEnabled(true);
    m_pDisconnectAction->setEnabled(false);
    m_btnDownload->setEnabled(false);
    m_btnUpload->setEnabled(false);
}

void CMainDlg::ActivateLocalPane()
{
    SetActivePane(1);
}

void CMainDlg::ActivateRemotePane()
{
    SetActivePane(0);
}

void CMainDlg::SetActivePane(int pane)
{
    m_nActivePane = pane;
    const bool local = pane == 1;
    m_labelLocal->setEnabled(local);
    m_labelRemote->setEnabled(!local);
    m_editLocalDir->setEnabled(local);
    m_editRemoteDir->setEnabled(!local);
    (local ? m_localList : m_remoteList)->raise();
    ApplyPaneColours();
}

void CMainDlg::ApplyPaneColours()
{
    const bool local = m_nActivePane == 1;
    Paint(m_localList, local ? m_brushWhite : m_brushGray);
    Paint(m_editLocalDir, local ? m_brushWhite : m_brushGray);
    Paint(m_remoteList, local ? m_brushGray : m_brushWhite);
    Paint(m_editRemoteDir, local ? m_brushGray : m_brushWhite);
}

bool CMainDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        if (watched == m_localList) {
            ActivateLocalPane();
        } else if (watched == m_remoteList) {
            ActivateRemotePane();
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CMainDlg::ShowContextMenu(CPaneList* list, const QPoint& pos)
{
    // The press that opened the menu gave the list the focus already; this covers a menu
    // asked for from the keyboard's menu key as well.
    if (list == m_localList && m_nActivePane != 1) {
        ActivateLocalPane();
    } else if (list == m_remoteList && m_nActivePane != 0) {
        ActivateRemotePane();
    }
    m_pContextMenu->popup(list->viewport()->mapToGlobal(pos));
}

void CMainDlg::RunCommand(void (CMainDlg::*handler)())
{
    ++m_nCommandDepth;
    (this->*handler)();
    if (--m_nCommandDepth == 0) {
        m_pWaitMessage.reset();
    }
}

void CMainDlg::ShowWaitMessage(const QString& text)
{
    m_pWaitMessage = std::make_unique<CWaitDlg>(this);
    m_pWaitMessage->SetText(text);
    m_pWaitMessage->ShowNow();
    if (m_nCommandDepth == 0) {
        // Shown outside any command: it goes as soon as the window's loop runs again.
        QTimer::singleShot(0, this, [this] {
            if (m_nCommandDepth == 0) {
                m_pWaitMessage.reset();
            }
        });
    }
}

void CMainDlg::HideWaitMessage()
{
    m_pWaitMessage.reset();
}

void CMainDlg::BringToFront()
{
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void CMainDlg::ConnectAtStartup()
{
    if (GetSettingFlag("ConnectDlgWithStartup")) {
        show();
        RunCommand(&CMainDlg::ConnectCommand);
    }
}

void CMainDlg::closeEvent(QCloseEvent* event)
{
    if (m_nCommandDepth > 0) {
        event->ignore();
        return;
    }
    RunCommand(&CMainDlg::DisconnectCommand);
    QDialog::closeEvent(event);
}

void CMainDlg::ExitCommand()
{
    DisconnectCommand();
    // done() ends the window without a close event, so the disconnect does not run twice.
    accept();
}

} // namespace tarnwick
