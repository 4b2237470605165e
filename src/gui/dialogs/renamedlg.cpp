#include "gui/dialogs/renamedlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "gui/dialogs/dialogbuttons.h"

namespace tarnwick {

CRenameDlg::CRenameDlg(const QString& side, const std::string& oldName, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("renameDialog"));
    setWindowTitle(QStringLiteral("名前の変更"));

    const QString name = QString::fromStdString(oldName);
    m_pPrompt = new QLabel(side + QStringLiteral("の %1 の新しい名前").arg(name), this);
    m_pPrompt->setObjectName(QStringLiteral("renamePrompt"));
    m_pPrompt->setAccessibleName(QStringLiteral("説明"));
    m_pPrompt->setTextFormat(Qt::PlainText);
    m_pName = new QLineEdit(name, this);
    m_pName->setObjectName(QStringLiteral("renameName"));
    m_pName->setAccessibleName(QStringLiteral("新しい名前"));
    m_pPrompt->setBuddy(m_pName);
    // "report.txt": "report" selected; a name without an ending (or ".profile") all of it.
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    m_pName->setSelection(0, dot > 0 ? dot : name.size());

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pPrompt);
    layout->addWidget(m_pName);
    layout->addWidget(MakeOkCancelButtons(*this, "renameButtons"));
    setMinimumWidth(300);
}

std::string CRenameDlg::GetName() const
{
    return m_pName->text().toStdString();
}

} // namespace tarnwick
