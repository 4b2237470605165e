#include "cli/ftpurl.h"

#include "core/hostport.h"
#include "core/strutil.h"
#include "session/session.h"

namespace tarnwick {

namespace {

bool PercentDecode(std::string_view text, std::string& out)
{
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) {
            return false;
        }
        const auto hex = [](char c) {
            return c >= '0' && c <= '9'   ? c - '0'
                   : c >= 'a' && c <= 'f' ? c - 'a' + 10
                   : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                          : -1;
        };
        const int hi = hex(text[i + 1]);
        const int lo = hex(text[i + 2]);
        if (hi < 0 || lo < 0) {
            return false;
        }
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    // A decoded line break would end the command line early.
    return out.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

} // namespace

bool ParseFtpUrl(const std::string& text, FtpUrl& url)
{
    // ftps:// is implicit TLS, on port 990 unless one is given.
    const bool implicitTls = EqualsIgnoreAsciiCase(std::string_view(text).substr(0, 7), "ftps://");
    if (!implicitTls && !EqualsIgnoreAsciiCase(std::string_view(text).substr(0, 6), "ftp://")) {
        return false;
    }
    std::string_view rest = std::string_view(text).substr(implicitTls ? 7 : 6);
    const std::size_t slash = rest.find('/');
    std::string_view authority = rest.substr(0, slash);
    const std::string_view path =
        slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);

    FtpUrl parsed;
    parsed.implicitTls = implicitTls;
    const std::size_t at = authority.rfind('@');
    if (at != std::string_view::npos) {
        const std::string_view userInfo = authority.substr(0, at);
        authority.remove_prefix(at + 1);
        const std::size_t colon = userInfo.find(':');
        if (!PercentDecode(userInfo.substr(0, colon), parsed.user)) {
            return false;
        }
        if (colon != std::string_view::npos) {
            parsed.hasPassword = true;
            if (!PercentDecode(userInfo.substr(colon + 1), parsed.password)) {
                return false;
            }
        }
    }
    std::string hostPort;
    if (!PercentDecode(authority, hostPort) ||
        !SplitHostPort(hostPort, DefaultPort(implicitTls ? TlsMode::Implicit : TlsMode::None),
                       parsed.host, parsed.port)) {
        return false;
    }
    if (!PercentDecode(path, parsed.directory)) {
        return false;
    }
    while (parsed.directory.size() > 1 && parsed.directory.back() == '/') {
        parsed.directory.pop_back();
    }
    url = parsed;
    return true;
}

} // namespace tarnwick
