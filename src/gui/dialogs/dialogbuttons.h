// The OK and Cancel buttons the small dialogs share. OK stands for the caption's OK button;
// Escape or Cancel leaves without doing anything.
#pragma once

class QDialog;
class QDialogButtonBox;

namespace tarnwick {

// A button box named `objectName` whose OK accepts `dialog` and whose Cancel rejects it.
QDialogButtonBox* MakeOkCancelButtons(QDialog& dialog, const char* objectName);

} // namespace tarnwick
