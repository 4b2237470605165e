// CRenameDlg: asks for the new name of one item. It opens with the old name in the field, the
// part before the last dot selected, so typing replaces the name and keeps the ending.
#pragma once

#include <QDialog>
#include <QString>

#include <string>

class QLabel;
class QLineEdit;

namespace tarnwick {

class CRenameDlg : public QDialog {
    Q_OBJECT

public:
    // `side` says which side the item is on ("ローカル", "リモート").
    CRenameDlg(const QString& side, const std::string& oldName, QWidget* parent = nullptr);

    // The name as typed, unchanged (blanks included).
    [[nodiscard]] std::string GetName() const;

private:
    QLabel* m_pPrompt = nullptr;
    QLineEdit* m_pName = nullptr;
};

} // namespace tarnwick
