#include "cli/clisession.h"

#include <chrono>
#include <cstdio>
#include <map>
#include <ostream>

#include "core/nameencoding.h"
#include "core/strutil.h"
#include "files/listingparser.h"
#include "files/listingreader.h"
#include "files/pathjoin.h"
#include "files/remotefileentry.h"
#include "ftp/ftpprogressclient.h"
#include "ftp/transport/canceltoken.h"
#include "session/connection.h"
#include "session/fixedsettings.h"
#include "session/localfiles.h"
#include "session/remoterefresh.h"
#include "session/runner.h"
#include "session/transferqueue.h"
#include "session/treetransfer.h"

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
        {"mkdir", {1, 1}}, {"rmdir", {1, 1}}, {"rm", {1, 1}}, {"chmod", {2, 2}}, {"mv", {2, 2}},
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

std::int64_t NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A text from the server, written with its control characters escaped; most texts have none
// and go out as they are.
std::ostream& WriteEscaped(std::ostream& out, std::string_view text)
{
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || byte == 0xC2) {
            return out << EscapeControlCharacters(text);
        }
    }
    return out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

// A server's reply for the terminal: its control characters escaped, and of a long multi-line
// reply only the first and the last line, with how many were left out.
std::string ReplyForTerminal(const std::string& reply)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < reply.size()) {
        std::size_t end = reply.find('\n', start);
        if (end == std::string::npos) {
            end = reply.size();
        }
        std::string line = reply.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(EscapeControlCharacters(line));
        start = end + 1;
    }
    constexpr std::size_t kShown = 3;
    if (lines.size() > kShown) {
        const std::size_t left = lines.size() - 2;
        lines = {lines.front(), "... (" + std::to_string(left) + " lines left out)", lines.back()};
    }
    std::string text;
    for (const std::string& line : lines) {
        text += (text.empty() ? "" : "\n  ") + line;
    }
    return text;
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

// The runner's UI on a terminal: nothing is asked (a file in the way is not replaced, a part
// is not gone on from), and messages go to the error stream.
class CCliUi : public CRunnerUi {
public:
    explicit CCliUi(std::ostream& err) : m_err(err) {}
    void Message(const std::string& text) override { m_err << "tarnwick-cli: " << text << '\n'; }
    ExistingAnswer AskExisting(const ExistingFile& file, bool& /*applyToAll*/) override
    {
        return file.exists ? ExistingAnswer::Skip : ExistingAnswer::Replace;
    }

private:
    std::ostream& m_err;
};

// What went wrong, for the error stream: a failure text and, for the server's refusals, its
// reply.
struct CliFailure {
    std::string text;
    std::string serverReply;
};

// The server's reply when it refused; otherwise why, after the failure text.
bool Check(const ItemOutcome& outcome, const std::string& text, CliFailure& failure)
{
    if (!outcome.Failed()) {
        return true;
    }
    if (outcome.reason == FailureReason::Refused) {
        failure = {outcome.note.empty() ? text : text + " (" + outcome.note + ")",
                   outcome.replyText};
    } else {
        failure = {text + " (" + FailureDetail(outcome) + ")", std::string()};
    }
    return false;
}

class CCliRunner {
public:
    // `target` and `connected` are what the engine is logged in with: the queue's connections
    // (--parallel) open the same.
    CCliRunner(CFtpProgressClient& engine, CRunner& runner, const ServerTarget& target,
               const FtpConnectOptions& connected, const CliOptions& options, std::ostream& out,
               std::ostream& err, CTerminalProgress* progress, const CCancelToken* cancel)
        : m_engine(engine), m_runner(runner), m_target(target), m_connected(connected),
          m_type(options.type), m_bQuiet(options.quiet), m_out(out), m_err(err),
          m_progress(progress), m_nParallel(options.parallel), m_pCancel(cancel)
    {
    }
    ~CCliRunner() { m_runner.SetTransferQueue(nullptr); }
    CCliRunner(const CCliRunner&) = delete;
    CCliRunner& operator=(const CCliRunner&) = delete;

