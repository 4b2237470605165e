#include "ui/widgets/waitdlg.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace tarnwick {

CWaitDlg::CWaitDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("waitDialog"));
    setWindowTitle(QStringLiteral("しばらくお待ちください..."));
    setModal(false);
    // Showing it must not take the focus from the pane the user worked in.
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_pText = new QLabel(this);
    m_pText->setObjectName(QStringLiteral("waitText"));
    m_pText->setAccessibleName(QStringLiteral("処理中の内容"));
    m_pText->setAlignment(Qt::AlignCenter);
    m_pText->setTextFormat(Qt::PlainText);
    m_pCancel = new QPushButton(QStringLiteral("中止"), this);
    m_pCancel->setObjectName(QStringLiteral("cancelButton"));
    m_pCancel->setAccessibleName(QStringLiteral("中止"));
    m_pCancel->setAutoDefault(false);
    m_pCancel->hide();
    connect(m_pCancel, &QPushButton::clicked, this, [this] {
        // Pressed once: the work is stopping, which the box says at once.
        m_pCancel->setEnabled(false);
        emit cancelRequested();
        m_pText->setText(QStringLiteral("中止しています…"));
        repaint();
    });
    m_pBar = new QProgressBar(this);
    m_pBar->setObjectName(QStringLiteral("progressBar"));
    m_pBar->setAccessibleName(QStringLiteral("進行状況"));
    m_pBar->setRange(0, 1000);
    m_pBar->setTextVisible(false);
    m_pBar->hide();
    m_pDetails = new QLabel(this);
    m_pDetails->setObjectName(QStringLiteral("progressDetails"));
    m_pDetails->setAccessibleName(QStringLiteral("転送の詳細"));
    m_pDetails->setAlignment(Qt::AlignCenter);
    m_pDetails->setTextFormat(Qt::PlainText);
    m_pDetails->hide();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->addWidget(m_pText);
    layout->addWidget(m_pBar);
    layout->addWidget(m_pDetails);
    layout->addWidget(m_pCancel, 0, Qt::AlignHCenter);
    // Wide enough for the whole caption with the window manager's buttons beside it, and for
    // the line under the bar at its longest, so the box keeps its size (and place) while the
    // numbers change.
    const int caption = fontMetrics().horizontalAdvance(windowTitle());
    const int details = m_pDetails->fontMetrics().horizontalAdvance(
        QStringLiteral("100% ・ 999.9 MB/s ・ 残り 99:59:59 ・ ファイル 9999 / 9999 ・ "
                       "999.9 MB / 999.9 MB"));
    setMinimumWidth(std::max({300, caption * 3 / 2 + 140, details + 40}));
    if (parent != nullptr) {
        parent->window()->installEventFilter(this);
    }
}

bool CWaitDlg::eventFilter(QObject* watched, QEvent* event)
{
    if ((event->type() == QEvent::Move || event->type() == QEvent::Resize) && isVisible() &&
        parentWidget() != nullptr && watched == parentWidget()->window()) {
        Centre();
    }
    return QDialog::eventFilter(watched, event);
}

void CWaitDlg::SetItemCount(std::size_t number, std::size_t count)
{
    m_nItem = number;
    m_nItems = count;
}

void CWaitDlg::SetTreeCounts(const TreeCounts& counts)
{
    m_tree = counts;
}

void CWaitDlg::ResetCounts()
{
    m_pCancel->setEnabled(true);
    m_nItem = 0;
    m_nItems = 0;
    m_tree = TreeCounts();
    m_nOffset = 0;
    m_nDone = 0;
    m_nRunBefore = 0;
    m_started.invalidate();
}

void CWaitDlg::BeginCommand()
{
    ResetCounts();
    m_bHeld = true;
}

void CWaitDlg::EndCommand()
{
    m_bHeld = false;
    hide();
    ResetCounts();
}

std::int64_t CWaitDlg::RunBytes() const
{
    return m_nRunBefore + std::max<std::int64_t>(m_nDone - m_nOffset, 0);
}

QString CWaitDlg::GetDetails() const
{
    return m_pDetails->isHidden() ? QString() : m_pDetails->text();
}

QString CWaitDlg::SpeedText(double bytesPerSecond)
{
    const char* const units[] = {"B/s", "KB/s", "MB/s", "GB/s"};
    int unit = 0;
    while (bytesPerSecond >= 1024.0 && unit < 3) {
        bytesPerSecond /= 1024.0;
        ++unit;
    }
    return QString::number(bytesPerSecond, 'f', unit == 0 ? 0 : 1) + QLatin1Char(' ') +
           QLatin1String(units[unit]);
}

