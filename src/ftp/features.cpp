// Feature negotiation (RFC 2389) and the RFC 3659 commands that depend on it.
#include <algorithm>
#include <ctime>

#include "core/strutil.h"
#include "core/textcodec.h"
#include "ftp/ftpclient.h"

namespace tarnwick {

namespace {

// A feature line of a FEAT reply: " MLST type*;size*;modify*;" gives "MLST", " REST STREAM"
// gives "REST STREAM" (the one feature named by two words that matters here).
std::string FeatureName(std::string_view line)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n' || line.back() == ' ')) {
        line.remove_suffix(1);
    }
    if (line.empty() || line.front() != ' ') {
        return std::string();
    }
    line.remove_prefix(1);
    const std::string upper = [&] {
        std::string text(line);
        std::transform(text.begin(), text.end(), text.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        return text;
    }();
    if (upper.rfind("REST STREAM", 0) == 0) {
        return "REST STREAM";
    }
    return upper.substr(0, upper.find(' '));
}

} // namespace

CommandOutcome CFtpClient::NegotiateFeatures()
{
    m_features.clear();
    // 211-Features:
    //  MLST type*;size*;modify*;UNIX.mode*;
    //  UTF8
    // 211 End
    if (!Exchange("FEAT", 211)) {
        return Answered(false);
    }
    CommandOutcome outcome = Answered(true);
    std::size_t start = 0;
    while (start < m_strReply.size()) {
        const std::size_t end = std::min(m_strReply.find('\n', start), m_strReply.size());
        if (std::string name = FeatureName(std::string_view(m_strReply).substr(start, end - start));
            !name.empty()) {
            m_features.push_back(std::move(name));
        }
        start = end + 1;
    }
    RequestMlstFacts();
    if (HasFeature("UTF8") && (m_bEncodingOpen || EqualsIgnoreAsciiCase(m_strEncoding, "UTF-8"))) {
        // For a chosen UTF-8 the answer does not matter: a server that lists UTF8 speaks it
        // either way. 自動 takes UTF-8 only when the server agrees; otherwise the names tell.
        if (Exchange("OPTS UTF8 ON", 200) && m_bEncodingOpen) {
            m_strEncoding = "UTF-8";
            m_bEncodingOpen = false;
        }
    }
    return outcome;
}

void CFtpClient::RequestMlstFacts()
{
    // " MLST type*;perm*;size*;modify*;unique*;unix.mode;unix.uid;" names the facts the
    // server offers, those it sends now marked "*". The ones the pane shows are asked for in
    // the server's own spelling (pyftpdlib sends no mode until asked).
    const std::size_t at = AsciiLower(m_strReply).find(" mlst ");
    if (at == std::string::npos) {
        return;
    }
    std::string_view facts = std::string_view(m_strReply).substr(at + 6);
    facts = facts.substr(0, facts.find_first_of("\r\n"));
    std::string wanted;
    while (!facts.empty()) {
        std::string_view fact = facts.substr(0, facts.find(';'));
        facts.remove_prefix(std::min(facts.size(), fact.size() + 1));
        if (!fact.empty() && fact.back() == '*') {
            fact.remove_suffix(1);
        }
        // "unique" tells a directory seen again through a link, for walks of a tree.
        for (const char* name : {"type", "size", "modify", "unix.mode", "perm", "unique"}) {
            if (EqualsIgnoreAsciiCase(fact, name)) {
                wanted += std::string(fact) + ";";
            }
        }
    }
    if (!wanted.empty()) {
        static_cast<void>(Exchange("OPTS MLST " + wanted, 200));
    }
}

bool CFtpClient::HasFeature(std::string_view name) const
{
    return std::find(m_features.begin(), m_features.end(), name) != m_features.end();
}

std::int64_t CFtpClient::RemoteSize(const std::string& path)
{
    // Sizes are byte counts in binary type; some servers refuse SIZE in text type.
    if (!HasFeature("SIZE") || !EnsureType("TYPE I") || !Exchange("SIZE " + path, 213)) {
        return -1;
    }
    const std::string value = m_strReply.substr(std::min<std::size_t>(4, m_strReply.size()));
    if (value.empty() || value.front() < '0' || value.front() > '9') {
        return -1;
    }
    return ParseLeadingInt(value);
}

std::string CFtpClient::RemoteUnique(const std::string& path)
{
    // 250-Listing /pub
    //  type=dir;unique=fd01g3e;modify=20231130184500; /pub
    // 250 End
    if (!HasFeature("MLST") || !Exchange("MLST " + path, 250)) {
        return std::string();
    }
    const std::string lower = AsciiLower(m_strReply);
    const std::size_t at = lower.find("\n ");
    const std::size_t fact = lower.find("unique=", at == std::string::npos ? lower.size() : at);
    if (fact == std::string::npos) {
        return std::string();
    }
    const std::size_t end = m_strReply.find_first_of("; \r\n", fact + 7);
    return m_strReply.substr(fact + 7,
                             (end == std::string::npos ? m_strReply.size() : end) - fact - 7);
}

std::int64_t CFtpClient::RemoteModificationTime(const std::string& path)
{
    // "213 20231130184500" (UTC, fractions of a second allowed after a dot).
    if (!HasFeature("MDTM") || !Exchange("MDTM " + path, 213) || m_strReply.size() < 18) {
        return -1;
    }
    std::tm parts{};
    const std::string digits = m_strReply.substr(4, 14);
    if (std::any_of(digits.begin(), digits.end(), [](char c) { return c < '0' || c > '9'; })) {
        return -1;
    }
    parts.tm_year = std::stoi(digits.substr(0, 4)) - 1900;
    parts.tm_mon = std::stoi(digits.substr(4, 2)) - 1;
    parts.tm_mday = std::stoi(digits.substr(6, 2));
    parts.tm_hour = std::stoi(digits.substr(8, 2));
    parts.tm_min = std::stoi(digits.substr(10, 2));
    parts.tm_sec = std::stoi(digits.substr(12, 2));
    const time_t seconds = ::timegm(&parts);
    return seconds < 0 ? -1 : static_cast<std::int64_t>(seconds);
}

} // namespace tarnwick
