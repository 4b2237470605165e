// CWaitDlg: the small captioned box that says the program is busy. It is drawn, never run:
// the one thread goes on with its blocking work while the box shows a one-shot text or the
// running byte counts of a transfer, and the engine's pump keeps it painted. When the work can
// be stopped the box has a 中止 button (Escape presses it too); it never goes away by itself
// before its operation ends. It stays centred on the window it belongs to.
//
// During a transfer the two lines of text are kept as they come and a bar, the percentage,
// the speed, the time left and, for a command over several files, "n / m" are shown below.
// Within a command (BeginCommand to EndCommand) the box stays up from its first transfer to
// the command's end, so it does not flicker between files; a tree's bar runs over the whole
// tree, with its files n / m and bytes x / y. The speed and the time left count only the bytes
// moved in this run, never the part of a resumed file that was there already.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QString>

#include <cstddef>

#include "ftp/progresssink.h"
#include "session/sessionui.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace tarnwick {

class CWaitDlg : public QDialog, public CProgressSink {
    Q_OBJECT

public:
    // Hidden until first shown; `parent` (the main window) keeps it above that window.
    explicit CWaitDlg(QWidget* parent = nullptr);

    // One or two lines separated by "\n"; shown at the next ShowNow.
    void SetText(const QString& text) { m_strText = text; }
    [[nodiscard]] const QString& GetText() const { return m_strText; }
    // Writes the text into the box, shows it centred over its parent (or the screen) and
    // paints it at once, without taking user input.
    void ShowNow();
    // Whether the box offers 中止 (the button is shown and Escape presses it).
    void SetCancellable(bool cancellable);
    // The file `number` of `count` that the running command moves; "n / m" is shown when
    // there is more than one. 0 of 0 when no command runs.
    void SetItemCount(std::size_t number, std::size_t count);
    // A directory tree moves: its counts, once its walk is known and after each file.
    void SetTreeCounts(const TreeCounts& counts);
    // The next transfer goes on from `offset` bytes already there (a resumed file).
    void SetResumeOffset(std::int64_t offset) { m_nOffset = offset; }
    // A command starts: 中止 works again, the counts start from nothing, and the box, once
    // shown, stays until EndCommand.
    void BeginCommand();
    // The command is over: the box goes.
    void EndCommand();
    // The line under the bar: "45% ・ 1.2 MB/s ・ 残り 0:05 ・ 2 / 5 ファイル", or for a tree
    // "45% ・ 1.2 MB/s ・ 残り 0:05 ・ ファイル 12 / 300 ・ 1.5 MB / 40.0 MB".
    [[nodiscard]] QString GetDetails() const;

    // The speed and the time left in the form the box shows them.
    [[nodiscard]] static QString SpeedText(double bytesPerSecond);
    [[nodiscard]] static QString TimeText(std::int64_t seconds);

    // The progress use: Begin shows the box with its first text, Update repaints it with a
    // new one, End hides it.
    void Begin(const std::string& text) override;
    void Update(const std::string& text, std::int64_t done, std::int64_t total) override;
    void End() override;

protected:
    // The owner window moved or changed size: the box goes with it.
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // 中止 was pressed: the work should stop. The box stays until the work has ended.
    void cancelRequested();

public slots:
    // Escape: 中止 when offered; the box does not go by itself.
    void reject() override;

private:
    void Centre();
    void ShowProgress(std::int64_t done, std::int64_t total);
    // 中止 usable again, no counts, no transfer begun.
    void ResetCounts();
    // The bytes moved in this run: those of the files before, and of this one.
    [[nodiscard]] std::int64_t RunBytes() const;

    QString m_strText;
    QLabel* m_pText = nullptr;
    QProgressBar* m_pBar = nullptr;
    QLabel* m_pDetails = nullptr;
    QPushButton* m_pCancel = nullptr;
    // Since the command's first transfer (or this transfer, outside a command).
    QElapsedTimer m_started;
    std::size_t m_nItem = 0;
    std::size_t m_nItems = 0;
    TreeCounts m_tree;
    bool m_bHeld = false;
    // Of the transfer moving now: where it went on from, and how far it is.
    std::int64_t m_nOffset = 0;
    std::int64_t m_nDone = 0;
    // Bytes the command's earlier transfers moved.
    std::int64_t m_nRunBefore = 0;
};

} // namespace tarnwick
