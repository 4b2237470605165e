#include "ui/seams/appicon.h"

#include <QPainter>
#include <QPainterPath>

namespace tarnwick {

QPixmap AppIconPixmap(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);

    const QPen frame(QColor(0x20, 0x30, 0x60), 1.2);
    painter.setPen(frame);
    painter.setBrush(QColor(0xC0, 0xC0, 0xC0));
    painter.drawRoundedRect(QRectF(2.5, 2.5, 19, 21), 2, 2);
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(10.5, 8.5, 19, 21), 2, 2);

    // Rows of the front pane.
    painter.setPen(QPen(QColor(0x70, 0x80, 0xA0), 1.5));
    for (int row = 0; row < 4; ++row) {
        painter.drawLine(QPointF(13.5, 13.5 + row * 4),
                         QPointF(26.5 - (row % 2) * 4, 13.5 + row * 4));
    }

    // The arrow from the back pane into the front one.
    QPainterPath arrow;
    arrow.moveTo(4, 26);
    arrow.lineTo(4, 29);
    arrow.lineTo(9, 29);
    painter.setPen(QPen(QColor(0x1E, 0x6E, 0xD0), 2.2, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(arrow);
    return pixmap;
}

QIcon AppIcon()
{
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128}) {
        icon.addPixmap(AppIconPixmap(size));
    }
    return icon;
}

} // namespace tarnwick
