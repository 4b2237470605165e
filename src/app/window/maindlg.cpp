#include "app/window/maindlg.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>

#include "ui/widgets/arrowbutton.h"
#include "app/window/commandids.h"
#include "ui/widgets/conversationview.h"
#include "ui/seams/desktoptrash.h"
#include "ui/seams/guiclock.h"
#include "ui/widgets/panearea.h"
#include "ui/widgets/panedetails.h"
#include "ui/widgets/panelist.h"
#include "ui/widgets/queuepanel.h"
#include "ui/widgets/statusline.h"
#include "app/window/windowsessionui.h"
#include "dialup/nmclibackend.h"
#include "files/localpane.h"
#include "settings/settings.h"
#include "ui/seams/appicon.h"
#include "ui/widgets/waitdlg.h"

namespace tarnwick {

namespace {

const char* const kCaption = "Tarnwick for PocketPC";
const char* const kStartupStatus = "Tarnwick for PocketPC - Build 09";
const std::string kLocalRoot = "/";

QLineEdit* MakeField(QWidget* parent, const char* name, const QString& accessibleName)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setAccessibleName(accessibleName);
    return field;
}

} // namespace

CMainDlg::CMainDlg(CPrompt& prompt, CDialogRunner& runner, QWidget* parent)
    : QDialog(parent), m_prompt(prompt), m_runner(runner),
      m_pDialUpBackend(std::make_unique<CNmcliBackend>()),
      m_pDialUpClock(std::make_unique<CGuiClock>())
{
    setObjectName(QStringLiteral("mainDialog"));
    // Another start of the program finds this window by its caption; it never changes.
    setWindowTitle(QString::fromUtf8(kCaption));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    setSizeGripEnabled(true);

    BuildControls();
    ShowTexts();

    m_hIcon = AppIcon();
    setWindowIcon(m_hIcon);
    BuildCommandBar();
    BuildContextMenu();
    BuildShortcuts();
    SetTabOrder();
    RestoreGeometry();

    m_brushGray = QBrush(QColor(0xC0C0C0));
    m_brushWhite = QBrush(QColor(0xFFFFFF));
    m_remoteList->update();
    SetStatusText(QString::fromUtf8(kStartupStatus));
    ActivateLocalPane();
    ApplyTransferMode(GetStoredTransferMode());
    m_pDisconnectAction->setEnabled(false);
    m_strLocalDir = kLocalRoot;
    // A root that cannot be listed leaves the pane empty; there is nowhere else to go.
    static_cast<void>(RefreshLocalPane(*m_localList, m_strLocalDir));
    m_btnDownload->setEnabled(false);
    m_btnUpload->setEnabled(false);
    ShowTexts();

    m_pSessionUi = std::make_unique<CWindowSessionUi>(*this, m_prompt);
    m_pSession = std::make_unique<CSession>(
        m_engine, m_remoteFiles,
        SessionView{*m_localList, *m_remoteList, m_strLocalDir, m_strRemoteDir}, *m_pSessionUi,
        m_settings);
    m_pSession->SetDialUp([this](DialUpStep step) { return DialUpFor(step); });
    m_pTrash = std::make_unique<CDesktopTrash>();
    m_pSession->SetTrash(m_pTrash.get());

    // Keep the window painted while the engine waits. Input is taken meanwhile only to stop
    // the work (the box's 中止, Escape); everything else is dropped (see eventFilter).
    m_pProgressBox = new CWaitDlg(this);
    m_pProgressBox->setObjectName(QStringLiteral("progressDialog"));
    m_pProgressBox->SetCancellable(true);
    connect(m_pProgressBox, &CWaitDlg::cancelRequested, this, &CMainDlg::CancelRunningWork);
    m_engine.SetProgressSink(m_pProgressBox);
    m_engine.SetCancelToken(&m_cancel);
    m_engine.SetConversationLog(&m_conversation, 1);
    m_engine.SetPump([this] {
        m_bWaited = true;
        // Rows added since the last refresh are shown before the window repaints.
        m_localList->Flush();
        m_remoteList->Flush();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    });
    QCoreApplication::instance()->installEventFilter(this);

    // The size and place are written once they have settled, not at every step of a drag.
    m_pGeometryTimer = new QTimer(this);
    m_pGeometryTimer->setSingleShot(true);
    m_pGeometryTimer->setInterval(700);
    connect(m_pGeometryTimer, &QTimer::timeout, this, &CMainDlg::SaveGeometry);
}

