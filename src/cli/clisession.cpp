#include "cli/clisession.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <ostream>

#include "files/pathjoin.h"
#include "files/remotepane.h"
#include "ftp/ftpprogressclient.h"
#include "settings/transfermode.h"

namespace tarnwick {

namespace {

struct CommandShape {
    std::size_t minArgs;
    std::size_t maxArgs;
};

const std::map<std::string, CommandShape>& Shapes()
{
    static const std::map<std::string, CommandShape> shapes = {
        {"ls", {0, 1}},    {"pwd", {0, 0}},   {"cd", {1, 1}}, {"get", {1, 2}},   {"put", {1, 2}},
        {"mkdir", {1, 1}}, {"rmdir", {1, 1}}, {"rm", {1, 1}}, {"chmod", {2, 2}},
    };
    return shapes;
}

std::string Joined(const CliCommand& command)
{
    std::string text;
    for (const std::string& word : command) {
        text += (text.empty() ? "" : " ") + word;
    }
    return text;
}

bool IsDirectory(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::int64_t FileSize(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<std::int64_t>(info.st_size) : -1;
}

std::int64_t NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string HumanBytes(std::int64_t bytes)
{
    char text[32];
    if (bytes >= 1024 * 1024) {
        std::snprintf(text, sizeof text, "%.1f MiB",
                      static_cast<double>(bytes) / (1024.0 * 1024.0));
    } else if (bytes >= 1024) {
        std::snprintf(text, sizeof text, "%.1f KiB", static_cast<double>(bytes) / 1024.0);
    } else {
        std::snprintf(text, sizeof text, "%lld B", static_cast<long long>(bytes));
    }
    return text;
}

class CCliRunner {
public:
    CCliRunner(CFtpProgressClient& engine, const CliOptions& options, std::ostream& out,
               CTerminalProgress* progress)
        : m_engine(engine), m_options(options), m_out(out), m_progress(progress)
    {
    }

    // Runs one command; on failure writes what failed into `failure`.
    bool Run(const CliCommand& command, std::string& failure)
    {
        const std::string& verb = command[0];
        const auto arg = [&command](std::size_t i) {
            return i < command.size() ? command[i] : std::string();
        };
        if (verb == "ls") {
            return List(arg(1) == "-l", failure);
        }
        if (verb == "pwd") {
            const std::string dir = m_engine.GetCurrentDir();
            if (dir.empty()) {
                failure = "PWD に失敗";
                return false;
            }
            m_out << dir << '\n';
            return true;
        }
        if (verb == "cd") {
            return Check(m_engine.ChangeDir(arg(1)), "CWD に失敗", failure);
        }
        if (verb == "get") {
            return Get(arg(1), arg(2), failure);
        }
        if (verb == "put") {
            return Put(arg(1), arg(2), failure);
        }
        if (verb == "mkdir") {
            return Check(m_engine.MakeDir(arg(1)), "ディレクトリ作成に失敗しました", failure);
        }
        if (verb == "rmdir") {
            return Check(m_engine.RemoveDir(arg(1)), "ディレクトリ削除に失敗しました", failure);
        }
        if (verb == "rm") {
            return Check(m_engine.DeleteRemoteFile(arg(1)), "削除に失敗しました", failure);
        }
        // chmod MODE NAME: the server's refusal is a failure here, unlike in the window
        // where the reply is shown to the user.
        const bool sent = m_engine.ChangeMode(arg(2), arg(1));
        const int code = m_engine.GetReplyCode();
        return Check(sent && code >= 200 && code < 300, "ChangeFileAttrib に失敗", failure);
    }

private:
    static bool Check(bool ok, const char* text, std::string& failure)
    {
        if (!ok) {
            failure = text;
        }
        return ok;
    }

    bool List(bool longForm, std::string& failure)
    {
        CRowList rows;
        CRemoteFileList list;
        std::string listing;
        const bool ok = m_engine.ListDirectory(std::string(), listing);
        FillRemotePane(rows, listing, list);
        if (!ok) {
            failure = "ファイルリスト取得に失敗";
            return false;
        }
        // In the server's order, without the ".." row and the end marker.
        for (int i = 0; i + 1 < list.GetSize(); ++i) {
            const RemoteFileEntry& entry = list.At(i);
            if (longForm) {
                m_out << entry.permissions << '\t' << entry.sizeText << '\t' << entry.dateText
                      << '\t' << entry.displayName << '\n';
            } else {
                m_out << entry.displayName << '\n';
            }
        }
        return true;
    }

    void ChooseType(const std::string& name)
    {
        switch (m_options.type) {
        case CliOptions::Type::Binary:
            m_engine.SetBinaryType();
            break;
        case CliOptions::Type::Text:
            m_engine.SetTextType();
            break;
        case CliOptions::Type::Auto:
            IsTextModeFile(name) ? m_engine.SetTextType() : m_engine.SetBinaryType();
            break;
        }
    }

    bool Get(const std::string& remote, const std::string& local, std::string& failure)
    {
        // A name from the server never chooses where the file lands outside the given folder.
        const std::string name = BaseName(remote);
        std::string target = local;
        if (target.empty() || IsDirectory(target)) {
            if (!IsSafeLocalName(name)) {
                failure = "ダウンロードに失敗しました (unsafe local name '" + name + "')";
                return false;
            }
            target = target.empty() ? name : JoinPath(target, name);
        }
        ChooseType(target);
        m_engine.SetFileSize(-1);
        if (m_progress != nullptr) {
            m_progress->SetName(remote);
        }
        return Check(m_engine.Download(remote, target), "ダウンロードに失敗しました", failure);
    }

    bool Put(const std::string& local, const std::string& remote, std::string& failure)
    {
        const std::string name = remote.empty() ? BaseName(local) : remote;
        ChooseType(name);
        m_engine.SetFileSize(FileSize(local));
        if (m_progress != nullptr) {
            m_progress->SetName(name);
        }
        if (!m_engine.Upload(local, name)) {
            failure = name + " のアップロードに失敗しました";
            return false;
        }
        return true;
    }

    CFtpProgressClient& m_engine;
    const CliOptions& m_options;
    std::ostream& m_out;
    CTerminalProgress* m_progress;
};

} // namespace

bool ParseCliCommands(const std::vector<std::string>& words, std::vector<CliCommand>& commands,
                      std::string& error)
{
    commands.clear();
    CliCommand current;
    const auto finish = [&]() {
        if (current.empty()) {
            error = "empty command";
            return false;
        }
        const auto shape = Shapes().find(current[0]);
        if (shape == Shapes().end()) {
            error = "unknown command '" + current[0] + "'";
            return false;
        }
        const std::size_t args = current.size() - 1;
        if (args < shape->second.minArgs || args > shape->second.maxArgs ||
            (current[0] == "ls" && args == 1 && current[1] != "-l")) {
            error = "wrong arguments for '" + Joined(current) + "'";
            return false;
        }
        commands.push_back(current);
        current.clear();
        return true;
    };
    for (const std::string& word : words) {
        if (word == ";") {
            if (!finish()) {
                return false;
            }
        } else {
            current.push_back(word);
        }
    }
    return finish();
}

int RunCliSession(CFtpProgressClient& engine, const CliTarget& target,
                  const std::vector<CliCommand>& commands, const CliOptions& options,
                  std::ostream& out, std::ostream& err, CTerminalProgress* progress)
{
    engine.SetProgressSink(progress);
    const auto fail = [&](const std::string& what, const std::string& text) {
        err << "tarnwick-cli: " << what << ": " << text << '\n';
        const std::string reply = engine.GetLastReply();
        if (!reply.empty()) {
            err << "  server: " << reply.substr(0, reply.find_last_not_of("\r\n") + 1) << '\n';
        }
        return 1;
    };
    if (!engine.Connect(target.host, target.port)) {
        return fail(target.host, "ConnectToServer に失敗");
    }
    // Command-line choices win over the settings the engine read when it connected.
    if (options.mode != CliOptions::Mode::FromSettings) {
        engine.SetPassive(options.mode == CliOptions::Mode::Passive);
    }
    if (!options.encoding.empty()) {
        engine.SetServerEncoding(options.encoding);
    }
    if (!engine.Login(target.user, target.password)) {
        return fail(target.user, "UserLogin に失敗");
    }
    if (!target.directory.empty() && !engine.ChangeDir(target.directory)) {
        return fail("cd " + target.directory, "CWD に失敗");
    }
    CCliRunner runner(engine, options, out, progress);
    for (const CliCommand& command : commands) {
        std::string failure;
        if (!runner.Run(command, failure)) {
            return fail(Joined(command), failure);
        }
    }
    engine.Quit();
    return 0;
}

void CTerminalProgress::Begin(const std::string& /*text*/)
{
    m_startMs = NowMs();
    m_bDrawn = false;
}

void CTerminalProgress::Update(const std::string& /*text*/, std::int64_t done, std::int64_t total)
{
    if (done < 0) {
        return; // a message text, not a count
    }
    const double seconds = static_cast<double>(NowMs() - m_startMs) / 1000.0;
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0.0;
    m_stream << '\r' << m_name << "  " << HumanBytes(done);
    if (total > 0) {
        m_stream << " / " << HumanBytes(total) << "  " << (done * 100 / total) << "%";
    }
    m_stream << "  " << HumanBytes(static_cast<std::int64_t>(rate)) << "/s\x1b[K" << std::flush;
    m_bDrawn = true;
}

void CTerminalProgress::End()
{
    if (m_bDrawn) {
        m_stream << '\n' << std::flush;
    }
}

} // namespace tarnwick
