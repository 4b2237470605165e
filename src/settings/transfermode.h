// The choice between text mode ("TYPE A") and binary mode ("TYPE I"), and the mode the window
// remembers.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

// The numbers are stored (TransferModeChoice).
enum class TransferMode { Auto = 0, Text = 1, Binary = 2 };

// The list the options page offers when none is stored.
inline constexpr const char* kDefaultTextModeList = "txt html htm cgi pl";

// True when `name` ends with one of the blank-separated endings of `list`. No dot is looked
// for ("html" matches "page.xhtml" and "shtml"), case matters, empty tokens are skipped.
[[nodiscard]] bool EndsWithListedEnding(std::string_view name, std::string_view list);

// AutoTransferModeList, or kDefaultTextModeList when none is stored; a list the user stored,
// even an empty one, is taken as it is.
[[nodiscard]] std::string GetTextModeList();

// EndsWithListedEnding with GetTextModeList().
[[nodiscard]] bool IsTextModeFile(const std::string& name);

// The mode chosen last (自動, テキスト or バイナリ), kept across restarts and the options sheet
// under TransferModeChoice. A store without that value reads as earlier versions stored it:
// AutoTransferMode 1 is Auto, any other stored AutoTransferMode is Text; a store that holds
// neither has never had a mode chosen and starts in Binary, which never changes a byte.
[[nodiscard]] TransferMode GetStoredTransferMode();
// Stores `mode`, and AutoTransferMode with it (1 for Auto, 0 otherwise) for the options page
// and older readers. False when the store cannot be opened.
bool SetStoredTransferMode(TransferMode mode);

} // namespace tarnwick
