// The main window's run-time behaviour: pane activation, the menus' tick marks, the status
// line, the display states, the wait text and the commands built so far.
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <QWindow>

#include <utility>

#include "ui/widgets/arrowbutton.h"
#include "app/window/maindlg.h"
#include "ui/widgets/panearea.h"
#include "ui/widgets/panelist.h"
#include "ui/widgets/statusline.h"
#include "settings/settings.h"
#include "ui/widgets/waitdlg.h"

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
    // A listing may just have told the names' encoding.
    if (m_pSession && m_labelLock) {
        ShowSecurity();
    }
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
    m_editStatus->setToolTip(QString());
}

void CMainDlg::SetStatusOriginal(const QString& text)
{
    m_editStatus->setToolTip(text);
}

void CMainDlg::SetStatusText(const std::string& text)
{
    m_editStatus->SetStatusText(QString::fromStdString(text));
}

QString CMainDlg::GetStatusText() const
{
    return m_editStatus->GetStatusText();
}

namespace {

// A padlock, closed or open, drawn rather than taken from a font: not every system has a
// font with the lock symbols.
QPixmap LockPixmap(bool closed, const QColor& color, qreal scale)
{
    QPixmap pixmap(QSize(14, 16) * scale);
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color, 2));
    painter.setBrush(Qt::NoBrush);
    // The shackle: over the body when closed, lifted to one side when open.
    painter.drawArc(QRectF(closed ? 3 : 6, 1, 8, 10), 0, 180 * 16);
    painter.drawLine(QPointF(closed ? 3 : 6, 6), QPointF(closed ? 3 : 6, 8));
    if (closed) {
        painter.drawLine(QPointF(11, 6), QPointF(11, 8));
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawRoundedRect(QRectF(1, 8, 12, 8), 1.5, 1.5);
    return pixmap;
}

} // namespace

void CMainDlg::ShowSecurity()
{
    const std::string text = m_pSession->SecurityText();
    // A narrow window keeps the room for the status line: the lock alone, its words in its
    // tooltip.
    m_labelSecurity->setVisible(!text.empty() && IsWideLayout());
    m_labelLock->setVisible(!text.empty());
    // The names' encoding goes with it (自動 says what it found).
    const std::string encoding = m_pSession->EncodingText();
    m_labelLock->setToolTip(
        QString::fromStdString(encoding.empty() ? text : text + "\n" + encoding));
    const bool encrypted = m_pSession->IsEncrypted();
    // A closed lock for an encrypted connection, an open one (and a warning color) for clear
    // text, so the state reads at a glance.
    const QColor color = encrypted ? QColor(0x00, 0x60, 0x00) : QColor(0xa0, 0x50, 0x00);
    m_labelLock->setPixmap(LockPixmap(encrypted, color, devicePixelRatioF()));
    m_labelSecurity->setText(
        QString::fromStdString(encoding.empty() ? text : text + "  " + encoding));
    m_labelSecurity->setStyleSheet(QStringLiteral("color: %1;").arg(color.name()));
    m_labelSecurity->setToolTip(
        encrypted ? QStringLiteral("パスワードとファイルは暗号化されて送られます")
                  : QStringLiteral("パスワードとファイルは暗号化されずに送られます"));
}

void CMainDlg::SetConnectedDisplay()
{
    ShowSecurity();
    m_pConnectAction->setEnabled(false);
    m_pDisconnectAction->setEnabled(true);
    m_btnDownload->setEnabled(true);
    m_btnUpload->setEnabled(true);
}

void CMainDlg::SetDisconnectedDisplay()
{
    ShowSecurity();
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
    // Both fields stay usable, so Tab reaches them; the inactive one is gray like its pane.
    (local ? m_localList : m_remoteList)->raise();
    QFont font = m_labelLocal->font();
    font.setBold(local && IsWideLayout());
    m_labelLocal->setFont(font);
    font.setBold(!local && IsWideLayout());
    m_labelRemote->setFont(font);
    m_pPaneArea->SetActivePane(pane);
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

namespace {

// The widget a watched object stands for: itself, or the window a QWindow shows.
const QWidget* WidgetOf(const QObject* watched)
{
    if (const auto* widget = qobject_cast<const QWidget*>(watched)) {
        return widget;
    }
    if (watched != nullptr && watched->isWindowType()) {
        for (const QWidget* window : QApplication::topLevelWidgets()) {
            if (window->windowHandle() == watched) {
                return window;
            }
        }
    }
    return nullptr;
}

bool IsPopup(const QWidget* window)
{
    return window != nullptr && window->windowType() == Qt::Popup;
}

// The window whose part `widget` is. A pop-up (a combo box's list, a menu, a completer's
// list) is a window of its own: it belongs to the window of the widget that opened it. A
// pop-up opened by no widget of the program's (a completer's has no parent) is its own owner.
const QWidget* OwnerWindow(const QWidget* widget)
{
    const QWidget* window = widget != nullptr ? widget->window() : nullptr;
    for (int depth = 0; depth < 8 && IsPopup(window) && window->parentWidget() != nullptr;
         ++depth) {
        window = window->parentWidget()->window();
    }
    return window;
}

} // namespace

bool CMainDlg::TakesInputDuringWait(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::InputMethod:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        break;
    default:
        return true; // not input
    }
    const QWidget* owner = OwnerWindow(WidgetOf(watched));
    // A dialog the command runs (a question, the login dialog) takes its input, its pop-ups
    // included: a pop-up holds the pointer and the keyboard until it is closed, so one that
    // took no input would hold the whole desktop. The window itself runs modally too, and
    // takes none.
    const QWidget* modal = QApplication::activeModalWidget();
    if (owner != nullptr && owner != this && (owner == modal || IsPopup(owner))) {
        return true;
    }
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && m_nCommandDepth > 0) {
        // Escape presses 中止 of the box on screen, or stops the wait without one.
        CWaitDlg* box =
            m_pWaitMessage && m_pWaitMessage->isVisible() ? m_pWaitMessage.get() : m_pProgressBox;
        CancelRunningWork();
        box->reject();
        return false;
    }
    // Otherwise only the wait boxes (their 中止 button) take input.
    for (const QWidget* box :
         {static_cast<QWidget*>(m_pProgressBox), static_cast<QWidget*>(m_pWaitMessage.get())}) {
        if (box != nullptr && box->isVisible() && owner == box) {
            return true;
        }
    }
    return false;
}

