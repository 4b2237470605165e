// CSettingPageX: the "Info." page of the options sheet, the program's information panel. It
// shows fixed texts only: no fields, no settings, no commands.
#pragma once

#include <QWidget>

namespace tarnwick {

class CSettingPageX : public QWidget {
    Q_OBJECT

public:
    // The window title "Info." is the page's tab caption.
    explicit CSettingPageX(QWidget* parent = nullptr);
};

} // namespace tarnwick
