// The window's transfer queue against pyftpdlib on loopback (bench/delayftpd.py), offscreen:
//
//     bench_queue lateness [MIB]            a MIB-sized download (default 1024) through the
//                                           queue while a 10 ms timer runs on the GUI thread:
//                                           how late its ticks come (median, 99th percentile,
//                                           largest) and how long the download took
//     bench_queue tree CONNECTIONS [FILES] [DELAY_MS]
//                                           a tree of FILES files of 4 KiB (default 2,000, in 20
//                                           folders) downloaded through the window with the
//                                           queue on CONNECTIONS connections (0: the window's
//                                           own) from a server that waits DELAY_MS (default 10)
//                                           before each reply: the time from the command to
//                                           the last file, and the files checked
//
// Needs /usr/bin/python3 with pyftpdlib (Debian's python3-pyftpdlib).
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/window/maindlg.h"
#include "benchseams.h"
#include "ui/widgets/panelist.h"
#include "session/session.h"
#include "session/transferqueue.h"
#include "settings/settings.h"

using namespace tarnwick;
namespace fs = std::filesystem;

namespace {

using tarnwick::bench::CNoDialogs;
using tarnwick::bench::CYesPrompt;

// pyftpdlib serving `root`, stopped with the object.
class CServer {
public:
    CServer(const fs::path& root, double delayMs)
    {
        const fs::path portFile = root.parent_path() / "port";
        fs::remove(portFile);
        m_pid = ::fork();
        if (m_pid == 0) {
            const std::string delay = std::to_string(delayMs);
            ::execl("/usr/bin/python3", "python3", TARNWICK_DELAYFTPD, root.c_str(), "--port-file",
                    portFile.c_str(), "--delay-ms", delay.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int wait = 0; wait < 200 && m_port == 0; ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            std::ifstream in(portFile);
            in >> m_port;
        }
        if (m_port == 0) {
            std::fprintf(stderr, "the server did not start\n");
            std::exit(1);
        }
    }
    ~CServer()
    {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }
    [[nodiscard]] int Port() const { return m_port; }

private:
    pid_t m_pid = -1;
    int m_port = 0;
};

// The window with a user who answers yes and closes every dialog.
struct CBenchWindow {
    CYesPrompt prompt;
    CNoDialogs dialogs;
    CMainDlg dlg{prompt, dialogs};
};

// Shows the wide window and connects it to the server at `port`, the local pane in `local`,
// the queue open.
bool Connect(CMainDlg& dlg, int port, const fs::path& local)
{
    dlg.resize(1280, 900);
    dlg.show();
    ServerProfile request;
    request.server = "127.0.0.1:" + std::to_string(port);
    request.userName = "bench";
    request.password = "bench";
    request.localInitDir = local.string();
    request.remoteInitDir = "/";
    request.encryption = ProfileEncryption::None;
    if (!dlg.Session().Connect(request)) {
        std::fprintf(stderr, "connect failed: %s\n", dlg.GetStatusText().toUtf8().constData());
        return false;
    }
    dlg.SetConnectedDisplay();
    dlg.ShowTexts();
    dlg.StartQueue();
    return true;
}

// Selects the remote row `row` and downloads it; returns when everything has arrived.
void Download(CMainDlg& dlg, const QString& row)
{
    CPaneList* remote = dlg.findChild<CPaneList*>(QStringLiteral("remoteList"));
    remote->clearSelection();
    remote->SetCurrentRow(remote->FindRow(row), QItemSelectionModel::Select);
    dlg.RunCommand(&CMainDlg::DownloadSelected);
    while (dlg.m_pQueue && dlg.m_pQueue->Pending() > 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    QCoreApplication::processEvents();
}

double Percentile(std::vector<double> values, double share)
{
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1));
    return values[at];
}

int Lateness(const fs::path& scratch, int mib)
{
    const fs::path root = scratch / "root";
    const fs::path local = scratch / "local";
    fs::create_directories(root);
    fs::create_directories(local);
    {
        std::ofstream out(root / "big.bin", std::ios::binary);
        std::vector<char> block(1 << 20);
        for (std::size_t i = 0; i < block.size(); ++i) {
            block[i] = static_cast<char>(i * 131 + 7);
        }
        for (int i = 0; i < mib; ++i) {
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
        }
    }
    CServer server(root, 0.0);
    CBenchWindow window;
    CMainDlg& dlg = window.dlg;
    if (!Connect(dlg, server.Port(), local)) {
        return 1;
    }
    std::vector<double> late;
    QElapsedTimer clock;
    constexpr int kTickMs = 10;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(kTickMs);
    qint64 last = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        late.push_back(std::max(0.0, static_cast<double>(now - last) / 1e6 - kTickMs));
        last = now;
    });
    QElapsedTimer took;
    took.start();
    clock.start();
    timer.start();
    Download(dlg, QStringLiteral("big.bin"));
    timer.stop();
    const double seconds = static_cast<double>(took.elapsed()) / 1000.0;
    std::error_code error;
    const bool whole =
        fs::file_size(local / "big.bin", error) == static_cast<std::uintmax_t>(mib) << 20;
    std::printf("%d MiB in %.2f s (%s); timer lateness over %zu ticks: median %.2f ms, 99th "
                "percentile %.2f ms, largest %.2f ms\n",
                mib, seconds, whole ? "complete" : "INCOMPLETE", late.size(),
                Percentile(late, 0.5), Percentile(late, 0.99), Percentile(late, 1.0));
    dlg.m_pQueue.reset();
    return whole ? 0 : 1;
}

