// A scratch folder per test, and the settings store pointed at it.
#pragma once

#include <cstddef>
#include <string>

namespace tarnwick::testing {

class CTempDir {
public:
    CTempDir();
    ~CTempDir(); // removes the folder and everything in it
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;
    [[nodiscard]] const std::string& Path() const { return m_path; }
    [[nodiscard]] std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Sets an environment variable for its lifetime and restores the old value after.
class CScopedEnv {
public:
    CScopedEnv(std::string name, const std::string& value);
    // Unsets the variable for its lifetime.
    CScopedEnv(std::string name, std::nullptr_t);
    ~CScopedEnv();
    CScopedEnv(const CScopedEnv&) = delete;
    CScopedEnv& operator=(const CScopedEnv&) = delete;

private:
    std::string m_name;
    bool m_hadValue = false;
    std::string m_oldValue;
};

// A fresh, empty settings store for one test: TARNWICK_CONFIG_DIR names a folder of its own.
class CTempStore {
public:
    CTempStore() : m_env("TARNWICK_CONFIG_DIR", m_dir.Path()) {}
    [[nodiscard]] const std::string& Dir() const { return m_dir.Path(); }
    [[nodiscard]] std::string FilePath() const { return m_dir.File("registry.reg"); }
    // The store file's text ("" when it does not exist).
    [[nodiscard]] std::string Text() const;
    // Replaces the store file's text.
    void Write(const std::string& text) const;

private:
    CTempDir m_dir;
    CScopedEnv m_env;
};

[[nodiscard]] std::string ReadWholeFile(const std::string& path);
// `size` bytes of every value, CR and LF among them, the same for the same seed.
[[nodiscard]] std::string RandomBytes(std::size_t size, unsigned seed);
void WriteWholeFile(const std::string& path, const std::string& bytes);

} // namespace tarnwick::testing
