// The texts that carry data-connection addresses: the argument of PORT and the passive
// replies of PASV and EPSV.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnwick {

// "192.168.0.5", 1025 -> "192,168,0,5,4,1" (the PORT argument: address, port / 256, port % 256).
[[nodiscard]] std::string FormatPortArgument(const std::string& ipv4, std::uint16_t port);

// "::1", 50000 -> "|2|::1|50000|" (the EPRT argument of RFC 2428).
[[nodiscard]] std::string FormatEprtArgument(const std::string& ipv6, std::uint16_t port);

// Reads the six fields between the first "(" and the first ")" of a 227 reply, as servers
// write them:
//   227 Entering Passive Mode (10,0,0,5,4,1).
//   227 Entering Passive Mode (10, 0, 0, 5, 4, 1)
//   227 =10,0,0,5,4,1 is not accepted: no parentheses.
// `host` is "h1.h2.h3.h4" with each field exactly as written (blanks kept); `port` is
// p1 * 256 + p2. False unless there are exactly six fields, each a number from 0 to 255
// once its blanks are set aside.
[[nodiscard]] bool ParsePasvText(std::string_view reply, std::string& host, int& port);

// Reads the port of a 229 reply: "229 Entering Extended Passive Mode (|||6446|)". The
// character after "(" is the delimiter; the fourth field is the port.
[[nodiscard]] bool ParseEpsvText(std::string_view reply, int& port);

} // namespace tarnwick
