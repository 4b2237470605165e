#include "gui/dialogs/settingpage1.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "settings/settings.h"
#include "settings/transfermode.h"

namespace tarnwick {

CSettingPage1::CSettingPage1(QWidget* parent) : CPropertyPage(parent)
{
    setObjectName(QStringLiteral("settingPage1"));
    setWindowTitle(QStringLiteral("操作"));

    m_pConnectAtStartup = new QCheckBox(QStringLiteral("起動時に[接続]ダイアログを表示"), this);
    m_pConnectAtStartup->setObjectName(QStringLiteral("connectAtStartupCheck"));
    m_pConnectAtStartup->setAccessibleName(m_pConnectAtStartup->text());
    m_pAutoMode = new QCheckBox(QStringLiteral("拡張子による自動判別を行う"), this);
    m_pAutoMode->setObjectName(QStringLiteral("autoModeCheck"));
    m_pAutoMode->setAccessibleName(m_pAutoMode->text());
    auto* label = new QLabel(
        QStringLiteral("テキストモードを使う拡張子：\n(半角スペース区切りで指定)"), this);
    label->setObjectName(QStringLiteral("extensionListLabel"));
    m_pExtensionList = new QLineEdit(this);
    m_pExtensionList->setObjectName(QStringLiteral("extensionListEdit"));
    m_pExtensionList->setAccessibleName(QStringLiteral("テキストモードを使う拡張子"));
    label->setBuddy(m_pExtensionList);
    m_pCheckOverwrite = new QCheckBox(QStringLiteral("ファイル上書き時に確認する"), this);
    m_pCheckOverwrite->setObjectName(QStringLiteral("checkOverwriteCheck"));
    m_pCheckOverwrite->setAccessibleName(m_pCheckOverwrite->text());

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pConnectAtStartup);
    layout->addWidget(m_pAutoMode);
    layout->addWidget(label);
    layout->addWidget(m_pExtensionList);
    layout->addWidget(m_pCheckOverwrite);
    layout->addStretch(1);

    connect(m_pAutoMode, &QCheckBox::toggled, m_pExtensionList, &QWidget::setEnabled);
}

void CSettingPage1::Load()
{
    m_pConnectAtStartup->setChecked(GetSettingFlag("ConnectDlgWithStartup"));
    m_pAutoMode->setChecked(GetStoredTransferMode() == TransferMode::Auto);
    m_pCheckOverwrite->setChecked(GetCheckOverwrite());
    m_pExtensionList->setEnabled(m_pAutoMode->isChecked());
    std::string list = GetSettingText("AutoTransferModeList");
    if (list.empty()) {
        list = kDefaultTextModeList;
    }
    m_pExtensionList->setText(QString::fromStdString(list));
}

void CSettingPage1::Store()
{
    SetSettingFlag("ConnectDlgWithStartup", m_pConnectAtStartup->isChecked());
    SetSettingFlag("AutoTransferMode", m_pAutoMode->isChecked());
    SetSettingText("AutoTransferModeList", m_pExtensionList->text().toStdString());
    SetSettingFlag("CheckOverwrite", m_pCheckOverwrite->isChecked());
}

} // namespace tarnwick
