#include "settings/registryfile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "core/filedescriptor.h"
#include "core/strutil.h"
#include "core/textcodec.h"

namespace tarnwick {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kRoot = "HKEY_CURRENT_USER";

std::function<void()>& BeforeRenameHook()
{
    static std::function<void()> hook;
    return hook;
}

// ---- text form ------------------------------------------------------------------------

std::string QuoteText(std::string_view text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') {
            out += '\\';
        }
        out += c;
    }
    out += '"';
    return out;
}

bool HasControlCharacter(std::string_view text)
{
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            return true;
        }
    }
    return false;
}

std::string HexBytes(std::string_view bytes)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        const auto b = static_cast<unsigned char>(bytes[i]);
        out += kDigits[b >> 4];
        out += kDigits[b & 0xF];
    }
    return out;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Reads a quoted string starting at text[pos] == '"'; on success pos is past the closing quote.
bool ReadQuoted(std::string_view text, std::size_t& pos, std::string& out)
{
    if (pos >= text.size() || text[pos] != '"') {
        return false;
    }
    out.clear();
    for (++pos; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\\' && pos + 1 < text.size() && (text[pos + 1] == '\\' || text[pos + 1] == '"')) {
            ++pos;
        }
        out += text[pos];
    }
    return false;
}

bool ParseHexList(std::string_view text, std::string& bytes)
{
    bytes.clear();
    std::size_t i = 0;
    const auto skipBlanks = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
            ++i;
        }
    };
    skipBlanks();
    if (i == text.size()) {
        return true;
    }
    for (;;) {
        if (i + 1 >= text.size()) {
            return false;
        }
        const int hi = HexDigit(text[i]);
        const int lo = HexDigit(text[i + 1]);
        if (hi < 0 || lo < 0) {
            return false;
        }
        bytes += static_cast<char>(hi * 16 + lo);
        i += 2;
        skipBlanks();
        if (i == text.size()) {
            return true;
        }
        if (text[i] != ',') {
            return false;
        }
        ++i;
        skipBlanks();
    }
}

bool ParseValueLine(std::string_view line, RegistryValue& value)
{
    std::size_t pos = 0;
    if (line.front() == '@') {
        value.name.clear();
        pos = 1;
    } else if (!ReadQuoted(line, pos, value.name)) {
        return false;
    }
    if (pos >= line.size() || line[pos] != '=') {
        return false;
    }
    ++pos;
    const std::string_view data = line.substr(pos);
    if (StartsWith(data, "\"")) {
        std::size_t p = 0;
        value.kind = RegistryValue::Kind::Text;
        if (!ReadQuoted(data, p, value.text) || p != data.size()) {
            return false;
        }
        // A hand-edited file may hold bytes that are not UTF-8; keep texts valid so that
        // they write back unchanged.
        value.text = DecodeText(value.text, "UTF-8");
        // A text ends at its first 0 character, as the registry's texts do.
        value.text.resize(std::min(value.text.size(), value.text.find('\0')));
        return true;
    }
    if (EqualsIgnoreAsciiCase(data.substr(0, 6), "dword:")) {
        const std::string_view digits = data.substr(6);
        if (digits.empty() || digits.size() > 8) {
            return false;
        }
        std::uint32_t number = 0;
        for (char c : digits) {
            const int d = HexDigit(c);
            if (d < 0) {
                return false;
            }
            number = number * 16 + static_cast<std::uint32_t>(d);
        }
        value.kind = RegistryValue::Kind::Dword;
        value.dword = number;
        return true;
    }
    if (EqualsIgnoreAsciiCase(data.substr(0, 7), "hex(1):")) {
        std::string bytes;
        if (!ParseHexList(data.substr(7), bytes)) {
            return false;
        }
        value.kind = RegistryValue::Kind::Text;
        value.text = DecodeUtf16Le(bytes);
        return true;
    }
    return false;
}

// Splits into logical lines: CR LF or LF ends a line; a hex value line ending in '\'
// continues on the next one (regedit wraps long hex lists that way). Linear in the text: the
// kind of a line is looked at once, on its first part.
std::vector<std::string> LogicalLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::string current;
    bool hexLine = false;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find('\n', start);
        const bool last = end == std::string_view::npos;
        if (last) {
            end = text.size();
        }
        std::string_view raw = text.substr(start, end - start);
        if (!raw.empty() && raw.back() == '\r') {
            raw.remove_suffix(1);
        }
        if (current.empty()) {
            const std::size_t equals = raw.find('=');
            hexLine = equals != std::string_view::npos &&
                      EqualsIgnoreAsciiCase(raw.substr(equals, 4), "=hex");
        } else {
            while (!raw.empty() && (raw.front() == ' ' || raw.front() == '\t')) {
                raw.remove_prefix(1);
            }
        }
        current.append(raw);
        if (hexLine && !current.empty() && current.back() == '\\') {
            current.pop_back();
        } else {
            lines.push_back(std::move(current));
            current.clear();
        }
        if (last) {
            break;
        }
        start = end + 1;
    }
    if (!current.empty()) {
        lines.push_back(std::move(current));
    }
    return lines;
}

} // namespace

