// The window from a double-click on a directory row to the painted listing of 20,000 entries,
// in the wide layout's details view, on the offscreen platform. A small FTP server on loopback
// (a thread of this program) answers the directory change and sends the listing in the layout
// vsftpd writes, so the time covers CWD, the data connection, parsing, filling and sorting the
// pane and painting it.
//
//     bench_windowlisting [ENTRIES] [ROUNDS]
//
// Prints each round's time and the median, minimum and maximum, in milliseconds.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "app/window/maindlg.h"
#include "benchseams.h"
#include "ui/widgets/panelist.h"
#include "session/session.h"
#include "settings/settings.h"

using namespace tarnwick;

namespace {

using tarnwick::bench::CNoDialogs;
using tarnwick::bench::CYesPrompt;

int Listen(std::uint16_t& port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 4) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::perror("listen");
        std::exit(1);
    }
    port = ntohs(address.sin_port);
    return fd;
}

void SendAll(int fd, const std::string& data)
{
    std::size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return;
        }
        sent += static_cast<std::size_t>(n);
    }
}

// Enough of an FTP server for one client: login, PWD, CWD, TYPE, PASV and the listing of
// "/big" (`big`) or "/" (a single directory row), then QUIT.
class CBenchServer {
public:
    explicit CBenchServer(std::string big) : m_big(std::move(big))
    {
        m_listen = Listen(m_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~CBenchServer()
    {
        m_thread.join();
        ::close(m_listen);
    }
    [[nodiscard]] std::uint16_t Port() const { return m_port; }

private:
    void Serve()
    {
        const int control = ::accept(m_listen, nullptr, nullptr);
        SendAll(control, "220 bench\r\n");
        std::string buffer;
        std::string dir = "/";
        int data = -1;
        char chunk[4096];
        for (;;) {
            const std::size_t end = buffer.find("\r\n");
            if (end == std::string::npos) {
                const ssize_t n = ::recv(control, chunk, sizeof chunk, 0);
                if (n <= 0) {
                    break;
                }
                buffer.append(chunk, static_cast<std::size_t>(n));
                continue;
            }
            const std::string line = buffer.substr(0, end);
            buffer.erase(0, end + 2);
            const std::string verb = line.substr(0, line.find(' '));
            const std::string argument = line.find(' ') == std::string::npos
                                             ? std::string()
                                             : line.substr(line.find(' ') + 1);
            if (verb == "USER") {
                SendAll(control, "331 password\r\n");
            } else if (verb == "PASS") {
                SendAll(control, "230 in\r\n");
            } else if (verb == "PWD") {
                SendAll(control, "257 \"" + dir + "\"\r\n");
            } else if (verb == "CWD") {
                dir = argument == "big" ? "/big" : "/";
                SendAll(control, "250 ok\r\n");
            } else if (verb == "TYPE") {
                SendAll(control, "200 ok\r\n");
            } else if (verb == "PASV") {
                std::uint16_t port = 0;
                data = Listen(port);
                SendAll(control, "227 Entering Passive Mode (127,0,0,1," +
                                     std::to_string(port / 256) + "," +
                                     std::to_string(port % 256) + ")\r\n");
            } else if (verb == "NLST" || verb == "LIST") {
                const int connection = ::accept(data, nullptr, nullptr);
                SendAll(control, "150 listing\r\n");
                SendAll(connection, dir == "/big" ? m_big
                                                  : "drwxr-xr-x    2 1000     1000         "
                                                    "4096 Jan 01 12:00 big\r\n");
                ::close(connection);
                ::close(data);
                SendAll(control, "226 done\r\n");
            } else if (verb == "QUIT") {
                SendAll(control, "221 bye\r\n");
                break;
            } else {
                SendAll(control, "502 no\r\n");
            }
        }
        ::close(control);
    }

    std::string m_big;
    int m_listen = -1;
    std::uint16_t m_port = 0;
    std::thread m_thread;
};

std::string Listing(int entries)
{
    std::string text;
    text.reserve(static_cast<std::size_t>(entries) * 70);
    char line[128];
    for (int i = 0; i < entries; ++i) {
        std::snprintf(line, sizeof line,
                      "-rw-r--r--    1 1000     1000        %8d Mar 14 09:12 file%05d.txt\r\n",
                      (i * 7919) % 10000000, i);
        text += line;
    }
    return text;
}

void DoubleClick(CPaneList* list, const QString& row)
{
    const int found = list->FindRow(row);
    if (found < 0) {
        std::fprintf(stderr, "no row %s\n", row.toUtf8().constData());
        std::exit(1);
    }
    const QPoint at = list->RowRect(found).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // A settings folder of the benchmark's own, never the user's.
    char folder[] = "/tmp/tarnwick-bench-XXXXXX";
    if (::mkdtemp(folder) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    ::setenv("TARNWICK_CONFIG_DIR", folder, 1);
    const int entries = argc > 1 ? std::atoi(argv[1]) : 20000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 15;

    QApplication app(argc, argv);
    static_cast<void>(SetSettingFlag("UsePASV", true));
    CBenchServer server(Listing(entries));
    CYesPrompt prompt;
    CNoDialogs runner;
    CMainDlg dlg(prompt, runner);
    dlg.resize(1280, 900);
    dlg.show();
    QCoreApplication::processEvents();
    if (!dlg.IsWideLayout()) {
        std::fprintf(stderr, "the window is not in the wide layout\n");
        return 1;
    }
    ServerProfile request;
    request.server = "127.0.0.1:" + std::to_string(server.Port());
    request.userName = "bench";
    request.password = "bench";
    request.remoteInitDir = "/";
    if (!dlg.Session().Connect(request)) {
        std::fprintf(stderr, "connect failed: %s\n", dlg.GetStatusText().toUtf8().constData());
        return 1;
    }
    // As the connect command ends: the connected display, the fields showing the folders.
    dlg.SetConnectedDisplay();
    dlg.ShowTexts();
    auto* remote = dlg.findChild<CPaneList*>(QStringLiteral("remoteList"));
    dlg.ActivateRemotePane();

    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        QCoreApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        DoubleClick(remote, QStringLiteral("<big>"));
        // The rows are in; the pane is painted now, as the window system would ask.
        remote->viewport()->repaint();
        const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        if (remote->count() != entries + 1) {
            std::fprintf(stderr, "round %d: %d rows\n", round, remote->count());
            return 1;
        }
        times.push_back(ms);
        std::printf("round %2d: %8.1f ms\n", round + 1, ms);
        DoubleClick(remote, QStringLiteral(".."));
    }
    dlg.Session().Disconnect();
    std::sort(times.begin(), times.end());
    std::printf("%d entries, %d rounds: median %.1f ms, min %.1f ms, max %.1f ms\n", entries,
                rounds, times[times.size() / 2], times.front(), times.back());
    return 0;
}