CMainDlg::~CMainDlg()
{
    // Transfers still running are aborted; the workers end before the widgets go.
    m_pSession->Runner().SetTransferQueue(nullptr);
    m_pQueue.reset();
    QCoreApplication::instance()->removeEventFilter(this);
    m_engine.SetProgressSink(nullptr);
    m_engine.SetPump(nullptr);
    m_engine.SetCancelToken(nullptr);
    m_engine.SetConversationLog(nullptr, 0);
}

void CMainDlg::BuildControls()
{
    m_pPaneArea = new CPaneArea(this);
    m_labelRemote = new QLabel(QStringLiteral("リモート"), m_pPaneArea);
    m_labelRemote->setObjectName(QStringLiteral("remoteLabel"));
    m_labelRemote->setAccessibleName(QStringLiteral("リモート"));
    m_labelLocal = new QLabel(QStringLiteral("ローカル"), m_pPaneArea);
    m_labelLocal->setObjectName(QStringLiteral("localLabel"));
    m_labelLocal->setAccessibleName(QStringLiteral("ローカル"));
    m_editRemoteDir =
        MakeField(m_pPaneArea, "remoteDirEdit", QStringLiteral("リモートのディレクトリ"));
    m_editLocalDir =
        MakeField(m_pPaneArea, "localDirEdit", QStringLiteral("ローカルのディレクトリ"));
    m_labelRemote->setBuddy(m_editRemoteDir);
    m_labelLocal->setBuddy(m_editLocalDir);

    QWidget* cards = m_pPaneArea->Cards();
    m_remoteList = new CPaneList(0, cards);
    m_remoteList->setObjectName(QStringLiteral("remoteList"));
    m_remoteList->setAccessibleName(QStringLiteral("リモートのファイル一覧"));
    m_remoteList->BindDirectory(&m_strRemoteDir);
    m_remoteList->SetListingSource(&m_remoteFiles);
    m_localList = new CPaneList(1, cards);
    m_localList->setObjectName(QStringLiteral("localList"));
    m_localList->setAccessibleName(QStringLiteral("ローカルのファイル一覧"));
    m_localList->BindDirectory(&m_strLocalDir);
    m_localList->SetDetailsSource(
        [this](std::vector<PaneRow>& rows) { FillLocalDetails(rows, m_localList->ListedDir()); });
    m_btnDownload = new CArrowButton(CArrowButton::Kind::Download, cards);
    m_btnDownload->setObjectName(QStringLiteral("downloadButton"));
    m_btnDownload->setAccessibleName(QStringLiteral("ダウンロード"));
    m_btnUpload = new CArrowButton(CArrowButton::Kind::Upload, cards);
    m_btnUpload->setObjectName(QStringLiteral("uploadButton"));
    m_btnUpload->setAccessibleName(QStringLiteral("アップロード"));
    m_pPaneArea->SetWidgets(m_labelRemote, m_editRemoteDir, m_labelLocal, m_editLocalDir,
                            m_remoteList, m_localList, m_btnDownload, m_btnUpload);
    connect(m_pPaneArea, &CPaneArea::wideChanged, this, &CMainDlg::ApplyLayout);

    m_editStatus = new CStatusLine(this);
    m_editStatus->setObjectName(QStringLiteral("statusLine"));
    m_editStatus->setAccessibleName(QStringLiteral("状態"));

    m_labelSecurity = new QLabel(this);
    m_labelSecurity->setObjectName(QStringLiteral("securityLabel"));
    m_labelSecurity->setAccessibleName(QStringLiteral("暗号化"));
    m_labelSecurity->hide();
    m_labelLock = new QLabel(this);
    m_labelLock->setObjectName(QStringLiteral("securityLock"));
    m_labelLock->hide();
    m_pModeButton = new QToolButton(this);
    m_pModeButton->setObjectName(QStringLiteral("transferModeButton"));
    m_pModeButton->setAccessibleName(QStringLiteral("転送モード"));
    m_pModeButton->setPopupMode(QToolButton::InstantPopup);
    m_pModeButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_pModeButton->setAutoRaise(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 0);
    layout->setSpacing(6);
    layout->addWidget(m_pPaneArea, 1);
    // The transfer queue, shown when a transfer starts.
    m_pQueuePanel = new CQueuePanel(this);
    m_pQueuePanel->setMinimumHeight(m_pQueuePanel->fontMetrics().lineSpacing() * 8);
    m_pQueuePanel->setMaximumHeight(m_pQueuePanel->fontMetrics().lineSpacing() * 16);
    m_pQueuePanel->hide();
    layout->addWidget(m_pQueuePanel);
    // The log of the conversation with the server, hidden until asked for.
    m_pConversationView = new CConversationView(m_conversation, this);
    m_pConversationView->setMinimumHeight(m_pConversationView->fontMetrics().lineSpacing() * 6);
    m_pConversationView->setMaximumHeight(m_pConversationView->fontMetrics().lineSpacing() * 12);
    m_pConversationView->hide();
    layout->addWidget(m_pConversationView);
    auto* statusRow = new QHBoxLayout;
    statusRow->addWidget(m_editStatus, 1);
    statusRow->addWidget(m_labelLock);
    statusRow->addWidget(m_labelSecurity);
    statusRow->addWidget(m_pModeButton);
    // The queue and the log are shown and hidden from buttons at the end of the status line.
    const auto toggle = [this, statusRow](const char* name, const QString& text, QWidget* panel,
                                          const QString& accessibleName) {
        auto* action = new QAction(text, this);
        action->setObjectName(QString::fromLatin1(name) + QStringLiteral("Action"));
        action->setCheckable(true);
        connect(action, &QAction::toggled, panel, &QWidget::setVisible);
        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(name) + QStringLiteral("Button"));
        button->setDefaultAction(action);
        button->setAccessibleName(accessibleName);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setAutoRaise(true);
        statusRow->addWidget(button);
        return action;
    };
    QAction* queue = toggle("queuePanel", QStringLiteral("転送キュー"), m_pQueuePanel,
                            QStringLiteral("転送キューを表示"));
    toggle("conversationLog", QStringLiteral("通信ログ"), m_pConversationView,
           QStringLiteral("通信ログを表示"));
    // A transfer that starts brings the panel back.
    connect(m_pQueuePanel, &CQueuePanel::itemsAdded, queue, [queue] { queue->setChecked(true); });
    connect(m_pQueuePanel, &CQueuePanel::itemsEnded, this,
            [this](const std::vector<QueueItem>& items) { QueueItemsFinished(items); });
    layout->addLayout(statusRow);

    for (QWidget* watched : std::initializer_list<QWidget*>{m_remoteList, m_localList,
                                                            m_editRemoteDir, m_editLocalDir}) {
        watched->installEventFilter(this);
    }
    for (CPaneList* list : {m_remoteList, m_localList}) {
        connect(list, &QWidget::customContextMenuRequested, this,
                [this, list](const QPoint& pos) { ShowContextMenu(list, pos); });
        // A drop may come from a drag the program itself runs; the command waits until the
        // drag is over.
        connect(
            list, &CPaneList::rowsDropped, this,
            [this, list](int from) { RowsDropped(list->Pane(), from); }, Qt::QueuedConnection);
        connect(list, &CPaneList::parentRequested, this,
                [this] { RunCommand(&CMainDlg::GoToParent); });
    }
    connect(m_remoteList, &CPaneList::filesDropped, this, &CMainDlg::FilesDropped,
            Qt::QueuedConnection);
    connect(m_btnDownload, &QAbstractButton::clicked, this,
            [this] { RunCommand(&CMainDlg::DownloadSelected); });
    connect(m_btnUpload, &QAbstractButton::clicked, this,
            [this] { RunCommand(&CMainDlg::UploadSelected); });
    connect(m_localList, &QAbstractItemView::doubleClicked, this,
            [this] { RunCommand(&CMainDlg::OpenLocalItem); });
    connect(m_remoteList, &QAbstractItemView::doubleClicked, this,
            [this] { RunCommand(&CMainDlg::OpenRemoteItem); });
    connect(m_localList, &CPaneList::openRequested, this,
            [this] { RunCommand(&CMainDlg::OpenLocalItem); });
    connect(m_remoteList, &CPaneList::openRequested, this,
            [this] { RunCommand(&CMainDlg::OpenRemoteItem); });
    connect(m_editLocalDir, &QLineEdit::returnPressed, this,
            [this] { RunCommand(&CMainDlg::LocalFieldEntered); });
    connect(m_editRemoteDir, &QLineEdit::returnPressed, this,
            [this] { RunCommand(&CMainDlg::RemoteFieldEntered); });
}