    // Runs one command; on failure says why in `failure`.
    bool Run(const CliCommand& command, CliFailure& failure)
    {
        const std::string& verb = command[0];
        // Each argument may be a name the server will be sent (see SettleEncodingFor).
        for (std::size_t i = 1; i < command.size(); ++i) {
            m_runner.SettleEncodingFor(command[i]);
        }
        const auto arg = [&command](std::size_t i) {
            return i < command.size() ? command[i] : std::string();
        };
        if (verb == "ls") {
            return List(arg(1) == "-l", failure);
        }
        if (verb == "pwd") {
            std::string dir;
            if (!Check(m_runner.CurrentDir(dir), "PWD に失敗", failure)) {
                return false;
            }
            m_out << EscapeControlCharacters(dir) << '\n';
            return true;
        }
        if (verb == "cd") {
            return Check(m_runner.ChangeDir(arg(1)), "CWD に失敗", failure);
        }
        const std::string flag =
            (verb == "get" || verb == "put") && (arg(1) == "-r" || arg(1) == "-c") ? arg(1)
                                                                                   : std::string();
        const std::size_t first = flag.empty() ? 1 : 2;
        if (verb == "get" && flag == "-r") {
            return GetTree(arg(first), arg(first + 1), failure);
        }
        if (verb == "put" && flag == "-r") {
            return PutTree(arg(first), arg(first + 1), failure);
        }
        if (verb == "get") {
            return Get(arg(first), arg(first + 1), flag == "-c", failure);
        }
        if (verb == "put") {
            return Put(arg(first), arg(first + 1), flag == "-c", failure);
        }
        if (verb == "mkdir") {
            return Check(m_runner.MakeRemoteDirectory(arg(1)), "ディレクトリ作成に失敗しました",
                         failure);
        }
        if (verb == "rmdir") {
            return Check(m_runner.RemoveRemoteDirectory(arg(1)), "ディレクトリ削除に失敗しました",
                         failure);
        }
        if (verb == "rm") {
            return Check(m_runner.DeleteRemoteFile(arg(1)), "削除に失敗しました", failure);
        }
        if (verb == "mv") {
            return Rename(arg(1), arg(2), failure);
        }
        // chmod MODE NAME: the server's refusal is a failure here, unlike in the window
        // where the reply is shown to the user.
        return Check(m_runner.ChangeMode(arg(2), arg(1)), "ChangeFileAttrib に失敗", failure);
    }

private:
    bool List(bool longForm, CliFailure& failure)
    {
        // Each row is printed as soon as its line is in, in the server's order: a folder of any
        // size costs the memory of one line.
        CListingReader reader([&](const RemoteFileEntry& entry) {
            // Names come from the server: nothing in them may reach the terminal raw.
            if (longForm) {
                WriteEscaped(m_out, entry.permissions) << '\t';
                WriteEscaped(m_out, entry.sizeText) << '\t';
                WriteEscaped(m_out, entry.dateText) << '\t';
            }
            WriteEscaped(m_out, entry.displayName) << '\n';
            return true;
        });
        const TransferOutcome listing = StreamListing(std::string(), m_engine, reader);
        if (reader.Unparsed() > 0) {
            m_err << "tarnwick-cli: ls: " << reader.Unparsed()
                  << " line(s) of the listing are of no known form and are not shown\n";
        }
        return Check(OutcomeOf(std::string(), listing), "ファイルリスト取得に失敗", failure);
    }

    // mv OLD NEW in the current directory. The folder is listed first: nobody is asked here,
    // so an existing NEW is refused rather than replaced.
    bool Rename(const std::string& from, const std::string& to, CliFailure& failure)
    {
        bool exists = false;
        CListingReader reader([&](const RemoteFileEntry& entry) {
            exists = exists || EntryName(entry) == to;
            return true;
        });
        if (const TransferOutcome listing = StreamListing(std::string(), m_engine, reader);
            !listing) {
            return Check(OutcomeOf(std::string(), listing), "ファイルリスト取得に失敗", failure);
        }
        const ItemOutcome outcome = m_runner.RenameRemote(from, to, exists);
        if (outcome.status == ItemOutcome::Status::Skipped) {
            failure = {"名前の変更に失敗しました (" + outcome.note + ")", ""};
            return false;
        }
        return Check(outcome, "名前の変更に失敗しました", failure);
    }

    bool Get(const std::string& remote, const std::string& local, bool resume, CliFailure& failure)
    {
        // A name from the server never chooses where the file lands outside the given folder.
        const std::string name = BaseName(remote);
        std::string target = local;
        if (target.empty() || IsLocalDirectory(target)) {
            if (!IsSafeLocalName(name)) {
                failure = {"ダウンロードに失敗しました (unsafe local name '" + name + "')", ""};
                return false;
            }
            target = target.empty() ? name : JoinPath(target, name);
        }
        PrepareTransfer(remote);
        if (!resume) {
            return Check(m_runner.DownloadFile(remote, target, -1), "ダウンロードに失敗しました",
                         failure);
        }
        return Check(m_runner.ContinueDownload(remote, target), "ダウンロードに失敗しました",
                     failure);
    }

