#include "app/panelist.h"

namespace tarnwick {

namespace {

class CPaneItem : public QListWidgetItem {
public:
    explicit CPaneItem(const QString& text) : QListWidgetItem(text) {}
    bool operator<(const QListWidgetItem& other) const override
    {
        const int folded = text().compare(other.text(), Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : text() < other.text();
    }
};

} // namespace

CPaneList::CPaneList(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSortingEnabled(true);
    // Every row has one height; the view then lays out long listings without measuring
    // each row.
    setUniformItemSizes(true);
    setContextMenuPolicy(Qt::CustomContextMenu);
}

void CPaneList::ResetContent()
{
    clear();
}

void CPaneList::AddString(const std::string& text)
{
    addItem(new CPaneItem(QString::fromStdString(text)));
}

QStringList CPaneList::Rows() const
{
    QStringList rows;
    rows.reserve(count());
    for (int row = 0; row < count(); ++row) {
        rows << item(row)->text();
    }
    return rows;
}

} // namespace tarnwick
