// The least a server can do between the modem and its clients, to measure the machine rather than the
// program: one thread blocked in poll(), the line read from the port, its number put into the broadcast and
// written to every client. Nothing else runs. BM_NumberLineToClientBroadcast runs it in velquon's place
// (VELQUON_BENCH_PROGRAM): the port and the listening port come from the settings file the benchmark writes,
// and it answers the clients' requests and the lines of a call as far as the benchmark looks at them.
// With FLOOR_SERVER_STORE=1 it also stores the call as the program does before it tells anyone: a row
// inserted at the first ring and its number written by one prepared UPDATE, in a SQLite file in WAL mode
// (synchronous NORMAL) in the program folder; the write-ahead file is copied back when the next call rings.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace {

const std::string kMarker = ";COMPLETE;COMPLETE;";

std::vector<int> g_clients;

sqlite3* g_db = nullptr;
sqlite3_stmt* g_insert = nullptr;
sqlite3_stmt* g_update = nullptr;
sqlite3_int64 g_call = 0;

bool openStore(const std::string& folder)
{
    if (sqlite3_open((folder + "/floor.db").c_str(), &g_db) != SQLITE_OK)
        return false;
    sqlite3_wal_autocheckpoint(g_db, 0);
    return sqlite3_exec(g_db,
                        "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; CREATE TABLE IF NOT EXISTS tblCID "
                        "(ID INTEGER PRIMARY KEY, fldName TEXT, fldNumber TEXT, fldDate TEXT, fldRings INTEGER, "
                        "fldAnswered TEXT); CREATE INDEX IF NOT EXISTS byDate ON tblCID (fldDate)",
                        nullptr, nullptr, nullptr) == SQLITE_OK &&
           sqlite3_prepare_v2(g_db,
                              "INSERT INTO tblCID (fldName, fldNumber, fldDate, fldRings, fldAnswered) "
                              "VALUES ('NOT RECEIVED', 'NOT RECEIVED', datetime('now'), 1, 'N/A')",
                              -1, &g_insert, nullptr) == SQLITE_OK &&
           sqlite3_prepare_v2(g_db,
                              "UPDATE tblCID SET fldName = ?, fldNumber = ?, fldRings = ?, fldAnswered = ? "
                              "WHERE ID = ?",
                              -1, &g_update, nullptr) == SQLITE_OK;
}

void storeNumber(const std::string& number)
{
    sqlite3_bind_text(g_update, 1, "NOT RECEIVED", -1, SQLITE_STATIC);
    sqlite3_bind_text(g_update, 2, number.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(g_update, 3, 1);
    sqlite3_bind_text(g_update, 4, "N/A", -1, SQLITE_STATIC);
    sqlite3_bind_int64(g_update, 5, g_call);
    if (sqlite3_step(g_update) != SQLITE_DONE || sqlite3_changes(g_db) != 1)
        fprintf(stderr, "floor_server: the number was not stored: %s\n", sqlite3_errmsg(g_db));
    sqlite3_reset(g_update);
}

void broadcast(const std::string& text)
{
    const std::string unit = text + kMarker;
    for (const int fd : g_clients) {
        if (write(fd, unit.data(), unit.size()) < 0 && errno != EAGAIN)
            perror("floor_server: write");
    }
}

void handleLine(const std::string& line)
{
    if (line == "RING") {
        if (g_db) {
            // A new call for each ring is enough here: the benchmark rings once a call. The write-ahead file
            // is copied back before it, as the program does when a call ends.
            sqlite3_wal_checkpoint_v2(g_db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
            sqlite3_step(g_insert);
            sqlite3_reset(g_insert);
            g_call = sqlite3_last_insert_rowid(g_db);
        }
        broadcast(";NEW;");
        broadcast(";RING;");
    } else if (line.rfind("NMBR = ", 0) == 0 && line.size() == 17) {
        const std::string d = line.substr(7);
        const std::string shown = "(" + d.substr(0, 3) + ") " + d.substr(3, 3) + "-" + d.substr(6, 4);
        if (g_db)
            storeNumber(shown);
        broadcast(";INCOMING CALLER;" + shown);
    }
}

} // namespace

int main()
{
    signal(SIGPIPE, SIG_IGN);
    const char* home = getenv("VELQUON_HOME");
    if (!home) {
        fprintf(stderr, "floor_server: VELQUON_HOME is not set\n");
        return 1;
    }
    std::string portPath;
    int tcpPort = 0;
    if (FILE* ini = fopen((std::string(home) + "/Velquon.ini").c_str(), "r")) {
        char buf[1024];
        while (fgets(buf, sizeof buf, ini)) {
            std::string l(buf);
            l.erase(l.find_last_not_of("\r\n") + 1);
            if (l.rfind("LocalPort=", 0) == 0)
                tcpPort = atoi(l.c_str() + 10);
            else if (l.rfind("CommPort=", 0) == 0)
                portPath = l.substr(9);
        }
        fclose(ini);
    }
    if (getenv("FLOOR_SERVER_STORE") && !openStore(home)) {
        fprintf(stderr, "floor_server: the store could not be opened\n");
        return 1;
    }
    const int tty = open(portPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (tty < 0 || tcpPort <= 0) {
        fprintf(stderr, "floor_server: no port \"%s\" or no listening port\n", portPath.c_str());
        return 1;
    }
    termios t{};
    tcgetattr(tty, &t);
    cfmakeraw(&t);
    tcsetattr(tty, TCSANOW, &t);

    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(tcpPort));
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener, 64) != 0) {
        perror("floor_server: listen");
        return 1;
    }

    std::string line;
    for (;;) {
        std::vector<pollfd> fds{{tty, POLLIN, 0}, {listener, POLLIN, 0}};
        for (const int fd : g_clients)
            fds.push_back({fd, POLLIN, 0});
        if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR)
            return 1;
        if (fds[0].revents & POLLIN) {
            char buf[512];
            const ssize_t n = read(tty, buf, sizeof buf);
            for (ssize_t i = 0; i < n; ++i) {
                if (buf[i] != '\r' && buf[i] != '\n') {
                    line += buf[i];
                    continue;
                }
                if (!line.empty())
                    handleLine(line);
                line.clear();
            }
        }
        if (fds[1].revents & POLLIN) {
            const int fd = accept(listener, nullptr, nullptr);
            if (fd >= 0) {
                setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                g_clients.push_back(fd);
            }
        }
        // Every request is answered as the connect burst's modem state; a closed client goes.
        for (size_t i = 2; i < fds.size(); ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP)))
                continue;
            char buf[4096];
            if (read(fds[i].fd, buf, sizeof buf) <= 0) {
                close(fds[i].fd);
                std::erase(g_clients, fds[i].fd);
                continue;
            }
            const std::string reply = ";MODEMCONNECTION;TRUE" + kMarker;
            if (write(fds[i].fd, reply.data(), reply.size()) < 0)
                perror("floor_server: write");
        }
    }
}
