// CArrowButton: a transfer button drawn from three images of its own: normal, pressed and
// disabled. The download image is an arrow along the top that bends down at the right, with
// the letter D; the upload image an arrow pointing up at the left, with the letter U. Between
// panes that stand side by side (remote left, local right) the arrows point straight across
// instead: download to the right, upload to the left.
#pragma once

#include <QAbstractButton>
#include <QPixmap>

namespace tarnwick {

class CArrowButton : public QAbstractButton {
    Q_OBJECT

public:
    enum class Kind { Download, Upload };
    enum class Face { Normal, Pressed, Disabled };

    CArrowButton(Kind kind, QWidget* parent = nullptr);

    // Straight arrows across (true) or the bent arrows of the overlapping cards.
    void SetHorizontal(bool horizontal);
    [[nodiscard]] bool IsHorizontal() const { return m_bHorizontal; }

    [[nodiscard]] QSize sizeHint() const override { return {36, 36}; }
    // The image painted in the button's present state.
    [[nodiscard]] Face CurrentFace() const;
    [[nodiscard]] const QPixmap& Image(Face face) const;

    // Draws one of the images, `size` pixels square.
    [[nodiscard]] static QPixmap DrawImage(Kind kind, Face face, int size,
                                           bool horizontal = false);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Kind m_kind;
    bool m_bHorizontal = false;
    QPixmap m_images[3];
};

} // namespace tarnwick
