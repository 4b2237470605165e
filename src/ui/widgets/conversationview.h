// CConversationView: the log of what was said to the servers, below the panes. It shows the
// lines of a CConversationLog, taking the new ones a few times a second while it is shown (the
// engines that write them may be busy in a transfer or on another thread), and keeps no more
// lines than the log does. Its text can be selected and copied; すべてコピー copies it all.
#pragma once

#include <QPlainTextEdit>

#include <cstdint>

class QTimer;

namespace tarnwick {

class CConversationLog;

class CConversationView : public QPlainTextEdit {
    Q_OBJECT

public:
    CConversationView(const CConversationLog& log, QWidget* parent = nullptr);

    // Takes the lines written since the last look.
    void Update();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    const CConversationLog& m_log;
    std::uint64_t m_nNext = 0;
    QTimer* m_pTimer;
};

} // namespace tarnwick