void CMainDlg::SetTabOrder()
{
    // Each pane's field, then its list; the buttons between the panes; then the command bar.
    // The status line is left out: nothing is typed there.
    QList<QWidget*> order{m_editRemoteDir, m_remoteList,   m_btnDownload,
                          m_btnUpload,     m_editLocalDir, m_localList};
    for (QAction* action : m_hMenuBar->actions()) {
        if (QWidget* button = m_hMenuBar->widgetForAction(action)) {
            button->setFocusPolicy(Qt::TabFocus);
            order << button;
        }
    }
    // Last, the transfer mode and the log's button beside the status line.
    order << m_pModeButton << findChild<QToolButton*>(QStringLiteral("queuePanelButton"))
          << findChild<QToolButton*>(QStringLiteral("conversationLogButton"));
    for (qsizetype at = 1; at < order.size(); ++at) {
        setTabOrder(order[at - 1], order[at]);
    }
    // The local pane is active at start: its list takes the keys.
    m_localList->setFocus();
}

void CMainDlg::BuildCommandBar()
{
    m_hMenuBar = new QToolBar(this);
    m_hMenuBar->setObjectName(QStringLiteral("commandBar"));
    m_hMenuBar->setAccessibleName(QStringLiteral("コマンドバー"));
    m_hMenuBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_hMenuBar->setMovable(false);
    layout()->addWidget(m_hMenuBar);

    auto addButton = [this](const char* name, const QString& text, int id,
                            void (CMainDlg::*handler)()) {
        QAction* action = m_hMenuBar->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        action->setData(id);
        m_hMenuBar->widgetForAction(action)->setAccessibleName(text);
        m_hMenuBar->widgetForAction(action)->setObjectName(QString::fromLatin1(name) +
                                                           QStringLiteral("Button"));
        Route(action, handler);
        return action;
    };
    m_pConnectAction =
        addButton("connectAction", QStringLiteral("接続"), ID_CONNECT, &CMainDlg::ConnectCommand);
    m_pDisconnectAction = addButton("disconnectAction", QStringLiteral("切断"), ID_DISCONNECT,
                                    &CMainDlg::DisconnectCommand);

    m_pEditMenu = new QMenu(QStringLiteral("編集"), this);
    m_pEditMenu->setObjectName(QStringLiteral("editMenu"));
    QMenu* modes = m_pEditMenu->addMenu(QStringLiteral("転送モード"));
    modes->setObjectName(QStringLiteral("transferModeMenu"));
    AddItem(modes, "modeAutoAction", QStringLiteral("自動"), ID_MODE_AUTO,
            &CMainDlg::TransferModeAuto);
    modes->addSeparator();
    AddItem(modes, "modeTextAction", QStringLiteral("テキスト"), ID_MODE_TEXT,
            &CMainDlg::TransferModeText);
    AddItem(modes, "modeBinaryAction", QStringLiteral("バイナリ"), ID_MODE_BINARY,
            &CMainDlg::TransferModeBinary);
    for (QAction* mode : modes->actions()) {
        mode->setCheckable(!mode->isSeparator());
    }
    m_pModeButton->setMenu(modes);
    m_pEditMenu->addSeparator();
    AddItem(m_pEditMenu, "openAction", QStringLiteral("開く"), ID_OPEN, nullptr)->setEnabled(false);
    AddItem(m_pEditMenu, "createDirAction", QStringLiteral("新規Dir作成"), ID_CREATE_DIR,
            &CMainDlg::CreateDirectoryCommand);
    AddItem(m_pEditMenu, "deleteAction", QStringLiteral("削除"), ID_DELETE,
            &CMainDlg::DeleteCommand);
    AddItem(m_pEditMenu, "renameAction", QStringLiteral("名前の変更"), ID_RENAME,
            &CMainDlg::RenameCommand);
    m_pEditMenu->addSeparator();
    AddItem(m_pEditMenu, "attribAction", QStringLiteral("属性変更"), ID_ATTRIB,
            &CMainDlg::ChangeAttributesCommand);
    AddItem(m_pEditMenu, "moveAction", QStringLiteral("移動"), ID_MOVE, nullptr)->setEnabled(false);

    auto* edit = new QToolButton(m_hMenuBar);
    edit->setObjectName(QStringLiteral("editButton"));
    edit->setText(QStringLiteral("編集"));
    edit->setMenu(m_pEditMenu);
    edit->setPopupMode(QToolButton::InstantPopup);
    edit->setToolButtonStyle(Qt::ToolButtonTextOnly);
    edit->setAccessibleName(QStringLiteral("編集"));
    m_hMenuBar->addWidget(edit);
    m_pEditButton = edit;

    addButton("settingsAction", QStringLiteral("設定"), ID_SETTINGS, &CMainDlg::SettingsCommand);
    addButton("exitAction", QStringLiteral("終了"), ID_EXIT, &CMainDlg::ExitCommand);
}

