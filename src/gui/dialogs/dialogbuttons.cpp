#include "gui/dialogs/dialogbuttons.h"

#include <QDialog>
#include <QDialogButtonBox>

namespace tarnwick {

QDialogButtonBox* MakeOkCancelButtons(QDialog& dialog, const char* objectName)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->setObjectName(QString::fromLatin1(objectName));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

} // namespace tarnwick
