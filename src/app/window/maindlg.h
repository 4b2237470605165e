// CMainDlg: the program's one top-level window. The two panes (remote and local) with their
// path fields, the two transfer buttons, the status line and the command bar. In a narrow
// window the panes overlap like two cards; in a wide one they stand side by side as details
// views (see CPaneArea). The pane the user worked in last (the one with the focus) is white
// and framed, and is the one that side-dependent commands act on. The window owns the FTP
// engine and the remote entry list for its whole life, and remembers its size and place.
//
// Each pane always shows the folder that commands act on: Enter in a path field goes there,
// and a command on selected rows whose field was edited since the rows were listed does
// nothing but show the field's folder.
//
// Every command runs to its end on the one thread; the work itself is the session's
// (CSession), the handlers here read the window's fields and selections and hand them in.
// The engine's waits call a pump that repaints the window; while it waits the window takes no
// input but the wait box's 中止 (and Escape), and nothing clicked meanwhile runs afterwards. A
// one-shot wait text stays on screen until the command that showed it returns.
#pragma once

#include <QBrush>
#include <QDialog>
#include <QIcon>

#include <memory>
#include <string>
#include <vector>

#include "dialup/dialupbackend.h"
#include "dialup/dialupmanager.h"
#include "files/remotefilelist.h"
#include "ftp/transport/canceltoken.h"
#include "ftp/ftpprogressclient.h"
#include "session/session.h"
#include "session/storedsettings.h"
#include "settings/transfermode.h"

class QAction;
class QLabel;
class QTimer;
class QLineEdit;
class QMenu;
class QToolBar;
class QToolButton;

namespace tarnwick {

class CArrowButton;
class CConversationView;
class CQueuePanel;
class CTransferQueue;
struct QueueItem;
class CDialogRunner;
class CLocalTrash;
class CPaneArea;
class CPaneList;
class CPrompt;
class CStatusLine;
class CWaitDlg;

class CMainDlg : public QDialog {
    Q_OBJECT

public:
    // Builds the window and runs its set-up: the local root listed in the local pane, the
    // local pane active, the stored transfer mode ticked, the disconnected display. Message
    // boxes go through `prompt` and modal dialogs through `runner`; both must outlive the
    // window.
    CMainDlg(CPrompt& prompt, CDialogRunner& runner, QWidget* parent = nullptr);
    ~CMainDlg() override;

    // The last set-up step: with ConnectDlgWithStartup set, shows the window at once and runs
    // the connect command, before the caller enters the window's own loop.
    void ConnectAtStartup();

    // Field texts -> m_strLocalDir and m_strRemoteDir.
    void ReadFields();
    // m_strLocalDir and m_strRemoteDir -> the fields.
    void ShowTexts();

    // Ticks the 編集 menu item with the command `id` when `flag` is exactly 1, otherwise
    // unticks it.
    void CheckEditMenuItem(int id, int flag);
    // True when the item with command `id` carries a tick.
    [[nodiscard]] bool IsEditMenuItemChecked(int id) const;

    // Shows `text` (one or two lines) in a wait box that stays up until the running command
    // returns, with 中止 when the work behind it can be stopped.
    void ShowWaitMessage(const QString& text, bool cancellable = true);
    // Takes the wait box away before the command returns.
    void HideWaitMessage();
    // The progress box says "n / m" files while a command moves several.
    void SetItemCount(std::size_t number, std::size_t count);
    // A tree's files and bytes, for the progress box.
    void SetTreeProgress(const TreeCounts& counts);
    // The next transfer goes on from `offset` bytes already there.
    void SetResumeOffset(std::int64_t offset);
    // The remote rows that are links to folders.
    void SetRemoteLinkFolders(const std::vector<std::string>& rows);

    // The status line: each write replaces the whole text.
    void SetStatusText(const QString& text);
    void SetStatusText(const std::string& text);
    [[nodiscard]] QString GetStatusText() const;
    // The system's English words behind the status text just written: its tooltip.
    void SetStatusOriginal(const QString& text);

    // The command bar and the transfer buttons while connected (接続 off, 切断 and the
    // buttons on) and while disconnected (the reverse).
    void SetConnectedDisplay();
    // The lock beside the status line, from the session.
    void ShowSecurity();
    void SetDisconnectedDisplay();

    // The pane whose list or path field got the focus becomes the active one.
    void ActivateLocalPane();
    void ActivateRemotePane();
    // True while the panes stand side by side as details views.
    [[nodiscard]] bool IsWideLayout() const;

    // Runs `handler` as a command: a wait text it shows goes away when it returns.
    void RunCommand(void (CMainDlg::*handler)());

    // Another start of the program asked for this window: bring it to the front.
    void BringToFront();

