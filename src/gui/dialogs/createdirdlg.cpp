#include "gui/dialogs/createdirdlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "gui/dialogs/dialogbuttons.h"

namespace tarnwick {

CCreateDirDlg::CCreateDirDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("createDirDialog"));
    setWindowTitle(QStringLiteral("Tarnwick CreateDirectory"));

    m_pPrompt = new QLabel(this);
    m_pPrompt->setObjectName(QStringLiteral("createDirPrompt"));
    m_pPrompt->setAccessibleName(QStringLiteral("説明"));
    m_pPrompt->setTextFormat(Qt::PlainText);
    m_pName = new QLineEdit(this);
    m_pName->setObjectName(QStringLiteral("createDirName"));
    m_pName->setAccessibleName(QStringLiteral("ディレクトリ名"));
    m_pPrompt->setBuddy(m_pName);

    QDialogButtonBox* buttons = MakeOkCancelButtons(*this, "createDirButtons");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pPrompt);
    layout->addWidget(m_pName);
    layout->addWidget(buttons);
    setMinimumWidth(300);
}

void CCreateDirDlg::SetPrompt(const QString& text)
{
    m_pPrompt->setText(text);
}

std::string CCreateDirDlg::GetName() const
{
    return m_pName->text().toStdString();
}

} // namespace tarnwick
