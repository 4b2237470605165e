// CCreateDirDlg: asks for the name of a directory to create. The command sets the prompt that
// says on which side the directory goes; the name starts empty.
#pragma once

#include <QDialog>
#include <QString>

#include <string>

class QLabel;
class QLineEdit;

namespace tarnwick {

class CCreateDirDlg : public QDialog {
    Q_OBJECT

public:
    explicit CCreateDirDlg(QWidget* parent = nullptr);

    // Two lines separated by "\n".
    void SetPrompt(const QString& text);
    // The name as typed, unchanged (blanks included).
    [[nodiscard]] std::string GetName() const;

private:
    QLabel* m_pPrompt = nullptr;
    QLineEdit* m_pName = nullptr;
};

} // namespace tarnwick
