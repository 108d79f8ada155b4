#include "Relay.h"

#include <QRegularExpression>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace valmir::test {

namespace {

enum Request { Stop = 1, Blackhole, Forward, Cut };

// The last value of a keyword in a connection string, as libpq takes it.
QString lastValue(const QString& conninfo, const char* keyword) {
    const QRegularExpression re(
        QStringLiteral("(?:^|\\s)%1\\s*=\\s*(\\S+)").arg(QLatin1String(keyword)));
    QString value;
    for (auto it = re.globalMatch(conninfo); it.hasNext();)
        value = it.next().captured(1);
    return value;
}

bool writeAll(int fd, const char* data, ssize_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

} // namespace

Relay::Relay(const QString& conninfo) : m_conninfo(conninfo) {
    const QString port = lastValue(conninfo, "port");
    m_socketPath = lastValue(conninfo, "host") + QStringLiteral("/.s.PGSQL.") +
                   (port.isEmpty() ? QStringLiteral("5432") : port);
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(m_listen, 16) != 0 ||
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::pipe2(m_wake, O_CLOEXEC) != 0) {
        qWarning("the relay cannot listen: %s", std::strerror(errno));
        if (m_listen >= 0)
            ::close(m_listen);
        m_listen = -1;
        return;
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { run(); });
}

Relay::~Relay() {
    if (m_thread.joinable()) {
        request(Stop);
        m_thread.join();
    }
    closeAll();
    for (int fd : {m_listen, m_wake[0], m_wake[1]})
        if (fd >= 0)
            ::close(fd);
}

QString Relay::conninfo() const {
    // Later keywords win.
    return m_conninfo + QStringLiteral(" host=127.0.0.1 port=%1").arg(m_port);
}

void Relay::blackhole() { request(Blackhole); }
void Relay::forward() { request(Forward); }
void Relay::cut() { request(Cut); }

// Asks the thread and waits until it has done it.
void Relay::request(int what) {
    std::unique_lock lock(m_mutex);
    m_request = what;
    const char byte = 1;
    if (::write(m_wake[1], &byte, 1) != 1)
        qWarning("the relay cannot be woken");
    m_done.wait(lock, [this] { return m_request == 0; });
}

void Relay::closeAll() {
    for (const Pair& p : m_pairs) {
        ::close(p.client);
        ::close(p.server);
    }
    m_pairs.clear();
}

void Relay::run() {
    char buffer[65536];
    for (;;) {
        std::vector<pollfd> fds{{m_listen, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (m_forwarding)
            for (const Pair& p : m_pairs) {
                fds.push_back({p.client, POLLIN, 0});
                fds.push_back({p.server, POLLIN, 0});
            }
        if (::poll(fds.data(), nfds_t(fds.size()), -1) < 0) {
            if (errno == EINTR)
                continue;
            qWarning("the relay stops: %s", std::strerror(errno));
            return;
        }
        if (fds[1].revents) {
            char byte;
            [[maybe_unused]] const ssize_t n = ::read(m_wake[0], &byte, 1);
            std::lock_guard lock(m_mutex);
            const int what = m_request;
            if (what == Blackhole)
                m_forwarding = false;
            else if (what == Forward)
                m_forwarding = true;
            else if (what == Cut)
                closeAll();
            m_request = 0;
            m_done.notify_all();
            if (what == Stop)
                return;
            continue; // the pairs may have changed
        }
        if (fds[0].revents) {
            const int client = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            const int server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            const QByteArray path = m_socketPath.toLocal8Bit();
            std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
            if (client >= 0 && server >= 0 &&
                ::connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
                m_pairs.push_back({client, server});
            } else {
                qWarning("the relay cannot reach %s: %s", path.constData(), std::strerror(errno));
                for (int fd : {client, server})
                    if (fd >= 0)
                        ::close(fd);
            }
        }
        // Each pair's ready side, over to the other; a pair either side
        // closed is closed whole.
        std::vector<Pair> kept;
        for (size_t i = 0; i < m_pairs.size(); ++i) {
            const Pair p = m_pairs[i];
            bool open = true;
            if (m_forwarding && 2 + 2 * i + 1 < fds.size()) {
                for (int side = 0; side < 2 && open; ++side) {
                    if (!fds[2 + 2 * i + side].revents)
                        continue;
                    const int from = side == 0 ? p.client : p.server;
                    const int to = side == 0 ? p.server : p.client;
                    const ssize_t n = ::read(from, buffer, sizeof buffer);
                    open = n > 0 && writeAll(to, buffer, n);
                }
            }
            if (open) {
                kept.push_back(p);
            } else {
                ::close(p.client);
                ::close(p.server);
            }
        }
        m_pairs = std::move(kept);
    }
}

} // namespace valmir::test