    bool Put(const std::string& local, const std::string& remote, bool resume, CliFailure& failure)
    {
        const std::string name = remote.empty() ? BaseName(local) : remote;
        PrepareTransfer(name);
        if (!resume) {
            // Nothing is asked on a terminal: the server's file of that name is replaced.
            return Check(m_runner.UploadOver(local, name, nullptr),
                         name + " のアップロードに失敗しました", failure);
        }
        return Check(m_runner.ContinueUpload(local, name), name + " のアップロードに失敗しました",
                     failure);
    }

    // The path of `name` on the server: as it is when absolute, in the current directory
    // otherwise.
    std::string RemotePath(const std::string& name)
    {
        if (!name.empty() && name.front() == '/') {
            return name;
        }
        std::string dir;
        static_cast<void>(m_runner.CurrentDir(dir));
        return dir.empty() ? name : JoinPath(dir, name);
    }

    // Names each item the tree passes over (a link, a FIFO, a folder met again) as it comes;
    // the progress line names the file moving.
    void Watch(CTreeTransfer& tree, const std::string& command)
    {
        tree.SetFileSink([this](const std::string& name, std::int64_t /*size*/) {
            if (m_progress != nullptr) {
                m_progress->SetName(EscapeControlCharacters(name));
            }
        });
        tree.SetItemSink([this, command](const ItemOutcome& outcome) {
            if (outcome.status == ItemOutcome::Status::Skipped) {
                m_err << "tarnwick-cli: " << EscapeControlCharacters(command) << ": "
                      << EscapeControlCharacters(outcome.name) << " をスキップしました ("
                      << (outcome.note.empty() ? std::string("スキップ") : outcome.note) << ")\n";
            }
        });
    }

    // With --parallel the tree's files go to a queue of their own connections while the walk
    // goes on; the walk's connection is the session's.
    void BeginTree()
    {
        if (m_nParallel <= 1) {
            return;
        }
        if (!m_pQueue) {
            auto connector = QueueConnectorLike(m_engine, m_target, m_connected);
            if (!connector) {
                return;
            }
            m_pQueue = std::make_unique<CTransferQueue>(m_nParallel, std::move(connector));
        }
        m_runner.SetTransferQueue(m_pQueue.get());
    }

    // The tree's outcomes, those of the queued files as the queue ended them (it is waited
    // for; Ctrl-C stops every connection's transfer, each with its ABOR).
    std::vector<ItemOutcome> FinishTree(const CTreeTransfer& tree, bool& stopped)
    {
        stopped = tree.Stopped();
        std::vector<ItemOutcome> outcomes = tree.Outcomes();
        if (!m_pQueue) {
            return outcomes;
        }
        m_runner.SetTransferQueue(nullptr);
        while (!m_pQueue->WaitUntilIdle(std::chrono::milliseconds(100))) {
            if (m_pCancel != nullptr && m_pCancel->IsCancelled()) {
                m_pQueue->CancelAll();
            }
        }
        const std::vector<QueueItem> items = m_pQueue->Items();
        std::size_t next = 0;
        for (ItemOutcome& outcome : outcomes) {
            if (!outcome.queued || next >= items.size()) {
                continue;
            }
            const QueueItem& item = items[next++];
            outcome.queued = false;
            if (item.state == QueueItem::State::Cancelled) {
                outcome.status = ItemOutcome::Status::Failed;
                outcome.reason = FailureReason::Cancelled;
                stopped = true;
            } else if (item.state != QueueItem::State::Done) {
                outcome.status = ItemOutcome::Status::Failed;
                outcome.reason = FailureReason::Refused;
                outcome.note = item.why;
            }
        }
        m_pQueue->ClearFinished();
        return outcomes;
    }

