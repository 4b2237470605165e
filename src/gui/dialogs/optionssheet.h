// COptionsSheet: the options sheet "Tarnwick 設定", four pages as tabs: "操作", "DialUp",
// "FTP 拡張" and "Info.". A page reads the store the first time its tab is shown (the first
// at once); OK stores every page that was shown and nothing else; cancel stores nothing. When
// a shown page refuses its controls, OK says why, brings that page forward and stores nothing.
#pragma once

#include <QDialog>

#include <vector>

class QTabWidget;

namespace tarnwick {

class CDialUpBackend;
class CPrompt;
class CPropertyPage;

class COptionsSheet : public QDialog {
    Q_OBJECT

public:
    // The dial-up page lists the entries of `backend`; refusals go through `prompt`. Both
    // must outlive the sheet.
    COptionsSheet(CDialUpBackend& backend, CPrompt& prompt, QWidget* parent = nullptr);

public slots:
    // Stores the pages that were shown, in tab order, then closes with OK; stays open and
    // stores nothing when one of them refuses.
    void accept() override;

private:
    void ShowPage(int index);

    CPrompt& m_prompt;
    QTabWidget* m_pTabs = nullptr;
    std::vector<CPropertyPage*> m_pages;
};

} // namespace tarnwick
