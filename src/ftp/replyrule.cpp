#include "ftp/replyrule.h"

namespace tarnwick {

bool OpensMultiLineReply(std::string_view firstLine)
{
    return firstLine.size() >= 4 && firstLine[3] == '-';
}

bool ClosesMultiLineReply(std::string_view line, std::string_view firstLine)
{
    if (line.size() < 3 || firstLine.size() < 3 || line.substr(0, 3) != firstLine.substr(0, 3)) {
        return false;
    }
    // "220 text", or "220" alone with its line end; "220\rb" is text, not a line end.
    const std::string_view rest = line.substr(3);
    return rest.empty() || rest.front() == ' ' || rest.front() == '\n' || rest == "\r" ||
           rest.substr(0, 2) == "\r\n";
}

int ParseReplyCode(std::string_view reply)
{
    // Blanks, then digits; a sign is not a digit, so no code is ever negative.
    std::string_view head = reply.substr(0, 3);
    while (!head.empty() && (head.front() == ' ' || head.front() == '\t' || head.front() == '\r' ||
                             head.front() == '\n')) {
        head.remove_prefix(1);
    }
    int code = 0;
    for (const char c : head) {
        if (c < '0' || c > '9') {
            break;
        }
        code = code * 10 + (c - '0');
    }
    return code;
}

bool IsPreliminaryReply(int code)
{
    return code == 125 || code == 150;
}

bool IsFinalReply(int code)
{
    return code >= 200 && code < 600;
}

std::int64_t ParseAnnouncedSize(std::string_view reply)
{
    const std::size_t end = reply.rfind(" bytes)");
    if (end == std::string_view::npos) {
        return -1;
    }
    const std::size_t open = reply.rfind('(', end);
    if (open == std::string_view::npos || open + 1 == end || end - open - 1 > 18) {
        return -1; // no digits, or more than fit
    }
    std::int64_t size = 0;
    for (const char c : reply.substr(open + 1, end - open - 1)) {
        if (c < '0' || c > '9') {
            return -1;
        }
        size = size * 10 + (c - '0');
    }
    return size;
}

} // namespace tarnwick
