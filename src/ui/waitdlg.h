// CWaitDlg: the small captioned box that says the program is busy. It is drawn, never run:
// the one thread goes on with its blocking work while the box shows a one-shot text or the
// running byte counts of a transfer, and the engine's pump keeps it painted. When the work can
// be stopped the box has a 中止 button (Escape presses it too); it never goes away by itself
// before its operation ends.
#pragma once

#include <QDialog>
#include <QString>

#include "ftp/progresssink.h"

class QLabel;
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

    // The progress use: Begin shows the box with its first text, Update repaints it with a
    // new one, End hides it.
    void Begin(const std::string& text) override;
    void Update(const std::string& text, std::int64_t done, std::int64_t total) override;
    void End() override;

signals:
    // 中止 was pressed: the work should stop. The box stays until the work has ended.
    void cancelRequested();

public slots:
    // Escape: 中止 when offered; the box does not go by itself.
    void reject() override;

private:
    void Centre();

    QString m_strText;
    QLabel* m_pText = nullptr;
    QPushButton* m_pCancel = nullptr;
};

} // namespace tarnwick
