// CStatusLine: the one-line status field. It keeps the exact text last written (replies end
// with CR LF) and shows it with CR and LF as blanks, since a line edit cannot break lines.
#pragma once

#include <QLineEdit>
#include <QString>

namespace tarnwick {

class CStatusLine : public QLineEdit {
    Q_OBJECT

public:
    explicit CStatusLine(QWidget* parent = nullptr);

    // Replaces the whole text.
    void SetStatusText(const QString& text);
    // The text as last written, or as the user edited it.
    [[nodiscard]] const QString& GetStatusText() const { return m_strText; }

private:
    QString m_strText;
};

} // namespace tarnwick