// ---- document -----------------------------------------------------------------------------

const RegistryValue* RegistryKeyData::FindValue(std::string_view name) const
{
    for (const RegistryValue& value : values) {
        if (value.name == name) {
            return &value;
        }
    }
    return nullptr;
}

void RegistryKeyData::PutValue(RegistryValue value)
{
    for (RegistryValue& existing : values) {
        if (existing.name == value.name) {
            existing = std::move(value);
            return;
        }
    }
    values.push_back(std::move(value));
}

void RegistryDocument::IndexKeys() const
{
    m_index.clear();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        m_index.emplace(AsciiLower(keys[i].path), i);
    }
}

const RegistryKeyData* RegistryDocument::FindKey(std::string_view path) const
{
    if (m_index.size() != keys.size()) {
        IndexKeys();
    }
    const auto found = m_index.find(AsciiLower(path));
    if (found == m_index.end() || found->second >= keys.size() ||
        !EqualsIgnoreAsciiCase(keys[found->second].path, path)) {
        return nullptr;
    }
    return &keys[found->second];
}

RegistryKeyData* RegistryDocument::FindKey(std::string_view path)
{
    return const_cast<RegistryKeyData*>(std::as_const(*this).FindKey(path));
}

RegistryKeyData& RegistryDocument::CreateKey(std::string_view path)
{
    // Parents first, as the registry creates them.
    for (std::size_t sep = path.find('\\'); sep != std::string_view::npos;
         sep = path.find('\\', sep + 1)) {
        if (FindKey(path.substr(0, sep)) == nullptr) {
            keys.push_back(RegistryKeyData{std::string(path.substr(0, sep)), {}});
            m_index.emplace(AsciiLower(keys.back().path), keys.size() - 1);
        }
    }
    if (RegistryKeyData* key = FindKey(path)) {
        return *key;
    }
    keys.push_back(RegistryKeyData{std::string(path), {}});
    m_index.emplace(AsciiLower(keys.back().path), keys.size() - 1);
    return keys.back();
}

bool ParseRegistryText(std::string_view text, RegistryDocument& doc)
{
    doc.keys.clear();
    if (StartsWith(text, "\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    RegistryKeyData* current = nullptr;
    bool sawHeader = false;
    for (const std::string& line : LogicalLines(text)) {
        std::string_view view = line;
        while (!view.empty() && (view.back() == ' ' || view.back() == '\t')) {
            view.remove_suffix(1);
        }
        if (view.empty() || view.front() == ';') {
            continue;
        }
        if (view == kHeader || view == "REGEDIT4") {
            if (sawHeader || current != nullptr) {
                return false;
            }
            sawHeader = true;
            continue;
        }
        if (view.front() == '[') {
            if (view.back() != ']') {
                return false;
            }
            const std::string_view full = view.substr(1, view.size() - 2);
            if (!EqualsIgnoreAsciiCase(full.substr(0, kRoot.size()), kRoot)) {
                return false;
            }
            std::string_view path = full.substr(kRoot.size());
            if (path.empty() || path.front() != '\\' || path.size() < 2 || path.back() == '\\') {
                return false;
            }
            path.remove_prefix(1);
            // Every part of the path names a key: no empty part, no control character, and no
            // more parts than any real store has.
            if (path.front() == '\\' || path.find("\\\\") != std::string_view::npos ||
                HasControlCharacter(path) ||
                static_cast<std::size_t>(std::count(path.begin(), path.end(), '\\')) >= kMaxKeyDepth) {
                return false;
            }
            current = &doc.CreateKey(path);
            continue;
        }
        if (current == nullptr) {
            return false;
        }
        RegistryValue value;
        if (!ParseValueLine(view, value)) {
            return false;
        }
        current->PutValue(std::move(value));
    }
    return true;
}

std::string SerializeRegistry(const RegistryDocument& doc)
{
    std::string out(kHeader);
    out += "\n";
    for (const RegistryKeyData& key : doc.keys) {
        out += "\n[";
        out += kRoot;
        out += '\\';
        out += key.path;
        out += "]\n";
        for (const RegistryValue& value : key.values) {
            out += value.name.empty() ? std::string("@") : QuoteText(value.name);
            out += '=';
            if (value.kind == RegistryValue::Kind::Dword) {
                char digits[16];
                std::snprintf(digits, sizeof digits, "dword:%08x", value.dword);
                out += digits;
            } else if (HasControlCharacter(value.text)) {
                out += "hex(1):";
                out += HexBytes(EncodeUtf16Le(value.text) + std::string(2, '\0'));
            } else {
                out += QuoteText(value.text);
            }
            out += '\n';
        }
    }
    return out;
}

// ---- the file -----------------------------------------------------------------------------

std::string RegistryDirectory()
{
    if (const char* dir = std::getenv("TARNWICK_CONFIG_DIR"); dir != nullptr && *dir != '\0') {
        return dir;
    }
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != '\0') {
        return std::string(xdg) + "/tarnwick";
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : ".") + "/.config/tarnwick";
}

std::string RegistryFilePath()
{
    return RegistryDirectory() + "/registry.reg";
}

namespace {

enum class LoadResult { Ok, Missing, Unparsable, IoError };

LoadResult LoadFile(const std::string& path, RegistryDocument& doc)
{
    doc.keys.clear();
    // Non-blocking, so that opening a FIFO does not wait for a writer.
    CFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.Valid()) {
        return errno == ENOENT ? LoadResult::Missing : LoadResult::IoError;
    }
    // Only a regular file of a sane size is a store: /dev/zero or an endless FIFO is not.
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) {
        return LoadResult::IoError;
    }
    if (!S_ISREG(info.st_mode) || static_cast<std::uint64_t>(info.st_size) > kMaxRegistryBytes) {
        return LoadResult::Unparsable;
    }
    std::string text;
    char buffer[8192];
    for (;;) {
        if (text.size() > kMaxRegistryBytes) {
            return LoadResult::Unparsable; // it grew while being read
        }
        const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return LoadResult::IoError;
        }
        if (n == 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return ParseRegistryText(text, doc) ? LoadResult::Ok : LoadResult::Unparsable;
}

bool EnsureDirectory(const std::string& dir)
{
    std::error_code ec;
    if (std::filesystem::is_directory(dir, ec)) {
        return true;
    }
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        return false;
    }
    ::chmod(dir.c_str(), 0700);
    return true;
}

