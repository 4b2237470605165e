// FTP URLs from the command line (ftp:// and ftps://): whatever parses has a host, a port from
// 1 to 65535 and no CR, LF or NUL in any part (they would end a command line early), and its
// parts written back as a URL, each percent-encoded, parse to the same parts.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "cli/ftpurl.h"
#include "fuzzsupport.h"

namespace {

using tarnwick::fuzz::Check;

// Percent-encodes every byte but the unreserved ones (and those in `keep`).
std::string Encode(std::string_view text, std::string_view keep = {})
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
                                c == '~';
        if (unreserved || keep.find(c) != std::string_view::npos) {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        }
    }
    return out;
}

// host:port as the parser reads it back. A host with a colon (an IPv6 literal) or starting
// with "[" needs brackets; a host that also holds "]" cannot have them, and is then only
// readable bare, with the scheme's default port.
std::string HostPort(const tarnwick::FtpUrl& url)
{
    const std::string port = std::to_string(url.port);
    const bool colon = url.host.find(':') != std::string::npos;
    if (!colon && url.host.front() != '[') {
        return Encode(url.host) + ":" + port;
    }
    if (url.host.find(']') == std::string::npos) {
        return "[" + Encode(url.host) + "]:" + port;
    }
    return Encode(url.host);
}

std::string Format(const tarnwick::FtpUrl& url)
{
    std::string text = url.implicitTls ? "ftps://" : "ftp://";
    if (!url.user.empty() || url.hasPassword) {
        text += Encode(url.user);
        if (url.hasPassword) {
            text += ":" + Encode(url.password);
        }
        text += "@";
    }
    return text + HostPort(url) + "/" + Encode(url.directory, "/");
}

bool HasLineBreakOrNul(const std::string& part)
{
    return part.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    tarnwick::FtpUrl url;
    if (!tarnwick::ParseFtpUrl(text, url)) {
        return 0;
    }
    Check(!url.host.empty(), "empty host");
    Check(url.port != 0, "port 0");
    Check(!HasLineBreakOrNul(url.user) && !HasLineBreakOrNul(url.password) &&
              !HasLineBreakOrNul(url.host) && !HasLineBreakOrNul(url.directory),
          "CR, LF or NUL in a part");
    Check(url.hasPassword || url.password.empty(), "a password without hasPassword");

    const std::string again = Format(url);
    tarnwick::FtpUrl back;
    Check(tarnwick::ParseFtpUrl(again, back), "the URL written back does not parse");
    Check(back.user == url.user && back.password == url.password &&
              back.hasPassword == url.hasPassword && back.host == url.host &&
              back.port == url.port && back.implicitTls == url.implicitTls &&
              back.directory == url.directory,
          "the URL written back parses to other parts");
    return 0;
}