    bool EndTree(const CTreeTransfer& tree, const std::string& command, const std::string& what,
                 CliFailure& failure)
    {
        bool stopped = false;
        const std::vector<ItemOutcome> outcomes = FinishTree(tree, stopped);
        std::size_t done = 0;
        std::size_t skipped = 0;
        std::size_t failed = 0;
        for (const ItemOutcome& outcome : outcomes) {
            done += outcome.status == ItemOutcome::Status::Done ? 1 : 0;
            skipped += outcome.status == ItemOutcome::Status::Skipped ? 1 : 0;
            failed += outcome.Failed() ? 1 : 0;
        }
        if (!m_bQuiet) {
            m_err << "tarnwick-cli: " << EscapeControlCharacters(command) << ": ファイル " << done
                  << " 個を転送、" << skipped << " 個をスキップ、" << failed << " 個が失敗\n";
        }
        if (failed == 0 && !stopped) {
            return true;
        }
        std::string text =
            std::to_string(failed) + " of " + std::to_string(outcomes.size()) + " failed";
        int named = 0;
        for (const ItemOutcome& outcome : outcomes) {
            if (outcome.Failed() && named++ < 3) {
                text += "; " + outcome.name + " (" + FailureDetail(outcome) + ")";
            }
        }
        failure = {what + ": " + text, std::string()};
        return false;
    }

    bool GetTree(const std::string& remote, const std::string& local, CliFailure& failure)
    {
        std::string path = remote;
        while (path.size() > 1 && path.back() == '/') {
            path.pop_back();
        }
        const std::string name = BaseName(path);
        const std::string target = local.empty() ? name : local;
        if (local.empty() && !IsSafeLocalName(name)) {
            failure = {"ダウンロードに失敗しました (unsafe local name '" + name + "')", ""};
            return false;
        }
        PrepareTransfer(path);
        BeginTree();
        CTreeTransfer tree(m_runner);
        const std::string command = "get -r " + remote + (local.empty() ? "" : " " + local);
        Watch(tree, command);
        // The queue's connections start on a folder's files while the walk lists the next.
        tree.MoveWhileWalking(m_pQueue != nullptr);
        tree.Download(RemotePath(path), target);
        return EndTree(tree, command, "ダウンロードに失敗しました", failure);
    }

    bool PutTree(const std::string& local, const std::string& remote, CliFailure& failure)
    {
        const std::string name = remote.empty() ? BaseName(local) : remote;
        PrepareTransfer(name);
        BeginTree();
        CTreeTransfer tree(m_runner);
        const std::string command = "put -r " + local + (remote.empty() ? "" : " " + remote);
        Watch(tree, command);
        tree.Upload(local, RemotePath(name));
        return EndTree(tree, command, name + " のアップロードに失敗しました", failure);
    }

    // The type of a transfer, unless the session chooses it by the name (--type auto); the
    // listings that follow keep it, as in the window.
    void PrepareTransfer(const std::string& name)
    {
        if (m_type == CliOptions::Type::Text) {
            m_engine.SetTextType();
        } else if (m_type == CliOptions::Type::Binary) {
            m_engine.SetBinaryType();
        }
        if (m_progress != nullptr) {
            m_progress->SetName(name);
        }
    }

    CFtpProgressClient& m_engine;
    CRunner& m_runner;
    const ServerTarget& m_target;
    const FtpConnectOptions& m_connected;
    CliOptions::Type m_type;
    bool m_bQuiet;
    std::ostream& m_out;
    std::ostream& m_err;
    CTerminalProgress* m_progress;
    unsigned m_nParallel;
    const CCancelToken* m_pCancel;
    std::unique_ptr<CTransferQueue> m_pQueue;
};

// The session's options: the settings' (or the defaults), then the command line's choices.
CFixedSettings SettingsFor(const CliOptions& options)
{
    CFixedSettings settings;
    if (options.settings != nullptr) {
        settings.connect = options.settings->ConnectOptions();
        settings.textModeList = options.settings->TextModeList();
    }
    settings.connect.caFile = options.caFile;
    settings.autoTransferMode = options.type == CliOptions::Type::Auto;
    return settings;
}

} // namespace

ServerTarget TargetWithOptions(ServerTarget target, const CliOptions& options)
{
    target.fingerprint = options.trustedFingerprint;
    if (options.mode != CliOptions::Mode::FromSettings) {
        target.passive = options.mode == CliOptions::Mode::Passive;
    }
    if (options.timeoutSeconds) {
        target.timeout = std::chrono::seconds(*options.timeoutSeconds);
    }
    // The command line's, the profile's (when iconv knows it), the settings', or 自動.
    if (!options.encoding.empty()) {
        target.encoding = options.encoding;
    } else if (!IsUsableEncoding(target.encoding)) {
        target.encoding = options.settings == nullptr ? kAutoEncoding : std::string();
    }
    return target;
}

