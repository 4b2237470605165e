#include "ui/widgets/arrowbutton.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace tarnwick {

namespace {

struct Colours {
    QColor face, frame, arrow, letter;
};

Colours ColoursFor(CArrowButton::Face face)
{
    switch (face) {
    case CArrowButton::Face::Pressed:
        // Reverse colours: the arrow light on a dark face.
        return {QColor(0x1E, 0x3A, 0x78), QColor(0x10, 0x20, 0x40), QColor(0xFF, 0xFF, 0xFF), {}};
    case CArrowButton::Face::Disabled:
        return {QColor(0xE4, 0xE4, 0xE4), QColor(0xA0, 0xA0, 0xA0), QColor(0xA8, 0xA8, 0xA8),
                QColor(0xA8, 0xA8, 0xA8)};
    case CArrowButton::Face::Normal:
        break;
    }
    return {QColor(0xF4, 0xF4, 0xF0), QColor(0x50, 0x50, 0x50), QColor(0x1E, 0x6E, 0xD0),
            QColor(0x10, 0x10, 0x10)};
}

} // namespace

QPixmap CArrowButton::DrawImage(Kind kind, Face face, int size, bool horizontal)
{
    QPixmap image(size, size);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Drawn on a 26 x 26 grid, the size of the original images.
    painter.scale(size / 26.0, size / 26.0);
    const Colours colours = ColoursFor(face);

    painter.setPen(QPen(colours.frame, 1));
    painter.setBrush(colours.face);
    painter.drawRoundedRect(QRectF(0.5, 0.5, 25, 25), 3, 3);

    QPainterPath shaft;
    QPolygonF head;
    QRectF letterBox;
    QString letter;
    if (horizontal) {
        // Across the middle, the letter below the shaft.
        const bool right = kind == Kind::Download;
        shaft.moveTo(right ? 4 : 22, 8);
        shaft.lineTo(right ? 16 : 10, 8);
        head << QPointF(right ? 15 : 11, 3) << QPointF(right ? 15 : 11, 13)
             << QPointF(right ? 23 : 3, 8);
        letterBox = QRectF(6, 13, 14, 12);
        letter = right ? QStringLiteral("D") : QStringLiteral("U");
    } else if (kind == Kind::Download) {
        shaft.moveTo(4, 6);
        shaft.lineTo(19, 6);
        shaft.lineTo(19, 16);
        head << QPointF(14.5, 15) << QPointF(23.5, 15) << QPointF(19, 22);
        letterBox = QRectF(3, 9, 12, 14);
        letter = QStringLiteral("D");
    } else {
        shaft.moveTo(7, 22);
        shaft.lineTo(7, 10);
        head << QPointF(2.5, 11) << QPointF(11.5, 11) << QPointF(7, 4);
        letterBox = QRectF(12, 9, 12, 14);
        letter = QStringLiteral("U");
    }
    painter.setPen(QPen(colours.arrow, 2.4, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shaft);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colours.arrow);
    painter.drawPolygon(head);

    // The pressed image shows the arrow alone.
    if (face != Face::Pressed) {
        QFont font = painter.font();
        font.setBold(true);
        font.setPixelSize(12);
        painter.setFont(font);
        painter.setPen(colours.letter);
        painter.drawText(letterBox, Qt::AlignCenter, letter);
    }
    return image;
}

CArrowButton::CArrowButton(Kind kind, QWidget* parent) : QAbstractButton(parent), m_kind(kind)
{
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    SetHorizontal(false);
}

void CArrowButton::SetHorizontal(bool horizontal)
{
    m_bHorizontal = horizontal;
    for (const Face face : {Face::Normal, Face::Pressed, Face::Disabled}) {
        m_images[static_cast<int>(face)] = DrawImage(m_kind, face, 72, horizontal);
    }
    update();
}

CArrowButton::Face CArrowButton::CurrentFace() const
{
    if (!isEnabled()) {
        return Face::Disabled;
    }
    return isDown() ? Face::Pressed : Face::Normal;
}

const QPixmap& CArrowButton::Image(Face face) const
{
    return m_images[static_cast<int>(face)];
}

void CArrowButton::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const int side = qMin(width(), height());
    const QRect target((width() - side) / 2, (height() - side) / 2, side, side);
    painter.drawPixmap(target, Image(CurrentFace()));
    // No focus image of its own: the style's focus frame shows where the keyboard is.
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = target.adjusted(2, 2, -2, -2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

} // namespace tarnwick
