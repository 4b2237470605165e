// The reply-line rules of RFC 959, as small predicates.
//
// A reply is one line "xyz text", or several lines: the first begins "xyz-" and the reply ends
// at the first later line that begins with the same three digits and a blank:
//
//   220-Welcome
//   The server is in Tokyo        <- blank in fourth place, but not "220 ": goes on
//   220 Ready
#pragma once

#include <cstdint>
#include <string_view>

namespace tarnwick {

// True when the first line of a reply opens a multi-line reply ("xyz-").
[[nodiscard]] bool OpensMultiLineReply(std::string_view firstLine);

// True when `line` ends the multi-line reply that `firstLine` opened: the same three
// characters, then a blank (or nothing but the line end).
[[nodiscard]] bool ClosesMultiLineReply(std::string_view line, std::string_view firstLine);

// The code of a reply: its first three characters read as a number (leading blanks skipped,
// digits up to the first other character, none giving 0).
[[nodiscard]] int ParseReplyCode(std::string_view reply);

// 125 ("data connection already open; transfer starting") and 150 ("opening data
// connection") both announce the data transfer.
[[nodiscard]] bool IsPreliminaryReply(int code);

// 2xx to 5xx: a reply that ends the command.
[[nodiscard]] bool IsFinalReply(int code);

// The size a preliminary reply announces, as vsftpd and proftpd write it:
//   150 Opening BINARY mode data connection for big.bin (30000000 bytes).
// The number in the last "(N bytes)"; -1 when there is none or it does not fit 63 bits.
[[nodiscard]] std::int64_t ParseAnnouncedSize(std::string_view reply);

} // namespace tarnwick
