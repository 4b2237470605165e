// CPaneArea: the part of the main window where the two panes lie on each other like two
// cards, the remote pane up and to the left, the local pane down and to the right, with the
// download button in the notch at the top right and the upload button in the one at the
// bottom left. The cards grow with the window; the buttons keep their size.
#pragma once

#include <QWidget>

namespace tarnwick {

class CPaneArea : public QWidget {
    Q_OBJECT

public:
    explicit CPaneArea(QWidget* parent = nullptr);
    // The four children to arrange; all must be children of this widget.
    void SetWidgets(QWidget* remote, QWidget* local, QWidget* download, QWidget* upload);

    [[nodiscard]] QSize minimumSizeHint() const override { return {200, 200}; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Arrange();

    QWidget* m_pRemote = nullptr;
    QWidget* m_pLocal = nullptr;
    QWidget* m_pDownload = nullptr;
    QWidget* m_pUpload = nullptr;
};

} // namespace tarnwick
