#include "support/tempdir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace tarnwick::testing {

CTempDir::CTempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tarnwick-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    m_path = pattern;
}

CTempDir::~CTempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

CScopedEnv::CScopedEnv(std::string name, const std::string& value)
    : CScopedEnv(std::move(name), nullptr)
{
    ::setenv(m_name.c_str(), value.c_str(), 1);
}

CScopedEnv::CScopedEnv(std::string name, std::nullptr_t) : m_name(std::move(name))
{
    if (const char* old = std::getenv(m_name.c_str())) {
        m_hadValue = true;
        m_oldValue = old;
    }
    ::unsetenv(m_name.c_str());
}

CScopedEnv::~CScopedEnv()
{
    if (m_hadValue) {
        ::setenv(m_name.c_str(), m_oldValue.c_str(), 1);
    } else {
        ::unsetenv(m_name.c_str());
    }
}

std::string CTempStore::Text() const
{
    return std::filesystem::exists(FilePath()) ? ReadWholeFile(FilePath()) : std::string();
}

void CTempStore::Write(const std::string& text) const
{
    WriteWholeFile(FilePath(), text);
}

std::string RandomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string data(size, '\0');
    for (char& c : data) {
        c = static_cast<char>(random() & 0xFF);
    }
    return data;
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteWholeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

} // namespace tarnwick::testing
