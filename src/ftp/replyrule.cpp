#include "ftp/replyrule.h"

#include "core/strutil.h"

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
    const std::string_view rest = line.substr(3);
    return rest.empty() || rest.front() == ' ' || rest.front() == '\r' || rest.front() == '\n';
}

int ParseReplyCode(std::string_view reply)
{
    return static_cast<int>(ParseLeadingInt(reply.substr(0, 3)));
}

bool IsPreliminaryReply(int code)
{
    return code == 125 || code == 150;
}

bool IsFinalReply(int code)
{
    return code >= 200 && code < 600;
}

} // namespace tarnwick
