#include "gui/dialogs/settingpage2.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <string>
#include <vector>

#include "dialup/dialupbackend.h"
#include "gui/dialogs/dialupavailability.h"
#include "settings/settings.h"

namespace tarnwick {

namespace {

// Alphabetical as a sorted list box orders them: case is ignored first, then decides ties.
bool ListsBefore(const std::string& a, const std::string& b)
{
    const int folded =
        QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
}

} // namespace

CSettingPage2::CSettingPage2(CDialUpBackend& backend, QWidget* parent)
    : CPropertyPage(parent), m_backend(backend)
{
    setObjectName(QStringLiteral("settingPage2"));
    setWindowTitle(QStringLiteral("DialUp"));

    m_pUseDialUp = new QCheckBox(QStringLiteral("必要時にダイアルアップ接続・切断"), this);
    m_pUseDialUp->setObjectName(QStringLiteral("useDialUpCheck"));
    m_pUseDialUp->setAccessibleName(m_pUseDialUp->text());
    m_pReason = new QLabel(this);
    m_pReason->setObjectName(QStringLiteral("dialUpReason"));
    m_pReason->setAccessibleName(QStringLiteral("ダイアルアップを使えない理由"));
    m_pReason->setWordWrap(true);
    m_pReason->hide();
    auto* label = new QLabel(QStringLiteral("使う接続を選択してください："), this);
    label->setObjectName(QStringLiteral("dialUpListLabel"));
    m_pEntries = new QListWidget(this);
    m_pEntries->setObjectName(QStringLiteral("dialUpList"));
    m_pEntries->setAccessibleName(QStringLiteral("使う接続"));
    m_pEntries->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pEntries->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    label->setBuddy(m_pEntries);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pUseDialUp);
    layout->addWidget(m_pReason);
    layout->addWidget(label);
    layout->addWidget(m_pEntries, 1);

    connect(m_pUseDialUp, &QCheckBox::toggled, m_pEntries, &QWidget::setEnabled);
}

void CSettingPage2::Load()
{
    std::vector<std::string> names;
    std::string why;
    const bool listed = DialUpAvailable(m_backend, why, &names);
    if (!listed || names.empty()) {
        // A line that says why the list is empty is not an entry: it cannot be selected, so
        // OK never stores it as the connection's name.
        auto* item = new QListWidgetItem(listed ? QStringLiteral("登録されていません")
                                                : QStringLiteral("一覧表示に失敗しました"));
        item->setFlags(Qt::ItemIsEnabled);
        m_pEntries->addItem(item);
        // Nothing could be dialled: the box cannot be ticked, and says why.
        m_pUseDialUp->setEnabled(false);
        m_pReason->setText(QString::fromStdString(
            listed ? std::string("保存された接続がありません") : why));
        m_pReason->show();
        return;
    }
    std::sort(names.begin(), names.end(), ListsBefore);
    for (const std::string& name : names) {
        m_pEntries->addItem(QString::fromStdString(name));
    }

    m_pUseDialUp->setChecked(GetSettingFlag("UseAutoDialUp"));
    m_pEntries->setEnabled(m_pUseDialUp->isChecked());

    const QString stored = QString::fromStdString(GetSettingText("AutoDialUpName"));
    if (stored.isEmpty()) {
        return;
    }
    int selected = 0;
    for (int row = 0; row < m_pEntries->count(); ++row) {
        if (m_pEntries->item(row)->text() == stored) {
            selected = row;
            break;
        }
    }
    m_pEntries->setCurrentRow(selected);
}

void CSettingPage2::Store()
{
    SetSettingFlag("UseAutoDialUp", m_pUseDialUp->isChecked());
    const QList<QListWidgetItem*> selected = m_pEntries->selectedItems();
    if (!selected.isEmpty()) {
        SetSettingText("AutoDialUpName", selected.front()->text().toStdString());
    }
}

} // namespace tarnwick