    // The session found the connection gone: the disconnected display, as after 切断.
    void OnConnectionLost();
    // Opens the transfer queue for the server just connected to.
    void StartQueue();
    // Stops the transfer queue, after asking when files are still waiting or moving; false
    // when the user keeps them.
    bool StopQueue(const QString& question);
    // A question of a queue item (asked on its worker's thread, which waits): put to the user
    // on this thread once no command of the window runs.
    struct QueueQuestionPending;
    void AskForQueue(const std::shared_ptr<QueueQuestionPending>& pending);
    // Items the queue finished: the panes that show their folders are listed again.
    void QueueItemsFinished(const std::vector<QueueItem>& items);
    void RefreshRemoteListing();
    // A server certificate the check did not pass, put to the user in the certificate
    // dialog.
    CertificateAnswer AskCertificateTrust(const CertificateInfo& certificate,
                                          const std::string& server);
    // 中止: the running network work stops at its next wait.
    void CancelRunningWork() { m_cancel.Cancel(); }
    [[nodiscard]] CSession& Session() { return *m_pSession; }

    // The saved network connections that dial-up and the options sheet use (NetworkManager's
    // profiles unless replaced), and the clock the dial-up waits run on. Tests put scripted
    // ones in.
    void SetDialUpBackend(std::unique_ptr<CDialUpBackend> backend);
    void SetDialUpClock(std::unique_ptr<CClock> clock);
    [[nodiscard]] CDialUpBackend& DialUpBackend() { return *m_pDialUpBackend; }
    [[nodiscard]] CClock& DialUpClock() { return *m_pDialUpClock; }

    // The state the commands work on (1 = local pane active, 0 = remote pane active).
    int m_nActivePane = 1;
    std::string m_strLocalDir;  // "/" separated, "/" for the root
    std::string m_strRemoteDir; // "/" separated; empty while disconnected
    CFtpProgressClient m_engine;
    CRemoteFileList m_remoteFiles;
    // What was said to the servers, shown in the log pane.
    CConversationLog m_conversation;
    CConversationView* m_pConversationView = nullptr;
    // Files move in the background on connections of their own (none while disconnected, or
    // with QueueConnections 0); the panel shows them.
    std::unique_ptr<CTransferQueue> m_pQueue;
    CQueuePanel* m_pQueuePanel = nullptr;
    // The dial-up connection m_hRasConn is the handle of the dial-up manager (below).

public slots:
    // Commands of the command bar, the menus and the buttons. Those of later features are
    // empty hooks here, routed already so that they act on the active pane.
    virtual void ConnectCommand();
    // QUIT, status line = last reply, remote field and pane emptied, disconnected display.
    virtual void DisconnectCommand();
    // Disconnects, then closes the window.
    virtual void ExitCommand();
    virtual void SettingsCommand();
    virtual void TransferModeAuto();
    virtual void TransferModeText();
    virtual void TransferModeBinary();
    virtual void CreateDirectoryCommand();
    virtual void DeleteCommand();
    virtual void ChangeAttributesCommand();
    // F2: the item under the caret of the active pane renamed to the name typed into the
    // rename dialog; the pane is listed again with the item under its new name selected.
    virtual void RenameCommand();
    virtual void DownloadSelected();
    virtual void UploadSelected();
    // A double-clicked ".." or directory row (or Enter on it): the local pane moves to that
    // directory; the remote pane changes the server's directory and lists it (a link row is
    // tried as a directory).
    void OpenLocalItem();
    void OpenRemoteItem();
    // Enter in a path field: that pane goes to the folder typed.
    void LocalFieldEntered();
    void RemoteFieldEntered();
    // Backspace: the active pane goes up one level.
    void GoToParent();
    // F5: both panes listed again.
    void RefreshPanes();
    // Ctrl+A: every row of the active pane but "..".
    void SelectAllRows();

protected:
    // The window's close button is the caption's OK: disconnect, then close. Refused while a
    // command runs, since the engine is in the middle of it.
    void closeEvent(QCloseEvent* event) override;
    // Escape does not close the window (a desktop window does not quit on Escape).
    void keyPressEvent(QKeyEvent* event) override;
    // The size and place are remembered a moment after they change.
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void done(int result) override;
    // Pane activation by focus; and, while a command runs, the input of the whole program:
    // Escape stops the work, the wait box's 中止 and the dialogs the command shows take theirs,
    // everything else is dropped.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void BuildCommandBar();
    void BuildContextMenu();
    // The keys of the commands and the panes, shown in the tooltips.
    void BuildShortcuts();
    void SetTabOrder();
    // The stored size and place, when they still fit a screen; the default otherwise.
    void RestoreGeometry();
    void SaveGeometry();
    // The panes, the arrow images and the colours of the narrow or the wide layout.
    void ApplyLayout(bool wide);
    [[nodiscard]] CPaneList* ActiveList() const;
    // Connects `action` so that it runs `handler` as a command. A ticked item keeps the tick
    // CheckEditMenuItem gave it: choosing it does not change the tick by itself.
    void Route(QAction* action, void (CMainDlg::*handler)());
    QAction* AddItem(QMenu* menu, const char* name, const QString& text, int id,
                     void (CMainDlg::*handler)());
    // 1 = local, 0 = remote: the labels, fields, stacking order and colours that go with it.
    void SetActivePane(int pane);
    void ApplyPaneColours();
    void ShowContextMenu(CPaneList* list, const QPoint& pos);
    [[nodiscard]] QAction* FindEditMenuItem(int id) const;
    // The file commands' two sides and the steps they share.
    void CreateLocalDirectory();
    void CreateRemoteDirectory();
    void DeleteLocalFiles();
    void DeleteRemoteFiles();
    // The name typed into the create-directory dialog; empty when it was not confirmed.
    [[nodiscard]] std::string AskDirectoryName(const char* prompt);
    // True when the pane (1 local, 0 remote) shows the folder its field names (the field was
    // read into m_strLocalDir / m_strRemoteDir). Otherwise the pane goes to the field's
    // folder, its selection is cleared, the status line says so, and the command must not
    // act on the rows.
    [[nodiscard]] bool ShowsFieldFolder(int pane);
    [[nodiscard]] bool BothShowFieldFolders();
    // Opens `row` of the local pane: ".." or a directory row.
    void OpenLocalRow(const std::string& row);
    void OpenRemoteRow(const std::string& row);
    // Rows of the other pane, or files from outside, dropped on a pane.
    void RowsDropped(int toPane, int fromPane);
    void FilesDropped(const QStringList& paths);
    void UploadDroppedFiles();
    // The dial-up manager for the session, or none when there is no usable backend (a
    // stored UseAutoDialUp is then said once, at the first connect).
    CDialUpManager* DialUpFor(DialUpStep step);
    // Input that reaches the program while a command runs: false when it is dropped.
    [[nodiscard]] bool TakesInputDuringWait(QObject* watched, QEvent* event);
    // Pop-ups of this window (its menus) that are open: closed, so that none keeps the
    // pointer and the keyboard while a command runs.
    void ClosePopups();
    // Drops the clicks and keys that queued up while a command waited.
    void DropQueuedInput();
    // Puts the window in `mode`: its menu item ticked, the other two not, the engine's type
    // (テキスト: TYPE A, バイナリ: TYPE I; 自動 leaves it to the next file) and the button beside
    // the status line.
    void ApplyTransferMode(TransferMode mode);
    // The dial-up manager, built when first needed over the current backend and clock.
    CDialUpManager& DialUpManager();

