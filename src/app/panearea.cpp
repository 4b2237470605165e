#include "app/panearea.h"

namespace tarnwick {

namespace {

constexpr int kGap = 4;

} // namespace

CPaneArea::CPaneArea(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("paneArea"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void CPaneArea::SetWidgets(QWidget* remote, QWidget* local, QWidget* download, QWidget* upload)
{
    m_pRemote = remote;
    m_pLocal = local;
    m_pDownload = download;
    m_pUpload = upload;
    Arrange();
}

void CPaneArea::resizeEvent(QResizeEvent* /*event*/)
{
    Arrange();
}

void CPaneArea::Arrange()
{
    if (!m_pRemote || !m_pLocal || !m_pDownload || !m_pUpload) {
        return;
    }
    const QSize button = m_pDownload->sizeHint();
    const QRect area = rect();
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

} // namespace tarnwick
