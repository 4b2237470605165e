// What was said on the control connections: every command sent and every reply line, each
// marked with its connection and the time, kept in memory up to a bound (the oldest lines go
// first). Engines write to it from any thread; a window reads what came since it last looked.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

struct ConversationLine {
    enum class Kind { Command, Reply, Note };
    std::uint64_t sequence = 0;
    std::chrono::system_clock::time_point time{};
    int connection = 0;
    Kind kind = Kind::Note;
    std::string text;
};

class CConversationLog {
public:
    static constexpr std::size_t kDefaultLimit = 10000;

    explicit CConversationLog(std::size_t limit = kDefaultLimit) : m_limit(limit) {}

    // A command as sent (a password never), a reply's lines one by one, or a note.
    void Add(int connection, ConversationLine::Kind kind, std::string_view text);
    // The lines numbered `from` and later that are still kept, oldest first.
    [[nodiscard]] std::vector<ConversationLine> Since(std::uint64_t from) const;
    // The number the next line will get.
    [[nodiscard]] std::uint64_t NextSequence() const;
    void Clear();

    // "12:34:56.789 [1] > USER anna", "… [1] < 331 Password required", "… [1] * note".
    [[nodiscard]] static std::string Format(const ConversationLine& line);

private:
    mutable std::mutex m_mutex;
    std::deque<ConversationLine> m_lines;
    std::size_t m_limit;
    std::uint64_t m_next = 0;
};

// The command as the log shows it: the argument of PASS (and ACCT) is never written.
[[nodiscard]] std::string LoggedCommand(std::string_view command);

} // namespace tarnwick
