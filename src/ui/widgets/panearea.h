// CPaneArea: the part of the main window that holds the two panes, their path fields and the
// two transfer buttons, in one of two layouts.
//
// Narrow (less than kWideWidth pixels): the two path fields one above the other, and below
// them the panes lying on each other like two cards, the remote pane up and to the left, the
// local pane down and to the right, with the download button in the notch at the top right
// and the upload button in the one at the bottom left.
//
// Wide: the panes side by side, the remote pane on the left, each fully visible below its own
// path field, the two buttons between them; the active pane is framed in the highlight
// colour. The cards grow with the window; the buttons keep their size.
#pragma once

#include <QWidget>

namespace tarnwick {

class CPaneArea : public QWidget {
    Q_OBJECT

public:
    // The width from which the panes stand side by side: two panes of about 300 pixels, where
    // names, sizes and dates are readable.
    static constexpr int kWideWidth = 640;

    explicit CPaneArea(QWidget* parent = nullptr);

    // The widget the panes and the buttons belong to (the lists and buttons are made its
    // children); the labels and fields are children of the area itself.
    [[nodiscard]] QWidget* Cards() const { return m_pCards; }
    void SetWidgets(QWidget* remoteLabel, QWidget* remoteField, QWidget* localLabel,
                    QWidget* localField, QWidget* remote, QWidget* local, QWidget* download,
                    QWidget* upload);
    [[nodiscard]] bool IsWide() const { return m_bWide; }
    // 1 = local, 0 = remote: the pane the wide layout frames.
    void SetActivePane(int pane);

    [[nodiscard]] QSize minimumSizeHint() const override { return {200, 240}; }
    [[nodiscard]] QSize sizeHint() const override { return {400, 560}; }

signals:
    // The layout changed between narrow and wide.
    void wideChanged(bool wide);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Arrange();
    void ArrangeNarrow(int fieldHeight, int labelWidth);
    void ArrangeWide(int fieldHeight, int labelWidth);

    QWidget* m_pCards;
    QWidget* m_pRemoteLabel = nullptr;
    QWidget* m_pRemoteField = nullptr;
    QWidget* m_pLocalLabel = nullptr;
    QWidget* m_pLocalField = nullptr;
    QWidget* m_pRemote = nullptr;
    QWidget* m_pLocal = nullptr;
    QWidget* m_pDownload = nullptr;
    QWidget* m_pUpload = nullptr;
    bool m_bWide = false;
    int m_nActivePane = 1;
};

} // namespace tarnwick
