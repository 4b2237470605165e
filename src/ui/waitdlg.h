// CWaitDlg: the small captioned box that says the program is busy. It is drawn, never run:
// the one thread goes on with its blocking work while the box shows a one-shot text or the
// running byte counts of a transfer, and the engine's pump keeps it painted. It takes no
// input and cannot be closed by the user.
#pragma once

#include <QDialog>
#include <QString>

#include "ftp/progresssink.h"

class QLabel;

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

    // The progress use: Begin shows the box with its first text, Update repaints it with a
    // new one, End hides it.
    void Begin(const std::string& text) override;
    void Update(const std::string& text, std::int64_t done, std::int64_t total) override;
    void End() override;

public slots:
    // Escape and the like do nothing: the box goes only when its operation ends.
    void reject() override {}

private:
    void Centre();

    QString m_strText;
    QLabel* m_pText = nullptr;
};

} // namespace tarnwick
