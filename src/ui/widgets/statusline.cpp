#include "ui/widgets/statusline.h"

namespace tarnwick {

CStatusLine::CStatusLine(QWidget* parent) : QLineEdit(parent)
{
    // Its text can be selected and copied with the mouse, but Tab and the window never hand
    // it the focus: nothing is typed there.
    setFocusPolicy(Qt::ClickFocus);
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) { m_strText = text; });
}

void CStatusLine::SetStatusText(const QString& text)
{
    m_strText = text;
    QString shown = text;
    shown.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    setText(shown);
    setCursorPosition(0);
}

} // namespace tarnwick