void CMainDlg::ClosePopups()
{
    for (int closed = 0; closed < 8; ++closed) {
        QWidget* popup = QApplication::activePopupWidget();
        if (popup == nullptr || OwnerWindow(popup) != this) {
            return;
        }
        popup->close();
    }
}

void CMainDlg::DropQueuedInput()
{
    const bool dropping = std::exchange(m_bDroppingInput, true);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_bDroppingInput = dropping;
}

bool CMainDlg::eventFilter(QObject* watched, QEvent* event)
{
    if ((m_nCommandDepth > 0 || m_bDroppingInput) && !TakesInputDuringWait(watched, event)) {
        return true;
    }

    if (event->type() == QEvent::FocusIn) {
        if (watched == m_localList || watched == m_editLocalDir) {
            ActivateLocalPane();
        } else if (watched == m_remoteList || watched == m_editRemoteDir) {
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
    if (m_nCommandDepth == 0) {
        // A 中止 pressed for an earlier command never stops this one, and the box's 中止
        // works again.
        m_cancel.Reset();
        m_bWaited = false;
        m_pProgressBox->BeginCommand();
        ClosePopups();
    }
    ++m_nCommandDepth;
    (this->*handler)();
    if (--m_nCommandDepth == 0) {
        m_pWaitMessage.reset();
        m_pProgressBox->EndCommand();
        m_localList->Flush();
        m_remoteList->Flush();
        // The keys go back to the pane, never to the status line (which a disabled button
        // or a closed dialog may have handed the focus to).
        if (m_editStatus->hasFocus()) {
            ActiveList()->setFocus();
        }
        // What was clicked or typed while the command waited is not carried out now.
        if (m_bWaited) {
            DropQueuedInput();
        }
    }
}

void CMainDlg::ShowWaitMessage(const QString& text, bool cancellable)
{
    m_pWaitMessage = std::make_unique<CWaitDlg>(this);
    m_pWaitMessage->SetText(text);
    m_pWaitMessage->SetCancellable(cancellable);
    if (cancellable) {
        connect(m_pWaitMessage.get(), &CWaitDlg::cancelRequested, this,
                &CMainDlg::CancelRunningWork);
    }
    m_bWaited = m_bWaited || m_nCommandDepth > 0;
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

void CMainDlg::SetItemCount(std::size_t number, std::size_t count)
{
    m_pProgressBox->SetItemCount(number, count);
    m_pProgressBox->SetTreeCounts(TreeCounts());
}

void CMainDlg::SetTreeProgress(const TreeCounts& counts)
{
    m_pProgressBox->SetTreeCounts(counts);
}

void CMainDlg::SetRemoteLinkFolders(const std::vector<std::string>& rows)
{
    QStringList texts;
    for (const std::string& row : rows) {
        texts << QString::fromStdString(row);
    }
    m_remoteList->SetLinkFolders(texts);
}

void CMainDlg::SetResumeOffset(std::int64_t offset)
{
    m_pProgressBox->SetResumeOffset(offset);
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
    if (m_nCommandDepth > 0 ||
        !StopQueue(QStringLiteral("転送中のファイルがあります。\n中止して終了しますか？"))) {
        event->ignore();
        return;
    }
    RunCommand(&CMainDlg::DisconnectCommand);
    QDialog::closeEvent(event);
}

void CMainDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept(); // a desktop window does not close on Escape
        return;
    }
    QDialog::keyPressEvent(event);
}

void CMainDlg::ExitCommand()
{
    if (!StopQueue(QStringLiteral("転送中のファイルがあります。\n中止して終了しますか？"))) {
        return;
    }
    DisconnectCommand();
    // done() ends the window without a close event, so the disconnect does not run twice.
    accept();
}

} // namespace tarnwick