QString CWaitDlg::TimeText(std::int64_t seconds)
{
    const std::int64_t hours = seconds / 3600;
    const QString minutes = QStringLiteral("%1:%2")
                                .arg((seconds / 60) % 60, hours > 0 ? 2 : 1, 10, QLatin1Char('0'))
                                .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return hours > 0 ? QString::number(hours) + QLatin1Char(':') + minutes : minutes;
}

void CWaitDlg::ShowProgress(std::int64_t done, std::int64_t total)
{
    if (done < 0) {
        return; // a text without counts ("更新中です")
    }
    m_nDone = done;
    // Over a tree the bar runs from its first byte to its last.
    const bool tree = m_tree.filesTotal > 0;
    const std::int64_t whole = tree ? m_tree.bytesTotal : total;
    const std::int64_t reached = tree ? m_tree.bytes + done : done;
    QStringList parts;
    const double seconds = static_cast<double>(m_started.elapsed()) / 1000.0;
    const double speed = seconds > 0.2 ? static_cast<double>(RunBytes()) / seconds : 0.0;
    if (whole > 0) {
        const std::int64_t clamped = std::min(reached, whole);
        m_pBar->setRange(0, 1000);
        m_pBar->setValue(static_cast<int>(clamped * 1000 / whole));
        parts << QString::number(clamped * 100 / whole) + QLatin1Char('%');
    } else {
        m_pBar->setRange(0, 0); // size unknown: a moving bar
    }
    if (speed > 0.0) {
        parts << SpeedText(speed);
        if (whole > reached) {
            const auto left = static_cast<std::int64_t>(
                std::ceil(static_cast<double>(whole - reached) / speed));
            parts << QStringLiteral("残り ") + TimeText(left);
        }
    }
    if (tree) {
        // The speed text's units without the "/s".
        const auto size = [](std::int64_t bytes) {
            QString text = SpeedText(static_cast<double>(bytes));
            text.chop(2);
            return text;
        };
        parts << QStringLiteral("ファイル %1 / %2")
                     .arg(std::min(m_tree.files + 1, m_tree.filesTotal))
                     .arg(m_tree.filesTotal)
              << size(std::min(reached, std::max(whole, reached))) + QStringLiteral(" / ") +
                     size(whole);
    } else if (m_nItems > 1) {
        parts << QStringLiteral("%1 / %2 ファイル").arg(m_nItem).arg(m_nItems);
    }
    m_pDetails->setText(parts.join(QStringLiteral(" ・ ")));
    m_pBar->show();
    m_pDetails->show();
}

void CWaitDlg::SetCancellable(bool cancellable)
{
    m_pCancel->setVisible(cancellable);
    m_pCancel->setEnabled(true);
}

void CWaitDlg::reject()
{
    if (m_pCancel->isVisible() && m_pCancel->isEnabled()) {
        m_pCancel->click();
    }
}

void CWaitDlg::ShowNow()
{
    m_pText->setText(m_strText);
    // Grows when a text needs more room, never shrinks while it is up: a box that changed its
    // size with every number would jump about the screen.
    layout()->activate();
    if (!isVisible()) {
        resize(sizeHint());
        Centre();
        show();
    } else if (const QSize target = sizeHint().expandedTo(size()); target != size()) {
        resize(target);
    }
    Centre(); // a move only when the size changed
    raise();
    // The caller blocks next; let the window system map the box and paint it now.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    repaint();
}

void CWaitDlg::Centre()
{
    QRect area;
    if (QWidget* owner = parentWidget()) {
        area = owner->window()->frameGeometry();
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    }
    if (area.isValid()) {
        // The frame is known once the box is on screen; before that the box alone is centred.
        const QSize outer = isVisible() ? frameGeometry().size() : size();
        move(area.center() - QPoint(outer.width() / 2, outer.height() / 2));
    }
}

void CWaitDlg::Begin(const std::string& text)
{
    const bool running = m_bHeld && isVisible();
    if (!m_bHeld || !m_started.isValid()) {
        m_started.start();
    }
    m_nDone = m_nOffset;
    if (!running) {
        m_pBar->hide();
        m_pDetails->hide();
    }
    // Between the files of a tree the box names the next one rather than starting over.
    SetText(running && !m_tree.current.empty()
                ? QStringLiteral("...") + QString::fromStdString(m_tree.current).right(15) +
                      QStringLiteral("\n準備中です")
                : QString::fromStdString(text));
    ShowNow();
}

void CWaitDlg::Update(const std::string& text, std::int64_t done, std::int64_t total)
{
    SetText(QString::fromStdString(text));
    ShowProgress(done, total);
    ShowNow();
}

void CWaitDlg::End()
{
    m_nRunBefore = RunBytes();
    m_nOffset = 0;
    m_nDone = 0;
    // Within a command the box waits for the next file, or the command's end.
    if (!m_bHeld) {
        hide();
    }
}

} // namespace tarnwick