void CMainDlg::BuildContextMenu()
{
    m_pContextMenu = new QMenu(this);
    m_pContextMenu->setObjectName(QStringLiteral("contextMenu"));
    AddItem(m_pContextMenu, "contextOpenAction", QStringLiteral("開く"), ID_CONTEXT_OPEN, nullptr)
        ->setEnabled(false);
    AddItem(m_pContextMenu, "contextCreateDirAction", QStringLiteral("新規Dir作成"),
            ID_CONTEXT_CREATE_DIR, &CMainDlg::CreateDirectoryCommand);
    AddItem(m_pContextMenu, "contextDeleteAction", QStringLiteral("削除"), ID_CONTEXT_DELETE,
            &CMainDlg::DeleteCommand);
    AddItem(m_pContextMenu, "contextRenameAction", QStringLiteral("名前の変更"), ID_CONTEXT_RENAME,
            &CMainDlg::RenameCommand);
    AddItem(m_pContextMenu, "contextAttribAction", QStringLiteral("属性変更"), ID_CONTEXT_ATTRIB,
            &CMainDlg::ChangeAttributesCommand);
}

QAction* CMainDlg::AddItem(QMenu* menu, const char* name, const QString& text, int id,
                           void (CMainDlg::*handler)())
{
    QAction* action = menu->addAction(text);
    action->setObjectName(QString::fromLatin1(name));
    action->setData(id);
    // The grayed items have no command behind them.
    if (handler) {
        Route(action, handler);
    }
    return action;
}

void CMainDlg::Route(QAction* action, void (CMainDlg::*handler)())
{
    connect(action, &QAction::triggered, this, [this, action, handler] {
        if (action->isCheckable()) {
            action->setChecked(action->property("ticked").toBool());
        }
        RunCommand(handler);
    });
}

void CMainDlg::SetDialUpBackend(std::unique_ptr<CDialUpBackend> backend)
{
    m_pDialUp.reset();
    m_pDialUpBackend = std::move(backend);
}

void CMainDlg::SetDialUpClock(std::unique_ptr<CClock> clock)
{
    m_pDialUp.reset();
    m_pDialUpClock = std::move(clock);
}

} // namespace tarnwick
