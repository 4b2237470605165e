#include "app/statusline.h"

namespace tarnwick {

CStatusLine::CStatusLine(QWidget* parent) : QLineEdit(parent)
{
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
