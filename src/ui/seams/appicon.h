// The program icon, drawn in code: two overlapping panes, the front one white, with an arrow
// between them.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace tarnwick {

[[nodiscard]] QPixmap AppIconPixmap(int size);
// The icon in the sizes window managers ask for.
[[nodiscard]] QIcon AppIcon();

} // namespace tarnwick