bool ParseTimeoutSeconds(const std::string& text, std::optional<unsigned>& seconds)
{
    constexpr unsigned kDay = 24 * 60 * 60;
    if (text.empty() || text.size() > 6 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    const unsigned value = static_cast<unsigned>(std::stoul(text));
    if (value > kDay) {
        return false;
    }
    seconds = value;
    return true;
}

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
        // get and put take one flag first: -r (a whole tree) or -c (go on from a part).
        const bool flag = (current[0] == "get" || current[0] == "put") && current.size() > 1 &&
                          (current[1] == "-r" || current[1] == "-c");
        const std::size_t args = current.size() - 1 - (flag ? 1 : 0);
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

int RunCliSession(CFtpProgressClient& engine, const ServerTarget& target,
                  const std::vector<CliCommand>& commands, const CliOptions& options,
                  std::ostream& out, std::ostream& err, CTerminalProgress* progress,
                  const CCancelToken* cancel)
{
    engine.SetProgressSink(progress);
    engine.SetCancelToken(cancel);
    // A script's files come one after another on one connection: TYPE is sent when the type
    // changes, not again before every file (a round trip each on a far server).
    engine.KeepType(true);
    // A server that answers "NLST -alL" with bare names is told by the listing parser's rule.
    engine.SetListingLineTest(&IsLongListingLine);
    CFixedSettings settings = SettingsFor(options);
    CCliUi ui(err);
    const std::string serverDir; // tarnwick-cli names the queue's files by full paths
    CRunner files(engine, settings, ui, serverDir);
    const auto fail = [&](const std::string& what, const CliFailure& failure) {
        if (cancel != nullptr && cancel->IsCancelled()) {
            err << "tarnwick-cli: " << what << ": 中止しました\n";
            return kExitInterrupted;
        }
        err << "tarnwick-cli: " << EscapeControlCharacters(what) << ": "
            << EscapeControlCharacters(failure.text) << '\n';
        if (!failure.serverReply.empty()) {
            err << "  server: " << ReplyForTerminal(failure.serverReply) << '\n';
        }
        return 1;
    };
    const ServerTarget server = TargetWithOptions(target, options);
    const FtpConnectOptions connected = ConnectOptionsFor(server, settings.ConnectOptions());
    const OpenOutcome opened = OpenConnection(engine, server, connected);
    if (opened.step == OpenOutcome::Step::Login &&
        opened.command.reason == FailureReason::Refused) {
        return fail(target.user, {"UserLogin に失敗", opened.command.replyText});
    }
    const CertificateInfo& certificate = engine.GetCertificate();
    if (opened.step == OpenOutcome::Step::Connect && !certificate.problem.empty() &&
        !certificate.sha256.empty() && !opened.connect.tlsError.empty()) {
        // Nothing was sent after the check failed: say what would have to be trusted.
        err << "tarnwick-cli: " << EscapeControlCharacters(target.host)
            << ": the server's certificate is not trusted ("
            << EscapeControlCharacters(certificate.problem) << ")\n"
            << "  subject: " << EscapeControlCharacters(certificate.subject) << '\n'
            << "  issuer:  " << EscapeControlCharacters(certificate.issuer) << '\n'
            << "  valid:   " << certificate.notBefore << " - " << certificate.notAfter << '\n'
            << "  SHA-256: " << certificate.sha256 << '\n'
            << "  to trust it, check the fingerprint with the server's owner and add\n"
            << "  --fingerprint " << NormalizeFingerprint(certificate.sha256) << '\n';
        return kExitUntrusted;
    }
    if (!opened) {
        // Who or where, and why ("127.0.0.1:990: ConnectToServer に失敗: 接続を拒否されました"):
        // no reply in time, the connection went, or the name could not be sent.
        std::string original;
        return fail(opened.step == OpenOutcome::Step::Login ? target.user : ServerName(target),
                    {OpenFailureText(opened, engine, target.host, original), std::string()});
    }
    if (CliFailure failure; !target.directory.empty() &&
                            !Check(files.ChangeDir(target.directory), "CWD に失敗", failure)) {
        return fail("cd " + target.directory, failure);
    }
    CCliRunner runner(engine, files, server, connected, options, out, err, progress, cancel);
    for (const CliCommand& command : commands) {
        CliFailure failure;
        if (!runner.Run(command, failure) || (cancel != nullptr && cancel->IsCancelled())) {
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
