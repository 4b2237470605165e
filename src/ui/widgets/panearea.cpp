#include "ui/widgets/panearea.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>

namespace tarnwick {

namespace {

constexpr int kGap = 4;
// The frame around the active pane in the wide layout.
constexpr int kFrame = 3;

} // namespace

CPaneArea::CPaneArea(QWidget* parent) : QWidget(parent), m_pCards(new QWidget(this))
{
    setObjectName(QStringLiteral("paneArea"));
    m_pCards->setObjectName(QStringLiteral("paneCards"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_pCards->installEventFilter(this);
}

void CPaneArea::SetWidgets(QWidget* remoteLabel, QWidget* remoteField, QWidget* localLabel,
                           QWidget* localField, QWidget* remote, QWidget* local,
                           QWidget* download, QWidget* upload)
{
    m_pRemoteLabel = remoteLabel;
    m_pRemoteField = remoteField;
    m_pLocalLabel = localLabel;
    m_pLocalField = localField;
    m_pRemote = remote;
    m_pLocal = local;
    m_pDownload = download;
    m_pUpload = upload;
    Arrange();
}

void CPaneArea::SetActivePane(int pane)
{
    m_nActivePane = pane;
    m_pCards->update();
}

void CPaneArea::resizeEvent(QResizeEvent* /*event*/)
{
    Arrange();
}

void CPaneArea::Arrange()
{
    if (!m_pRemote || !m_pLocal || !m_pDownload || !m_pUpload || !m_pRemoteField ||
        !m_pLocalField) {
        return;
    }
    const int fieldHeight = std::max({m_pRemoteField->sizeHint().height(),
                                      m_pRemoteLabel->sizeHint().height(),
                                      m_pLocalLabel->sizeHint().height()});
    const int labelWidth =
        std::max(m_pRemoteLabel->sizeHint().width(), m_pLocalLabel->sizeHint().width());
    const bool wide = width() >= kWideWidth;
    if (wide) {
        ArrangeWide(fieldHeight, labelWidth);
    } else {
        ArrangeNarrow(fieldHeight, labelWidth);
    }
    if (wide != m_bWide) {
        m_bWide = wide;
        emit wideChanged(wide);
    }
    m_pCards->update();
}

void CPaneArea::ArrangeNarrow(int fieldHeight, int labelWidth)
{
    const int fieldLeft = labelWidth + 6;
    const int fieldWidth = std::max(0, width() - fieldLeft);
    m_pRemoteLabel->setGeometry(0, 0, labelWidth, fieldHeight);
    m_pRemoteField->setGeometry(fieldLeft, 0, fieldWidth, fieldHeight);
    m_pLocalLabel->setGeometry(0, fieldHeight + 2, labelWidth, fieldHeight);
    m_pLocalField->setGeometry(fieldLeft, fieldHeight + 2, fieldWidth, fieldHeight);
    const int top = 2 * fieldHeight + 2 + 6;
    m_pCards->setGeometry(0, top, width(), std::max(0, height() - top));

    const QSize button = m_pDownload->sizeHint();
    const QRect area = m_pCards->rect();
    // Each card is offset from the other by one button and a gap, which leaves the two
    // notches where the buttons stand.
    const int dx = button.width() + kGap;
    const int dy = button.height() + kGap;
    m_pRemote->setGeometry(area.left(), area.top(), area.width() - dx, area.height() - dy);
    m_pLocal->setGeometry(area.left() + dx, area.top() + dy, area.width() - dx, area.height() - dy);
    m_pDownload->setGeometry(area.right() + 1 - button.width(), area.top(), button.width(),
                             button.height());
    m_pUpload->setGeometry(area.left(), area.bottom() + 1 - button.height(), button.width(),
                           button.height());
}

void CPaneArea::ArrangeWide(int fieldHeight, int labelWidth)
{
    const QSize button = m_pDownload->sizeHint();
    const int middle = button.width() + 4 * kGap;
    const int column = (width() - middle) / 2;
    const int localLeft = column + middle;
    const int localWidth = width() - localLeft;
    const int fieldLeft = labelWidth + 6;
    m_pRemoteLabel->setGeometry(0, 0, labelWidth, fieldHeight);
    m_pRemoteField->setGeometry(fieldLeft, 0, std::max(0, column - fieldLeft), fieldHeight);
    m_pLocalLabel->setGeometry(localLeft, 0, labelWidth, fieldHeight);
    m_pLocalField->setGeometry(localLeft + fieldLeft, 0, std::max(0, localWidth - fieldLeft),
                               fieldHeight);
    const int top = fieldHeight + 6;
    m_pCards->setGeometry(0, top, width(), std::max(0, height() - top));

    const int paneHeight = m_pCards->height();
    // Inside a frame's width, so the active pane's frame shows around it.
    m_pRemote->setGeometry(kFrame, kFrame, column - 2 * kFrame, paneHeight - 2 * kFrame);
    m_pLocal->setGeometry(localLeft + kFrame, kFrame, localWidth - 2 * kFrame,
                          paneHeight - 2 * kFrame);
    const int buttonLeft = column + (middle - button.width()) / 2;
    const int centre = paneHeight / 2;
    m_pDownload->setGeometry(buttonLeft, centre - kGap - button.height(), button.width(),
                             button.height());
    m_pUpload->setGeometry(buttonLeft, centre + kGap, button.width(), button.height());
}

bool CPaneArea::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pCards && event->type() == QEvent::Paint && m_bWide && m_pLocal &&
        m_pRemote) {
        QPainter painter(m_pCards);
        painter.setRenderHint(QPainter::Antialiasing);
        const QWidget* active = m_nActivePane == 1 ? m_pLocal : m_pRemote;
        const QRectF frame = QRectF(active->geometry()).adjusted(-1.5, -1.5, 1.5, 1.5);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 3));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(frame, 3, 3);
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tarnwick