// Holds the store's advisory lock for its lifetime.
class CStoreLock {
public:
    CStoreLock()
    {
        const std::string dir = RegistryDirectory();
        if (!EnsureDirectory(dir)) {
            return;
        }
        const std::string path = dir + "/registry.reg.lock";
        m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0) {
            return;
        }
        while (::flock(m_fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                ::close(m_fd);
                m_fd = -1;
                return;
            }
        }
    }
    ~CStoreLock()
    {
        if (m_fd >= 0) {
            ::close(m_fd); // releases the lock
        }
    }
    CStoreLock(const CStoreLock&) = delete;
    CStoreLock& operator=(const CStoreLock&) = delete;
    [[nodiscard]] bool Held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// Moves an unparsable store aside without overwriting an earlier copy.
void SetAside(const std::string& path)
{
    std::string target = path + ".bad";
    for (int n = 2; ::access(target.c_str(), F_OK) == 0 && n < 1000; ++n) {
        target = path + ".bad." + std::to_string(n);
    }
    ::rename(path.c_str(), target.c_str());
}

// Caller holds the lock.
LoadResult LoadLocked(RegistryDocument& doc)
{
    const std::string path = RegistryFilePath();
    LoadResult result = LoadFile(path, doc);
    if (result == LoadResult::Unparsable) {
        SetAside(path);
        doc.keys.clear();
        result = LoadResult::Missing;
    }
    return result;
}

bool WriteAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool ReplaceFile(const RegistryDocument& doc)
{
    const std::string dir = RegistryDirectory();
    const std::string path = RegistryFilePath();
    const std::string temp = path + ".tmp";
    {
        CFd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
        if (!fd.Valid()) {
            return false;
        }
        ::fchmod(fd.Get(), 0600); // an older leftover may carry other bits
        if (!WriteAll(fd.Get(), SerializeRegistry(doc)) || ::fsync(fd.Get()) != 0) {
            ::unlink(temp.c_str());
            return false;
        }
    }
    if (BeforeRenameHook()) {
        BeforeRenameHook()();
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    CFd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.Valid()) {
        ::fsync(dirFd.Get());
    }
    return true;
}

} // namespace

StoreStatus ReadRegistry(RegistryDocument& doc)
{
    switch (LoadFile(RegistryFilePath(), doc)) {
    case LoadResult::Ok:
    case LoadResult::Missing:
        return StoreStatus::Ok;
    case LoadResult::IoError:
        return StoreStatus::IoError;
    case LoadResult::Unparsable:
        break;
    }
    // Set it aside under the lock, unless a writer replaced it meanwhile.
    CStoreLock lock;
    if (!lock.Held()) {
        doc.keys.clear();
        return StoreStatus::IoError;
    }
    return LoadLocked(doc) == LoadResult::IoError ? StoreStatus::IoError : StoreStatus::Ok;
}

StoreStatus ModifyRegistry(const std::function<bool(RegistryDocument&)>& change)
{
    CStoreLock lock;
    if (!lock.Held()) {
        return StoreStatus::IoError;
    }
    RegistryDocument doc;
    if (LoadLocked(doc) == LoadResult::IoError) {
        return StoreStatus::IoError;
    }
    if (!change(doc)) {
        return StoreStatus::Ok;
    }
    return ReplaceFile(doc) ? StoreStatus::Ok : StoreStatus::IoError;
}

void SetRegistryBeforeRenameHook(std::function<void()> hook)
{
    BeforeRenameHook() = std::move(hook);
}

} // namespace tarnwick
