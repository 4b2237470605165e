#include "gui/dialogs/settingpage3.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdint>

#include "core/nameencoding.h"
#include "core/textcodec.h"
#include "settings/settings.h"

namespace tarnwick {

namespace {

// The longest time limit offered: a day.
constexpr int kMaxTimeoutSeconds = 24 * 60 * 60;

} // namespace

CSettingPage3::CSettingPage3(QWidget* parent) : CPropertyPage(parent)
{
    setObjectName(QStringLiteral("settingPage3"));
    setWindowTitle(QStringLiteral("FTP 拡張"));

    m_pUsePasv = new QCheckBox(QStringLiteral("PASV コマンドを使う"), this);
    m_pUsePasv->setObjectName(QStringLiteral("usePasvCheck"));
    m_pUsePasv->setAccessibleName(m_pUsePasv->text());
    // Usable: "NLST -alL" gives long lines only on some servers, "LIST -a" on all of them.
    m_pUseList = new QCheckBox(QStringLiteral("NLST のかわりに LIST を使う"), this);
    m_pUseList->setObjectName(QStringLiteral("useListCheck"));
    m_pUseList->setAccessibleName(m_pUseList->text());

    m_pTimeout = new QSpinBox(this);
    m_pTimeout->setObjectName(QStringLiteral("timeoutSpin"));
    m_pTimeout->setAccessibleName(QStringLiteral("待ち時間の上限 (秒)"));
    m_pTimeout->setRange(0, kMaxTimeoutSeconds);
    m_pTimeout->setSuffix(QStringLiteral(" 秒"));
    m_pTimeout->setSpecialValueText(QStringLiteral("なし"));

    m_pQueueConnections = new QSpinBox(this);
    m_pQueueConnections->setObjectName(QStringLiteral("queueConnectionsSpin"));
    m_pQueueConnections->setAccessibleName(QStringLiteral("転送に使う接続の数"));
    m_pQueueConnections->setRange(0, static_cast<int>(kMaxQueueConnections));
    // 0: files move on the window's own connection, one at a time, as the window waits.
    m_pQueueConnections->setSpecialValueText(QStringLiteral("なし (ウィンドウの接続で転送)"));

    // The data is the stored text: empty for the locale's charset, so that the choice follows
    // the locale.
    m_pEncoding = new QComboBox(this);
    m_pEncoding->setObjectName(QStringLiteral("encodingCombo"));
    m_pEncoding->setAccessibleName(QStringLiteral("サーバーの文字コード"));
    m_pEncoding->addItem(QStringLiteral("ロケールの文字コード (%1)")
                             .arg(QString::fromStdString(DefaultServerEncoding())),
                         QString());
    m_pEncoding->addItem(QStringLiteral("UTF-8"), QStringLiteral("UTF-8"));
    m_pEncoding->addItem(QStringLiteral("CP932 (Shift_JIS)"), QStringLiteral("CP932"));
    m_pEncoding->addItem(QStringLiteral("EUC-JP"), QStringLiteral("EUC-JP"));
    m_pEncoding->addItem(QStringLiteral("自動"),
                         QString::fromUtf8(kAutoEncoding.data(), kAutoEncoding.size()));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("タイムアウト："), m_pTimeout);
    form->addRow(QStringLiteral("サーバーの文字コード："), m_pEncoding);
    form->addRow(QStringLiteral("同時に転送する接続："), m_pQueueConnections);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pUsePasv);
    layout->addWidget(m_pUseList);
    layout->addLayout(form);
    layout->addStretch(1);
}

void CSettingPage3::Load()
{
    m_pUsePasv->setChecked(GetSettingFlag("UsePASV"));
    m_pUseList->setChecked(GetSettingFlag("UseLIST"));
    m_pTimeout->setValue(static_cast<int>(std::min<std::uint32_t>(
        GetTimeoutSeconds(), static_cast<std::uint32_t>(kMaxTimeoutSeconds))));
    m_pQueueConnections->setValue(static_cast<int>(GetQueueConnections()));

    const QString stored = QString::fromStdString(GetSettingText("ServerEncoding"));
    int index = m_pEncoding->findData(stored);
    if (index < 0) {
        m_pEncoding->addItem(stored, stored);
        index = m_pEncoding->count() - 1;
    }
    m_pEncoding->setCurrentIndex(index);
}

void CSettingPage3::Store()
{
    SetSettingFlag("UsePASV", m_pUsePasv->isChecked());
    SetSettingFlag("UseLIST", m_pUseList->isChecked());
    SetSettingInt("TimeoutSeconds", static_cast<std::uint32_t>(m_pTimeout->value()));
    SetSettingText("ServerEncoding", m_pEncoding->currentData().toString().toStdString());
    SetSettingInt("QueueConnections", static_cast<std::uint32_t>(m_pQueueConnections->value()));
}

QString CSettingPage3::Refusal() const
{
    const QString encoding = m_pEncoding->currentData().toString();
    if (encoding.isEmpty() || IsKnownEncoding(encoding.toStdString()) ||
        IsAutoEncoding(encoding.toStdString())) {
        return {};
    }
    return QStringLiteral("サーバーの文字コード「%1」は使用できません\n(UTF-8、CP932、EUC-JP など)")
        .arg(encoding);
}

} // namespace tarnwick
