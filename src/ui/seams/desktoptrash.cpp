#include "ui/seams/desktoptrash.h"

#include <QFile>

namespace tarnwick {

bool CDesktopTrash::MoveToTrash(const std::string& path, std::string& why)
{
    // Qt keeps to the freedesktop.org rules: the home trash on the home's file system, a
    // ".Trash-UID" at the top of another; a folder goes whole.
    QFile file(QString::fromStdString(path));
    if (file.moveToTrash()) {
        return true;
    }
    why = file.errorString().toStdString();
    return false;
}

} // namespace tarnwick
