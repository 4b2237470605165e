// The window's size and place, its two layouts and its keys.
#include <QAction>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <cstdint>

#include "ui/widgets/arrowbutton.h"
#include "app/window/maindlg.h"
#include "ui/widgets/panearea.h"
#include "ui/widgets/panelist.h"
#include "settings/settings.h"

namespace tarnwick {

namespace {

// A first start takes this share of the screen (in quarters), and at least the size where
// the panes stand side by side with room for their columns.
constexpr int kFirstStartQuarters = 3;
const QSize kFirstStartMinimum(960, 640);

// Positions may be negative (a screen left of the primary one); the store keeps 32 bits.
int ReadInt(const char* name)
{
    return static_cast<int>(static_cast<std::int32_t>(GetSettingInt(name, 0)));
}

void WriteInt(const char* name, int value)
{
    if (ReadInt(name) != value) {
        static_cast<void>(SetSettingInt(name, static_cast<std::uint32_t>(value)));
    }
}

// A key shown after the command's name in its tooltip: "接続 (Ctrl+O)".
void SetKey(QAction* action, const QKeySequence& key)
{
    action->setShortcut(key);
    action->setToolTip(action->text() + QStringLiteral(" (") +
                       key.toString(QKeySequence::NativeText) + QLatin1Char(')'));
}

} // namespace

void CMainDlg::RestoreGeometry()
{
    const QRect stored(ReadInt("WindowLeft"), ReadInt("WindowTop"), ReadInt("WindowWidth"),
                       ReadInt("WindowHeight"));
    // A place is used only when its top part (the caption) lies on a screen that is there now.
    const QRect caption(stored.topLeft(), QSize(stored.width(), 40));
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (stored.width() >= 200 && stored.height() >= 200 &&
            screen->availableGeometry().intersects(caption)) {
            resize(stored.size());
            move(stored.topLeft());
            if (GetSettingFlag("WindowMaximized")) {
                setWindowState(windowState() | Qt::WindowMaximized);
            }
            return;
        }
    }
    // A first start (or a place on no screen now): wide, centred on the primary screen.
    resize(kFirstStartMinimum);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        const QSize share = area.size() * kFirstStartQuarters / 4;
        resize(share.expandedTo(kFirstStartMinimum).boundedTo(area.size()));
        move(area.center() - rect().center());
    }
}

void CMainDlg::SaveGeometry()
{
    m_pGeometryTimer->stop();
    // A maximized window remembers the size it goes back to.
    const bool maximized = isMaximized();
    const QRect normal = maximized ? normalGeometry() : QRect(pos(), size());
    if (!normal.isValid()) {
        return;
    }
    WriteInt("WindowLeft", normal.x());
    WriteInt("WindowTop", normal.y());
    WriteInt("WindowWidth", normal.width());
    WriteInt("WindowHeight", normal.height());
    if (GetSettingFlag("WindowMaximized") != maximized) {
        static_cast<void>(SetSettingFlag("WindowMaximized", maximized));
    }
}

void CMainDlg::moveEvent(QMoveEvent* event)
{
    QDialog::moveEvent(event);
    if (isVisible() && m_pGeometryTimer != nullptr) {
        m_pGeometryTimer->start();
    }
}

void CMainDlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (isVisible() && m_pGeometryTimer != nullptr) {
        m_pGeometryTimer->start();
    }
}

void CMainDlg::done(int result)
{
    if (m_pGeometryTimer != nullptr && m_pGeometryTimer->isActive()) {
        SaveGeometry();
    }
    QDialog::done(result);
}

bool CMainDlg::IsWideLayout() const
{
    return m_pPaneArea->IsWide();
}

CPaneList* CMainDlg::ActiveList() const
{
    return m_nActivePane == 1 ? m_localList : m_remoteList;
}

void CMainDlg::ApplyLayout(bool wide)
{
    for (CPaneList* list : {m_remoteList, m_localList}) {
        list->SetDetailed(wide);
    }
    // Side by side the arrows point across, from the remote pane on the left to the local one.
    m_btnDownload->SetHorizontal(wide);
    m_btnUpload->SetHorizontal(wide);
    SetActivePane(m_nActivePane);
    // Beside the status line, the long forms only where there is room (once it is built).
    if (m_pSession && m_pModeButton) {
        ShowSecurity();
        ApplyTransferMode(m_transferMode);
    }
}

void CMainDlg::BuildShortcuts()
{
    SetKey(m_pConnectAction, QKeySequence(Qt::CTRL | Qt::Key_O));
    SetKey(m_pDisconnectAction, QKeySequence(Qt::CTRL | Qt::Key_D));
    const auto find = [this](const char* name) {
        return findChild<QAction*>(QString::fromLatin1(name));
    };
    SetKey(find("settingsAction"), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    SetKey(find("exitAction"), QKeySequence(Qt::CTRL | Qt::Key_Q));
    // The 編集 menu's commands work from the keyboard while the menu is closed.
    SetKey(find("createDirAction"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    SetKey(find("deleteAction"), QKeySequence(Qt::Key_Delete));
    SetKey(find("attribAction"), QKeySequence(Qt::ALT | Qt::Key_Return));
    SetKey(find("renameAction"), QKeySequence(Qt::Key_F2));
    SetKey(find("conversationLogAction"), QKeySequence(Qt::CTRL | Qt::Key_L));
    for (const char* name : {"createDirAction", "deleteAction", "attribAction", "renameAction",
                             "conversationLogAction"}) {
        addAction(find(name));
    }

    auto* openEdit = new QAction(QStringLiteral("編集"), this);
    openEdit->setObjectName(QStringLiteral("openEditMenuAction"));
    openEdit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_E));
    connect(openEdit, &QAction::triggered, this,
            [this] { static_cast<QToolButton*>(m_pEditButton)->showMenu(); });
    addAction(openEdit);
    m_pEditButton->setToolTip(QStringLiteral("編集 (") +
                              openEdit->shortcut().toString(QKeySequence::NativeText) +
                              QLatin1Char(')'));

    // The transfer keys press the buttons, so they work only while the buttons do.
    const struct {
        const char* name;
        QString text;
        QKeySequence key;
        QAbstractButton* button;
    } buttons[] = {
        {"downloadKeyAction", QStringLiteral("ダウンロード"), QKeySequence(Qt::CTRL | Qt::Key_G),
         m_btnDownload},
        {"uploadKeyAction", QStringLiteral("アップロード"), QKeySequence(Qt::CTRL | Qt::Key_U),
         m_btnUpload},
    };
    for (const auto& entry : buttons) {
        auto* action = new QAction(entry.text, this);
        action->setObjectName(QString::fromLatin1(entry.name));
        SetKey(action, entry.key);
        entry.button->setToolTip(action->toolTip());
        connect(action, &QAction::triggered, entry.button, &QAbstractButton::click);
        addAction(action);
    }
    const struct {
        const char* name;
        QString text;
        QKeySequence key;
        void (CMainDlg::*handler)();
    } keys[] = {
        {"refreshAction", QStringLiteral("最新の情報に更新"), QKeySequence(Qt::Key_F5),
         &CMainDlg::RefreshPanes},
        {"selectAllAction", QStringLiteral("すべて選択"), QKeySequence(Qt::CTRL | Qt::Key_A),
         &CMainDlg::SelectAllRows},
    };
    for (const auto& key : keys) {
        auto* action = new QAction(key.text, this);
        action->setObjectName(QString::fromLatin1(key.name));
        action->setShortcut(key.key);
        Route(action, key.handler);
        addAction(action);
    }
}

} // namespace tarnwick