int Tree(const fs::path& scratch, int connections, int files, double delayMs)
{
    const fs::path root = scratch / "root";
    const fs::path local = scratch / "local";
    fs::create_directories(local);
    for (int i = 0; i < files; ++i) {
        const fs::path folder = root / "tree" / ("d" + std::to_string(i % 20));
        fs::create_directories(folder);
        std::ofstream out(folder / ("f" + std::to_string(i) + ".bin"), std::ios::binary);
        out << std::string(4096, static_cast<char>('a' + i % 26));
    }
    SetSettingInt("QueueConnections", static_cast<std::uint32_t>(connections));
    CServer server(root, delayMs);
    CBenchWindow window;
    CMainDlg& dlg = window.dlg;
    if (!Connect(dlg, server.Port(), local)) {
        return 1;
    }
    QElapsedTimer took;
    took.start();
    Download(dlg, QStringLiteral("<tree>"));
    const double seconds = static_cast<double>(took.elapsed()) / 1000.0;
    int arrived = 0;
    for (const auto& entry : fs::recursive_directory_iterator(local / "tree")) {
        arrived += entry.is_regular_file() && entry.file_size() == 4096 ? 1 : 0;
    }
    std::printf("%d files, %d connection(s), %.0f ms a reply: %.2f s, %d arrived\n", files,
                connections, delayMs, seconds, arrived);
    dlg.m_pQueue.reset();
    return arrived == files ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::string mode = argc > 1 ? argv[1] : "";
    char pattern[] = "/tmp/bench-queue-XXXXXX";
    const fs::path scratch = ::mkdtemp(pattern);
    // The settings of this run only.
    ::setenv("TARNWICK_CONFIG_DIR", scratch.c_str(), 1);
    QApplication app(argc, argv);
    int status = 2;
    if (mode == "lateness") {
        status = Lateness(scratch, argc > 2 ? std::atoi(argv[2]) : 1024);
    } else if (mode == "tree" && argc > 2) {
        status = Tree(scratch, std::atoi(argv[2]), argc > 3 ? std::atoi(argv[3]) : 2000,
                      argc > 4 ? std::atof(argv[4]) : 10.0);
    } else {
        std::fprintf(stderr, "usage: bench_queue lateness [MIB] | tree CONNECTIONS [FILES] "
                             "[DELAY_MS]\n");
    }
    fs::remove_all(scratch);
    return status;
}
