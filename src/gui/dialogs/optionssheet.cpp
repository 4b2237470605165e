#include "gui/dialogs/optionssheet.h"

#include <QDialogButtonBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "gui/dialogs/settingpage1.h"
#include "gui/dialogs/settingpage2.h"
#include "gui/dialogs/settingpage3.h"
#include "ui/seams/prompt.h"
#include "ui/widgets/settingpagex.h"

namespace tarnwick {

COptionsSheet::COptionsSheet(CDialUpBackend& backend, CPrompt& prompt, QWidget* parent)
    : QDialog(parent), m_prompt(prompt)
{
    setObjectName(QStringLiteral("optionsSheet"));
    setWindowTitle(QStringLiteral("Tarnwick 設定"));

    m_pTabs = new QTabWidget(this);
    m_pTabs->setObjectName(QStringLiteral("optionsTabs"));
    m_pTabs->setAccessibleName(QStringLiteral("設定のページ"));
    m_pages = {new CSettingPage1(m_pTabs), new CSettingPage2(backend, m_pTabs),
               new CSettingPage3(m_pTabs)};
    for (CPropertyPage* page : m_pages) {
        m_pTabs->addTab(page, page->windowTitle());
    }
    auto* info = new CSettingPageX(m_pTabs);
    m_pTabs->addTab(info, info->windowTitle());

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("optionsButtons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pTabs, 1);
    layout->addWidget(buttons);

    m_pTabs->setCurrentIndex(0);
    ShowPage(0);
    connect(m_pTabs, &QTabWidget::currentChanged, this, &COptionsSheet::ShowPage);
}

void COptionsSheet::ShowPage(int index)
{
    // The settings pages are the first tabs; the Info. page loads nothing.
    if (index >= 0 && static_cast<std::size_t>(index) < m_pages.size()) {
        m_pages[static_cast<std::size_t>(index)]->LoadOnce();
    }
}

void COptionsSheet::accept()
{
    for (CPropertyPage* page : m_pages) {
        if (!page->IsLoaded()) {
            continue;
        }
        if (const QString refusal = page->Refusal(); !refusal.isEmpty()) {
            m_pTabs->setCurrentWidget(page);
            m_prompt.Message(refusal);
            return;
        }
    }
    for (CPropertyPage* page : m_pages) {
        if (page->IsLoaded()) {
            page->Store();
        }
    }
    QDialog::accept();
}

} // namespace tarnwick
