#include "ui/widgets/conversationview.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>

#include "ftp/conversationlog.h"

namespace tarnwick {

namespace {

constexpr int kUpdateMs = 250;

} // namespace

CConversationView::CConversationView(const CConversationLog& log, QWidget* parent)
    : QPlainTextEdit(parent), m_log(log), m_pTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("conversationLog"));
    setAccessibleName(QStringLiteral("通信ログ"));
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setMaximumBlockCount(static_cast<int>(CConversationLog::kDefaultLimit));
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setFocusPolicy(Qt::ClickFocus);
    m_pTimer->setInterval(kUpdateMs);
    connect(m_pTimer, &QTimer::timeout, this, &CConversationView::Update);
}

void CConversationView::Update()
{
    const std::vector<ConversationLine> lines = m_log.Since(m_nNext);
    if (lines.empty()) {
        return;
    }
    m_nNext = lines.back().sequence + 1;
    // The view follows the end unless the user has scrolled up to read.
    QScrollBar* bar = verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    QString text;
    for (const ConversationLine& line : lines) {
        text += QString::fromStdString(CConversationLog::Format(line));
        text += QLatin1Char('\n');
    }
    text.chop(1);
    appendPlainText(text);
    if (atEnd) {
        bar->setValue(bar->maximum());
    }
}

void CConversationView::showEvent(QShowEvent* event)
{
    QPlainTextEdit::showEvent(event);
    Update();
    m_pTimer->start();
}

void CConversationView::hideEvent(QHideEvent* event)
{
    QPlainTextEdit::hideEvent(event);
    m_pTimer->stop();
}

void CConversationView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    QAction* copy = menu.addAction(QStringLiteral("コピー"));
    copy->setEnabled(textCursor().hasSelection());
    connect(copy, &QAction::triggered, this, &QPlainTextEdit::copy);
    QAction* copyAll = menu.addAction(QStringLiteral("すべてコピー"));
    connect(copyAll, &QAction::triggered, this,
            [this] { QApplication::clipboard()->setText(toPlainText()); });
    menu.addSeparator();
    QAction* clear = menu.addAction(QStringLiteral("表示を消去"));
    connect(clear, &QAction::triggered, this, &QPlainTextEdit::clear);
    menu.exec(event->globalPos());
}

} // namespace tarnwick
