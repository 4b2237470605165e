// COptionsSheet: the options sheet "Tarnwick 設定", four pages as tabs: "操作", "DialUp",
// "FTP 拡張" and "Info.". A page reads the store the first time its tab is shown (the first
// at once); OK stores every page that was shown and nothing else; cancel stores nothing.
#pragma once

#include <QDialog>

#include <vector>

class QTabWidget;

namespace tarnwick {

class CDialUpBackend;
class CPropertyPage;

class COptionsSheet : public QDialog {
    Q_OBJECT

public:
    // The dial-up page lists the entries of `backend`, which must outlive the sheet.
    explicit COptionsSheet(CDialUpBackend& backend, QWidget* parent = nullptr);

public slots:
    // Stores the pages that were shown, in tab order, then closes with OK.
    void accept() override;

private:
    void ShowPage(int index);

    QTabWidget* m_pTabs = nullptr;
    std::vector<CPropertyPage*> m_pages;
};

} // namespace tarnwick
