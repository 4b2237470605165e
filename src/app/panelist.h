// CPaneList: one pane of the main window, a sorted list of rows with extended multiple
// selection. The pane refreshers write to it through CPaneRows.
#pragma once

#include <QListWidget>

#include "files/panerows.h"

namespace tarnwick {

class CPaneList : public QListWidget, public CPaneRows {
    Q_OBJECT

public:
    explicit CPaneList(QWidget* parent = nullptr);

    void ResetContent() override;
    // The row goes to its sorted place: case is ignored first, then decides ties.
    void AddString(const std::string& text) override;
    // The row texts from top to bottom.
    [[nodiscard]] QStringList Rows() const;
};

} // namespace tarnwick
