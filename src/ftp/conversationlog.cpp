#include "ftp/conversationlog.h"

#include <cstdio>
#include <ctime>

namespace tarnwick {

namespace {

// A line written to the log ends at its first CR or LF: what follows is another line.
std::string_view FirstLine(std::string_view text)
{
    const std::size_t end = text.find_first_of("\r\n");
    return end == std::string_view::npos ? text : text.substr(0, end);
}

bool StartsWithWord(std::string_view text, std::string_view word)
{
    if (text.size() < word.size()) {
        return false;
    }
    for (std::size_t i = 0; i < word.size(); ++i) {
        const char c = text[i];
        if ((c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c) != word[i]) {
            return false;
        }
    }
    return text.size() == word.size() || text[word.size()] == ' ';
}

} // namespace

void CConversationLog::Add(int connection, ConversationLine::Kind kind, std::string_view text)
{
    ConversationLine line;
    line.time = std::chrono::system_clock::now();
    line.connection = connection;
    line.kind = kind;
    line.text = FirstLine(text);
    const std::lock_guard<std::mutex> lock(m_mutex);
    line.sequence = m_next++;
    m_lines.push_back(std::move(line));
    while (m_lines.size() > m_limit) {
        m_lines.pop_front();
    }
}

std::vector<ConversationLine> CConversationLog::Since(std::uint64_t from) const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<ConversationLine> lines;
    if (m_lines.empty() || from >= m_next) {
        return lines;
    }
    const std::uint64_t first = m_lines.front().sequence;
    const std::size_t skip = from > first ? static_cast<std::size_t>(from - first) : 0;
    lines.assign(m_lines.begin() + static_cast<std::ptrdiff_t>(skip), m_lines.end());
    return lines;
}

std::uint64_t CConversationLog::NextSequence() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_next;
}

void CConversationLog::Clear()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_lines.clear();
}

std::string CConversationLog::Format(const ConversationLine& line)
{
    const auto since = line.time.time_since_epoch();
    const std::time_t seconds =
        static_cast<std::time_t>(std::chrono::duration_cast<std::chrono::seconds>(since).count());
    const int millis = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(since).count() % 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d.%03d [%d] ", local.tm_hour, local.tm_min,
                  local.tm_sec, millis, line.connection);
    const char* mark = line.kind == ConversationLine::Kind::Command ? "> "
                       : line.kind == ConversationLine::Kind::Reply ? "< "
                                                                    : "* ";
    return stamp + std::string(mark) + line.text;
}

std::string LoggedCommand(std::string_view command)
{
    const std::string_view line = FirstLine(command);
    for (const std::string_view secret : {std::string_view("PASS"), std::string_view("ACCT")}) {
        if (StartsWithWord(line, secret)) {
            return std::string(line.substr(0, secret.size())) + " ****";
        }
    }
    return std::string(line);
}

} // namespace tarnwick
