// The choice between text mode ("TYPE A") and binary mode ("TYPE I").
#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

enum class TransferMode { Auto, Text, Binary };

// The list the options page offers when none is stored.
inline constexpr const char* kDefaultTextModeList = "txt html htm cgi pl";

// True when `name` ends with one of the blank-separated endings of `list`. No dot is looked
// for ("html" matches "page.xhtml" and "shtml"), case matters, empty tokens are skipped.
[[nodiscard]] bool EndsWithListedEnding(std::string_view name, std::string_view list);

// EndsWithListedEnding with the stored AutoTransferModeList (empty when missing: every file
// then goes in binary mode).
[[nodiscard]] bool IsTextModeFile(const std::string& name);

} // namespace tarnwick