    CPrompt& m_prompt;
    CDialogRunner& m_runner;

    QLineEdit* m_editRemoteDir = nullptr;
    QLineEdit* m_editLocalDir = nullptr;
    QLabel* m_labelLocal = nullptr;
    QLabel* m_labelRemote = nullptr;
    // Beside the status line: whether the connection is encrypted.
    QLabel* m_labelSecurity = nullptr;
    QLabel* m_labelLock = nullptr;
    // Beside the status line: the transfer mode in use; it opens the 転送モード menu.
    QToolButton* m_pModeButton = nullptr;
    TransferMode m_transferMode = TransferMode::Binary;
    CPaneArea* m_pPaneArea = nullptr;
    CStatusLine* m_editStatus = nullptr;
    CPaneList* m_remoteList = nullptr;
    CPaneList* m_localList = nullptr;
    CArrowButton* m_btnDownload = nullptr;
    CArrowButton* m_btnUpload = nullptr;
    QIcon m_hIcon;
    QBrush m_brushGray;
    QBrush m_brushWhite;
    QToolBar* m_hMenuBar = nullptr;
    QAction* m_pConnectAction = nullptr;
    QAction* m_pDisconnectAction = nullptr;
    QMenu* m_pEditMenu = nullptr;
    QMenu* m_pContextMenu = nullptr;
    QWidget* m_pEditButton = nullptr;
    QTimer* m_pGeometryTimer = nullptr;
    // Files dropped from outside, for the upload command that follows.
    std::vector<std::string> m_droppedFiles;
    bool m_bDialUpUnavailableSaid = false;

    std::unique_ptr<CDialUpBackend> m_pDialUpBackend;
    std::unique_ptr<CClock> m_pDialUpClock;
    std::unique_ptr<CDialUpUi> m_pDialUpUi;
    // Dropped when the backend or the clock is replaced. Its handle is m_hRasConn: empty at
    // first, then the connection the last dial started, kept after a hang-up.
    std::unique_ptr<CDialUpManager> m_pDialUp;

    CStoredSettings m_settings;
    std::unique_ptr<CSessionUi> m_pSessionUi;
    std::unique_ptr<CLocalTrash> m_pTrash;
    std::unique_ptr<CSession> m_pSession;
    CCancelToken m_cancel;

    CWaitDlg* m_pProgressBox = nullptr;
    std::unique_ptr<CWaitDlg> m_pWaitMessage;
    int m_nCommandDepth = 0;
    // True while input left over from a command is flushed (while a command runs, its input
    // is dropped too).
    bool m_bDroppingInput = false;
    // The running command waited (on the network or a dial-up): input may have queued up.
    bool m_bWaited = false;
};

} // namespace tarnwick
